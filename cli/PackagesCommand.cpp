// keelson-cli packages: the ServerPackages list of the system INI, edited
// with the Server Packages Editor's rules.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "cli/PackagesCommands.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/packages/PackageListRules.h"
#include "core/packages/SvPackFiles.h"
#include "core/settings/StoredPaths.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

namespace {

constexpr std::string_view kEmptyListMessage =
    "The package list would be empty: the system INI is left unchanged";

constexpr const char* kSystemIniHelp =
    "the system INI (default: the stored PathToUtSysIni, see keelson-cli settings show)";

}  // namespace

std::string SystemIniPath(const PackagesWords& w) {
    std::string path = w.systemIniOption->count() > 0 ? w.systemIni : StoredSystemIniPath();
    if (!platform::FileExists(path)) {
        throw FileProblem(path, "File not found");
    }
    return path;
}

PackageList ReadList(const std::string& systemIni, const std::string& section) {
    PackageList list;
    OnFile(systemIni, [&] { ReadServerPackages(list, systemIni, section); });
    return list;
}

void AddSystemIniOption(CLI::App& command, PackagesWords& w) {
    w.systemIniOption =
        command.add_option("--system-ini", w.systemIni, kSystemIniHelp)->type_name("PATH");
    command
        .add_option("--section", w.section,
                    "the section of the ServerPackages lines, with or without its brackets "
                    "(default: [Engine.GameEngine])")
        ->type_name("NAME")
        ->check([](const std::string& name) -> std::string {
            const std::string header = SectionHeader(name);
            if (header.size() <= 2 || header.find_first_of("[]\r\n\x1A", 1) != header.size() - 1) {
                return "--section: not a section name: " + name;
            }
            return {};
        });
}

namespace {

void Print(const PackageList& list, std::ostream& out) {
    for (const std::string& entry : list) {
        out << entry << '\n';
    }
}

// "- NAME" for every entry of before that after lost, then "+ NAME" for
// every entry that it gained. The rules only remove entries and append
// them, so after keeps the remaining entries of before in their order.
void PrintChanges(const PackageList& before, const PackageList& after, Report& report) {
    std::size_t j = 0;
    for (const std::string& entry : before) {
        if (j < after.Size() && after[j] == entry) {
            ++j;
        } else {
            report.Line("- " + entry);
        }
    }
    for (; j < after.Size(); ++j) {
        report.Line("+ " + after[j]);
    }
}

// Saves the edited list, or with --dry-run prints it and reports what a
// save would have reported. A list with the same entries in the same order
// is not written at all.
int Finish(const PackageList& before, const PackageList& list, const std::string& systemIni,
           const PackagesWords& w, std::ostream& out) {
    if (w.dryRun) {
        Print(list, out);
    }
    if (list.Empty()) {
        throw ContentProblemExit(systemIni, ContentProblem{{std::string(kEmptyListMessage)}});
    }
    Report report(out, w.quiet || w.dryRun);
    if (list.Entries() == before.Entries()) {
        report.Unchanged(systemIni);
        return 0;
    }
    if (w.dryRun) {
        CheckWritablePackageNames(list);
        std::string text = OnFile(systemIni, [&] { return platform::ReadWholeFile(systemIni); });
        if (!RewriteServerPackagesText(list, text, w.section)) {
            throw ContentProblemExit(systemIni, ContentProblem{{std::string(kNotUtIniMessage)}});
        }
        return 0;
    }
    std::optional<ContentProblem> problem =
        OnFile(systemIni, [&] { return WriteServerPackages(list, systemIni, w.section); });
    if (problem) {
        throw ContentProblemExit(systemIni, std::move(*problem));
    }
    PrintChanges(before, list, report);
    return 0;
}

void AddEditOptions(CLI::App& command, PackagesWords& w) {
    AddSystemIniOption(command, w);
    command.add_flag("--dry-run", w.dryRun, "print the resulting list instead of saving it");
    AddQuietFlag(command, w.quiet);
    AddRewriteFlags(command, true);
    AddOperands(command, "NAME", w.names, "package names");
}

// ---- list, paths ----

// Lines to print, gathered and written a block at a time: a list of any
// length costs few writes, and holds no more than a block.
class BlockOutput {
  public:
    explicit BlockOutput(std::ostream& out) : out_(out) { block_.reserve(kBlock + 256); }
    void Line(std::string_view text) {
        block_.append(text).push_back('\n');
        if (block_.size() >= kBlock) {
            Flush();
        }
    }
    void Flush() {
        out_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
        block_.clear();
    }

  private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::ostream& out_;
    std::string block_;
};

// The list as printed: one pass over the file, a chunk at a time, each
// entry printed from there, no list built.
void PrintList(const std::string& systemIni, const PackagesWords& w, std::ostream& out) {
    if (w.json) {
        Json array = Json::array();
        OnFile(systemIni, [&] {
            ForEachServerPackageInFile(systemIni, w.section, [&](std::string_view entry) {
                array.push_back(JsonText(entry));
            });
        });
        PrintJson(out, array);
        return;
    }
    BlockOutput lines(out);
    OnFile(systemIni, [&] {
        ForEachServerPackageInFile(systemIni, w.section,
                                   [&](std::string_view entry) { lines.Line(entry); });
    });
    lines.Flush();
}

void AddListCommands(CLI::App& packages, Action& chosen) {
    for (bool paths : {false, true}) {
        auto w = std::make_shared<PackagesWords>();
        CLI::App* command =
            paths ? packages.add_subcommand("paths",
                                            "keelson-cli packages paths [--system-ini PATH] "
                                            "[--json]\n"
                                            "The [Core.System] Paths patterns, one per line.")
                  : packages.add_subcommand("list",
                                            "keelson-cli packages list [--system-ini PATH] "
                                            "[--json]\n"
                                            "The ServerPackages list, one entry per line, in "
                                            "file order.");
        AddSystemIniOption(*command, *w);
        AddJsonFlag(*command, w->json);
        command->callback([w, paths, &chosen] {
            chosen = [w, paths](std::ostream& out) {
                const std::string systemIni = SystemIniPath(*w);
                if (!paths) {
                    PrintList(systemIni, *w, out);
                    return 0;
                }
                std::vector<std::string> entries;
                OnFile(systemIni, [&] { ReadSystemPaths(entries, systemIni); });
                if (w->json) {
                    Json array = Json::array();
                    for (const std::string& entry : entries) {
                        array.push_back(JsonText(entry));
                    }
                    PrintJson(out, array);
                } else {
                    BlockOutput lines(out);
                    for (const std::string& entry : entries) {
                        lines.Line(entry);
                    }
                    lines.Flush();
                }
                return 0;
            };
        });
    }
}

// ---- add ----

// The packages of a preset that no Paths pattern finds, by the test that
// LoadPreset made.
std::string MissingPresetPackages(const std::string& preset, const std::string& systemIni) {
    std::string text = OnFile(preset, [&] { return platform::ReadWholeFile(preset); });
    std::vector<std::string> paths;
    OnFile(systemIni, [&] { ReadSystemPaths(paths, systemIni); });
    std::vector<std::string_view> lines = SplitPresetLines(text);
    PackageFileCache cache;
    std::string missing;
    for (std::size_t i = 3; i < lines.size(); ++i) {
        if (!PackageFileExists(paths, lines[i], FolderOfPath(systemIni), &cache)) {
            missing += (missing.empty() ? "" : ", ") + std::string(lines[i]);
        }
    }
    return missing;
}

void AddPreset(PackageList& list, const std::string& preset, const std::string& systemIni) {
    if (!platform::FileExists(preset)) {
        throw FileProblem(preset, "File not found");
    }
    PresetResult result =
        OnFile(preset, [&] { return LoadPreset(list, preset, [&] { return systemIni; }); });
    switch (result.kind) {
        case PresetResult::Kind::Added:
            return;
        case PresetResult::Kind::NothingDone:
            throw FileProblem(preset, "File not found");
        case PresetResult::Kind::InvalidPreset:
            throw ContentProblemExit(preset, result.Problem());
        case PresetResult::Kind::MissingModification:
            throw ContentProblemExit(
                preset, ContentProblem{{"a modification that this preset needs is not installed: " +
                                            MissingPresetPackages(preset, systemIni),
                                        result.modificationName, result.website}});
    }
}

int Add(const PackagesWords& w, std::ostream& out) {
    const std::string systemIni = SystemIniPath(w);
    platform::FileLock lock(systemIni);
    const PackageList before = ReadList(systemIni, w.section);
    PackageList list = before;
    if (w.group == "ut") {
        AddUTStandardPackages(list);
    } else if (w.group == "bonus-pack") {
        AddEpicBonusPackPackages(list);
    } else if (!w.preset.empty()) {
        AddPreset(list, w.preset, systemIni);
    } else if (!w.files.empty()) {
        for (const std::string& path : w.files) {
            if (!platform::FileExists(path)) {
                throw FileProblem(path, "File not found");
            }
        }
        for (const std::string& path : w.files) {
            AddPackFile(list, path);
        }
    } else {
        for (const std::string& name : w.names) {
            AddPack(list, name);
        }
    }
    return Finish(before, list, systemIni, w, out);
}

void AddAddCommand(CLI::App& packages, Action& chosen) {
    auto w = std::make_shared<PackagesWords>();
    CLI::App* command = packages.add_subcommand(
        "add",
        "keelson-cli packages add [--system-ini PATH] [--dry-run] NAME... | --group "
        "ut|bonus-pack | --preset FILE | --file PATH...\n"
        "Adds names not listed yet (letter case ignored), a fixed group, a preset's\n"
        "packages (all or none), or the packages that files name; prints + NAME for\n"
        "each entry added.");
    AddEditOptions(*command, *w);
    CLI::Option* group = command->add_option("--group", w->group, "a fixed group of packages")
                             ->type_name("ut|bonus-pack")
                             ->check(CLI::IsMember({"ut", "bonus-pack"}));
    CLI::Option* preset =
        command->add_option("--preset", w->preset, "all packages of a preset file, or none")
            ->type_name("FILE");
    CLI::Option* files =
        command->add_option("--file", w->files, "the packages that these files name")
            ->type_name("PATH")
            ->expected(1, CLI::detail::expected_max_vector_size);
    command->callback([w, group, preset, files, &chosen] {
        int sources = static_cast<int>(group->count() > 0) + static_cast<int>(preset->count() > 0) +
                      static_cast<int>(files->count() > 0) + static_cast<int>(!w->names.empty());
        if (sources != 1) {
            throw UsageError("give one of NAME..., --group, --preset or --file");
        }
        chosen = [w](std::ostream& out) { return Add(*w, out); };
    });
}

// ---- remove ----

std::optional<TextFilterMethod> FilterMethodNamed(std::string_view name) {
    if (name == "is") {
        return TextFilterMethod::Is;
    }
    if (name == "contains") {
        return TextFilterMethod::Contains;
    }
    if (name == "doesnt-contain") {
        return TextFilterMethod::DoesntContain;
    }
    if (name == "starts-with") {
        return TextFilterMethod::StartsWith;
    }
    return std::nullopt;
}

int Remove(const PackagesWords& w, std::optional<TextFilterMethod> method, std::ostream& out) {
    const std::string systemIni = SystemIniPath(w);
    platform::FileLock lock(systemIni);
    const PackageList before = ReadList(systemIni, w.section);
    PackageList list = before;
    if (w.missing) {
        OnFile(systemIni, [&] { RemoveMissingPackages(list, systemIni); });
    } else if (method) {
        RemoveByTextFilter(list, *method, w.filter[1]);
    } else {
        RemoveByNames(list, w.names);
    }
    return Finish(before, list, systemIni, w, out);
}

void AddRemoveCommand(CLI::App& packages, Action& chosen) {
    auto w = std::make_shared<PackagesWords>();
    CLI::App* command = packages.add_subcommand(
        "remove",
        "keelson-cli packages remove [--system-ini PATH] [--dry-run] NAME... | --missing | "
        "--filter is|contains|doesnt-contain|starts-with TEXT\n"
        "Removes the entries that are a name, whose file is not found through the\n"
        "Paths, or that match the filter (letter case ignored); prints - NAME for each\n"
        "entry removed.");
    AddEditOptions(*command, *w);
    command->add_flag("--missing", w->missing, "the entries with no file under the Paths");
    CLI::Option* filter =
        command->add_option("--filter", w->filter, "the entries that match a text filter")
            ->type_name("METHOD TEXT")
            ->expected(2);
    command->callback([w, filter, &chosen] {
        int sources = static_cast<int>(w->missing) + static_cast<int>(filter->count() > 0) +
                      static_cast<int>(!w->names.empty());
        if (sources != 1) {
            throw UsageError("give one of NAME..., --missing or --filter");
        }
        std::optional<TextFilterMethod> method;
        if (filter->count() > 0) {
            method = FilterMethodNamed(w->filter[0]);
            if (!method) {
                throw UsageError("--filter: unknown method " + w->filter[0] +
                                 " (is, contains, doesnt-contain, starts-with)");
            }
        }
        chosen = [w, method](std::ostream& out) { return Remove(*w, method, out); };
    });
}

}  // namespace

void AddPackagesCommands(CLI::App& app, Action& chosen) {
    CLI::App* packages = app.add_subcommand(
        "packages",
        "The ServerPackages list of the system INI ([Engine.GameEngine], or --section).");
    packages->require_subcommand(1);
    AddListCommands(*packages, chosen);
    AddAddCommand(*packages, chosen);
    AddRemoveCommand(*packages, chosen);
    AddPackageCheckCommands(*packages, chosen);
    packages->footer(
        "Options may stand anywhere after the two command words, before or after names.\n"
        "--dry-run prints the resulting list instead of saving it. A list that would be\n"
        "empty is never saved (exit 3); a list that equals the file's is not written.\n");
}

}  // namespace keelson::cli
