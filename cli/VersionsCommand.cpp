// keelson-cli versions: the earlier versions of a user INI, system INI or
// bot library that the program's rewrites kept; their list, their content,
// their difference from the file as it is now, and putting one back.

#include <CLI/CLI.hpp>

#include <charconv>
#include <memory>
#include <string>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "core/versions/FileVersions.h"
#include "platform/FileSystem.h"
#include "platform/Versions.h"

namespace keelson::cli {

namespace {

struct VersionsWords {
    std::string file;
    std::string number;
    bool json = false;
    bool quiet = false;
};

std::uint64_t ParseNumber(const std::string& word) {
    std::uint64_t number = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || number == 0) {
        throw UsageError("not a version number: " + word);
    }
    return number;
}

// The file's kind, from its content, or else from its newest readable
// version (a file that a server wiped may no longer look like an INI). A
// file that is neither the game's nor has versions is refused.
GameFileKind KindOf(const std::string& path, const std::optional<std::string>& content) {
    if (content) {
        GameFileKind kind = RecogniseGameFile(*content, path);
        if (kind != GameFileKind::Unknown) {
            return kind;
        }
    }
    for (const platform::VersionEntry& entry : platform::ListVersions(path)) {
        if (entry.readable) {
            GameFileKind kind = RecogniseGameFile(platform::ReadVersion(path, entry.number), path);
            if (kind != GameFileKind::Unknown) {
                return kind;
            }
        }
    }
    if (!content) {
        throw FileProblem(path, "File not found");
    }
    throw FileProblem(path, path + " is not a user INI, system INI or bot library");
}

// The file's content, or none when it is not there (its versions can bring
// it back).
std::optional<std::string> CurrentContent(const std::string& path) {
    if (!platform::FileExists(path) && !platform::FolderExists(path)) {
        return std::nullopt;
    }
    return OnFile(path, [&] { return platform::ReadWholeFile(path); });
}

platform::VersionEntry FindEntry(const std::string& path, std::uint64_t number) {
    for (platform::VersionEntry& entry : platform::ListVersions(path)) {
        if (entry.number == number) {
            return entry;
        }
    }
    throw FileProblem(path, path + " has no version " + std::to_string(number));
}

std::string ReadVersion(const std::string& path, std::uint64_t number) {
    return OnFile(path, [&] { return platform::ReadVersion(path, number); });
}

int List(const VersionsWords& w, std::ostream& out) {
    KindOf(w.file, CurrentContent(w.file));
    const std::vector<platform::VersionEntry> entries = platform::ListVersions(w.file);
    if (w.json) {
        Json list = Json::array();
        for (const platform::VersionEntry& entry : entries) {
            Json item = {{"number", entry.number == 0 ? Json(nullptr) : Json(entry.number)},
                         {"time", entry.time.empty() ? Json(nullptr) : Json(entry.time)},
                         {"size", entry.size},
                         {"command", JsonText(entry.command)}};
            if (!entry.readable) {
                item["readable"] = false;
                item["entry"] = JsonPath(entry.name);
            }
            list.push_back(std::move(item));
        }
        PrintJson(out, list);
        return 0;
    }
    if (entries.empty()) {
        out << w.file << ": no earlier versions\n";
        return 0;
    }
    for (const platform::VersionEntry& entry : entries) {
        if (!entry.readable) {
            out << (entry.number == 0 ? std::string("-") : std::to_string(entry.number))
                << "  unreadable (" << platform::VersionFolderOf(w.file) << platform::kPathSeparator
                << entry.name << ")\n";
            continue;
        }
        out << entry.number << "  " << entry.time << "  " << entry.size << " bytes  "
            << entry.command << "\n";
    }
    return 0;
}

int Show(const VersionsWords& w, std::uint64_t number, std::ostream& out) {
    KindOf(w.file, CurrentContent(w.file));
    out << ReadVersion(w.file, number);
    return 0;
}

int Diff(const VersionsWords& w, std::optional<std::uint64_t> number, std::ostream& out) {
    const std::optional<std::string> now = CurrentContent(w.file);
    const GameFileKind kind = KindOf(w.file, now);
    if (!number) {
        for (const platform::VersionEntry& entry : platform::ListVersions(w.file)) {
            if (entry.readable) {
                number = entry.number;
                break;
            }
        }
        if (!number) {
            throw FileProblem(w.file, w.file + " has no earlier versions");
        }
    }
    const platform::VersionEntry entry = FindEntry(w.file, *number);
    const std::string old = ReadVersion(w.file, *number);
    std::string oldHolder;
    std::string nowHolder;
    out << UnifiedDiff(ComparableLines(old, kind, oldHolder),
                       ComparableLines(now.value_or(std::string()), kind, nowHolder),
                       w.file + " (version " + std::to_string(*number) + ", " + entry.time + ")",
                       w.file + (now ? " (now)" : " (missing)"));
    return 0;
}

int Restore(const VersionsWords& w, std::uint64_t number, std::ostream& out) {
    const std::optional<std::string> now = CurrentContent(w.file);
    const GameFileKind kind = KindOf(w.file, now);
    const platform::VersionEntry entry = FindEntry(w.file, number);
    const std::string old = ReadVersion(w.file, number);
    Report report(out, w.quiet);
    const platform::GameFile written =
        kind == GameFileKind::Library ? platform::GameFile::Library : platform::GameFile::Ini;
    if (!WriteIfChanged(w.file, old, now, written)) {
        report.Unchanged(w.file);
        return 0;
    }
    report.Line(w.file + ": version " + std::to_string(number) + " of " + entry.time + " restored");
    return 0;
}

void AddFileOperand(CLI::App& command, VersionsWords& w) {
    AddOperand(command, "FILE", w.file, "a user INI, system INI or bot library")->required();
}

}  // namespace

void AddVersionsCommands(CLI::App& app, Action& chosen) {
    CLI::App* versions = app.add_subcommand(
        "versions", "The earlier versions of the game's files that Keelson replaced.");
    versions->require_subcommand(1);

    auto list = std::make_shared<VersionsWords>();
    CLI::App* command = versions->add_subcommand(
        "list",
        "keelson-cli versions list FILE [--json]\n"
        "The versions kept of a user INI, system INI or bot library, newest first:\n"
        "number, time (UTC), size and the command that replaced it.");
    AddFileOperand(*command, *list);
    AddJsonFlag(*command, list->json);
    command->callback(
        [list, &chosen] { chosen = [list](std::ostream& out) { return List(*list, out); }; });

    auto show = std::make_shared<VersionsWords>();
    command = versions->add_subcommand("show",
                                       "keelson-cli versions show FILE N\n"
                                       "The content of version N, byte for byte.");
    AddFileOperand(*command, *show);
    AddOperand(*command, "N", show->number, "the version's number")->required();
    command->callback([show, &chosen] {
        const std::uint64_t number = ParseNumber(show->number);
        chosen = [show, number](std::ostream& out) { return Show(*show, number, out); };
    });

    auto diff = std::make_shared<VersionsWords>();
    command = versions->add_subcommand(
        "diff",
        "keelson-cli versions diff FILE [N]\n"
        "A unified diff from version N (the newest when left out) to the file as it is\n"
        "now; a library is compared as the lines that bots show prints.");
    AddFileOperand(*command, *diff);
    AddOperand(*command, "N", diff->number, "the version's number");
    command->callback([diff, &chosen] {
        std::optional<std::uint64_t> number;
        if (!diff->number.empty()) {
            number = ParseNumber(diff->number);
        }
        chosen = [diff, number](std::ostream& out) { return Diff(*diff, number, out); };
    });

    auto restore = std::make_shared<VersionsWords>();
    command = versions->add_subcommand(
        "restore",
        "keelson-cli versions restore FILE N [--no-versions] [--force]\n"
        "Puts version N back in place of the file; the content it replaces is kept as\n"
        "a version in turn.");
    AddFileOperand(*command, *restore);
    AddOperand(*command, "N", restore->number, "the version's number")->required();
    AddQuietFlag(*command, restore->quiet);
    AddRewriteFlags(*command, true);
    command->callback([restore, &chosen] {
        const std::uint64_t number = ParseNumber(restore->number);
        chosen = [restore, number](std::ostream& out) { return Restore(*restore, number, out); };
    });
}

}  // namespace keelson::cli
