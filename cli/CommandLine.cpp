// What every keelson-cli command shares: operands that refuse misplaced
// options, the --quiet and --json flags, messages that name their file, and
// writes that leave an unchanged file alone.

#include <CLI/CLI.hpp>

#include "cli/Cli.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

namespace {

// Put before each word after "--" that starts with "-"; operands take it
// off again. No word of a command line holds this byte.
constexpr char kEndOfOptionsMark = '\x01';

CLI::Validator OperandWord() {
    return CLI::Validator(
        [](std::string& word) -> std::string {
            if (!word.empty() && word[0] == kEndOfOptionsMark) {
                word.erase(0, 1);
                return {};
            }
            if (!word.empty() && word[0] == '-') {
                return UnknownOptionMessage(word);
            }
            return {};
        },
        "");
}

}  // namespace

std::string UnknownOptionMessage(const std::string& word) {
    return "unknown option " + word + " (a name that starts with \"-\" goes after --)";
}

std::string MessageAbout(const std::string& path, std::string_view message) {
    std::string text = "keelson-cli: ";
    if (!path.empty() && message.find(path) == std::string_view::npos) {
        text += path + ": ";
    }
    text += message;
    return text;
}

CLI::Option* AddOperand(CLI::App& command, const std::string& name, std::string& into,
                        const std::string& description) {
    return command.add_option(name, into, description)->transform(OperandWord())->type_name("");
}

CLI::Option* AddOperands(CLI::App& command, const std::string& name, std::vector<std::string>& into,
                         const std::string& description) {
    // allow_extra_args: a list of names keeps taking words after options.
    return command.add_option(name, into, description)
        ->transform(OperandWord())
        ->type_name("")
        ->allow_extra_args();
}

void AddQuietFlag(CLI::App& command, bool& quiet) {
    command.add_flag("--quiet", quiet, "print nothing about what changed");
}

void AddJsonFlag(CLI::App& command, bool& json) {
    command.add_flag("--json", json, "print one JSON document");
}

std::string UnmarkedWord(std::string word) {
    if (!word.empty() && word[0] == kEndOfOptionsMark) {
        word.erase(0, 1);
    }
    return word;
}

void AddRewriteFlags(CLI::App& command, bool rewritesIni) {
    command.add_flag_callback(
        "--no-versions",
        [] {
            platform::RewritePolicy policy = platform::CurrentRewritePolicy();
            policy.keepVersions = false;
            platform::SetRewritePolicy(std::move(policy));
        },
        "keep no earlier version of the file replaced");
    if (rewritesIni) {
        command.add_flag_callback(
            "--force",
            [] {
                platform::RewritePolicy policy = platform::CurrentRewritePolicy();
                policy.allowRunningGame = true;
                platform::SetRewritePolicy(std::move(policy));
            },
            "rewrite the INI although a running game uses it (it will write its own copy back)");
    }
}

std::vector<std::string> MarkWordsAfterEndOfOptions(std::vector<std::string> words) {
    std::vector<std::string> marked;
    marked.reserve(words.size());
    bool options = true;
    for (std::string& word : words) {
        if (options && word == "--") {
            options = false;
        } else if (!options && !word.empty() && word[0] == '-') {
            marked.push_back(kEndOfOptionsMark + word);
        } else {
            marked.push_back(std::move(word));
        }
    }
    return marked;
}

bool WriteIfChanged(const std::string& path, std::string_view bytes,
                    std::optional<std::string_view> current, platform::GameFile kind) {
    if (current && *current == bytes) {
        return false;
    }
    WriteGameFile(path, platform::Pieces(&bytes, 1), kind);
    return true;
}

void WriteGameFile(const std::string& path, platform::Pieces pieces, platform::GameFile kind) {
    OnFile(path, [&] {
        platform::WriteFileAtomically(path, pieces,
                                      kind == platform::GameFile::Ini
                                          ? platform::CreateFailure::CannotCreateFile
                                          : platform::CreateFailure::SystemWording,
                                      kind);
    });
}

}  // namespace keelson::cli
