#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <new>

#include "cli/Cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace keelson;

constexpr const char* kVersion = "keelson-cli 1.0";

// The first line of a command's description is its synopsis.
std::string SynopsisOf(const CLI::App& command) {
    const std::string& description = command.get_description();
    return description.substr(0, description.find('\n'));
}

// The command that the words chose, as far as the parser got.
const CLI::App* ChosenCommand(const CLI::App& app) {
    const CLI::App* at = &app;
    for (;;) {
        std::vector<const CLI::App*> chosen =
            at->get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
        if (chosen.empty()) {
            return at;
        }
        at = chosen.front();
    }
}

// Every command's description, for keelson-cli --help.
std::string CommandList(const CLI::App& app) {
    std::string text;
    for (const CLI::App* group : app.get_subcommands({})) {
        text += "\n";
        for (const CLI::App* command : group->get_subcommands({})) {
            const std::string& d = command->get_description();
            std::size_t start = 0;
            while (start < d.size()) {
                std::size_t end = d.find('\n', start);
                end = end == std::string::npos ? d.size() : end;
                text += (start == 0 ? "  " : "      ") + d.substr(start, end - start) + "\n";
                start = end + 1;
            }
        }
    }
    return text;
}

// A command word that names no command: the parser would only say that a
// command is required. Returns false when one was reported.
bool CheckCommandWords(const CLI::App& app, const std::vector<std::string>& words) {
    const CLI::App* at = &app;
    std::string path = "keelson-cli";
    for (const std::string& word : words) {
        std::vector<const CLI::App*> subs = at->get_subcommands({});
        if (subs.empty() || word.starts_with("-")) {
            return true;
        }
        const CLI::App* next = nullptr;
        std::string names;
        for (const CLI::App* sub : subs) {
            names += (names.empty() ? "" : ", ") + sub->get_name();
            if (sub->get_name() == word) {
                next = sub;
            }
        }
        if (next == nullptr) {
            std::cout.flush();
            std::cerr << "keelson-cli: unknown command: " << word << " (commands: " << names
                      << ")\nusage: " << path << " COMMAND ... (see " << path << " --help)\n";
            return false;
        }
        at = next;
        path += " " + word;
    }
    return true;
}

std::string WithoutMarks(std::string text) {
    std::erase(text, '\x01');
    return text;
}

// "keelson-cli bots export".
std::string FullName(const CLI::App* command) {
    std::string name;
    for (; command != nullptr; command = command->get_parent()) {
        name = command->get_name() + (name.empty() ? "" : " " + name);
    }
    return name;
}

// A required operand is missing when its word started with "-" and was set
// aside as an unknown option ("bots list -x.ut_botlib"): that word is the
// one to name.
std::string MissingOperandMessage(const CLI::App& app, const std::string& message) {
    for (const std::string& word : ChosenCommand(app)->remaining()) {
        if (word.starts_with("-")) {
            return cli::UnknownOptionMessage(word);
        }
    }
    return message;
}

int UsageFailure(const CLI::App& app, const std::string& message) {
    std::cout.flush();
    std::cerr << "keelson-cli: " << WithoutMarks(message) << "\n";
    const CLI::App* command = ChosenCommand(app);
    if (command != &app && command->get_subcommands({}).empty()) {
        std::cerr << "usage: " << SynopsisOf(*command) << "\n";
    } else {
        std::cerr << "usage: " << FullName(command) << " COMMAND ... (see " << FullName(command)
                  << " --help)\n";
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Texts are bytes: no line-end or code-page translation on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);

    CLI::App app("Keelson's bot libraries, server packages and settings without a display.",
                 "keelson-cli");
    app.set_version_flag("--version", kVersion, "print the version and exit");
    app.require_subcommand(1);
    cli::Action chosen;
    cli::AddBotsCommands(app, chosen);
    cli::AddPackagesCommands(app, chosen);
    cli::AddSettingsCommands(app, chosen);
    cli::AddVersionsCommands(app, chosen);
    app.footer(
        "Commands:\n" + CommandList(app) +
        "\nOptions may stand anywhere after the command words; -- ends them, so that a\n"
        "name after it may start with \"-\". Every command takes --help.\n"
        "Exit status: 0 done, 1 error, 2 usage error, 3 a problem with a file's "
        "content,\n4 packages check found an error (the server would not start), 5 a running "
        "game uses\nthe INI that the command would rewrite (--force rewrites it all the "
        "same).\n");

    std::vector<std::string> words(argv + 1, argv + argc);
    // What the versions that this run keeps record as their maker.
    platform::RewritePolicy policy;
    policy.command = "keelson-cli";
    for (const std::string& word : words) {
        policy.command +=
            word.find_first_of(" \t") == std::string::npos ? " " + word : " \"" + word + "\"";
    }
    platform::SetRewritePolicy(std::move(policy));
    try {
        if (!CheckCommandWords(app, words)) {
            return 2;
        }
        std::vector<std::string> marked = cli::MarkWordsAfterEndOfOptions(std::move(words));
        // CLI11 takes the words last to first.
        std::reverse(marked.begin(), marked.end());
        app.parse(marked);
    } catch (const CLI::CallForHelp&) {
        const CLI::App* command = ChosenCommand(app);
        std::cout << command->help(command == &app ? "" : FullName(command->get_parent()));
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << kVersion << "\n";
        return 0;
    } catch (const CLI::RequiredError& e) {
        return UsageFailure(app, MissingOperandMessage(app, e.what()));
    } catch (const CLI::ParseError& e) {
        return UsageFailure(app, e.what());
    } catch (const cli::UsageError& e) {
        return UsageFailure(app, e.what());
    }

    try {
        int status = chosen(std::cout);
        std::cout.flush();
        return status;
    } catch (const cli::UsageError& e) {
        return UsageFailure(app, e.what());
    } catch (const cli::ContentProblemExit& e) {
        std::cout.flush();
        const std::vector<std::string>& texts = e.Problem().texts;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::cerr << (i == 0 ? cli::MessageAbout(e.Path(), texts[i]) : texts[i]) << "\n";
        }
        return 3;
    } catch (const platform::GameRunningError& e) {
        std::cout.flush();
        std::cerr << "keelson-cli: " << e.what() << "\n";
        return 5;
    } catch (const cli::FileProblem& e) {
        std::cout.flush();
        std::cerr << cli::MessageAbout(e.Path(), ErrorBoxText(e.what())) << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "keelson-cli: " << ErrorBoxText("Out of memory") << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "keelson-cli: " << ErrorBoxText(e.what()) << "\n";
        return 1;
    }
}
