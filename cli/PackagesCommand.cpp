// keelson-cli packages: the ServerPackages list of the system INI, edited
// with the Server Packages Editor's rules.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "cli/PackagesCommands.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/packages/PackageCheck.h"
#include "core/packages/PackageFile.h"
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

// ---- check, info, deps ----

// Exit status of a check that found an error: the server would not start,
// or its clients would be refused.
constexpr int kCheckFoundErrors = 4;

bool IsPackageExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string ext = UpperAscii(name.substr(dot));
    return ext == ".U" || ext == ".UTX" || ext == ".UAX" || ext == ".UMX" || ext == ".UNR";
}

std::string FlagsText(std::uint32_t flags) {
    std::string names;
    auto add = [&](std::uint32_t bit, std::string_view name) {
        if ((flags & bit) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
    };
    add(kPackageAllowDownload, "AllowDownload");
    add(kPackageClientOptional, "ClientOptional");
    add(kPackageServerSideOnly, "ServerSideOnly");
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", flags);
    return names.empty() ? std::string(hex) : names + " (" + hex + ")";
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// An entry of --json output: the package's file and header, nulls where it
// has no file or the file is no package.
Json JsonPackage(const std::string& name, const std::string* file,
                 const std::optional<PackageInfo>& info) {
    Json j = Json::object();
    j["name"] = JsonText(name);
    j["file"] = file != nullptr ? JsonPath(*file) : Json(nullptr);
    if (!info) {
        for (const char* key :
             {"version", "licensee", "flags", "guid", "generations", "dependencies"}) {
            j[key] = nullptr;
        }
        return j;
    }
    j["version"] = info->version;
    j["licensee"] = info->licensee;
    j["flags"] = info->flags;
    j["guid"] = info->guid ? Json(GuidText(*info->guid)) : Json(nullptr);
    Json generations = Json::array();
    for (const PackageGeneration& g : info->generations) {
        generations.push_back({{"exports", g.exportCount}, {"names", g.nameCount}});
    }
    j["generations"] = std::move(generations);
    Json dependencies = Json::array();
    for (const std::string& d : info->dependencies) {
        dependencies.push_back(JsonText(d));
    }
    j["dependencies"] = std::move(dependencies);
    return j;
}

void PrintPackage(const std::string& file, const PackageInfo& info, std::ostream& out) {
    out << "File: " << file << "\n";
    out << "Version: " << info.version << "\n";
    out << "Licensee version: " << info.licensee << "\n";
    out << "Flags: " << FlagsText(info.flags) << "\n";
    out << "GUID: " << (info.guid ? GuidText(*info.guid) : std::string("none")) << "\n";
    std::string generations;
    for (const PackageGeneration& g : info.generations) {
        generations += (generations.empty() ? "" : "; ") + std::to_string(g.exportCount) +
                       " exports, " + std::to_string(g.nameCount) + " names";
    }
    out << "Generations: " << (generations.empty() ? "none" : generations) << "\n";
    out << "Dependencies: " << (info.dependencies.empty() ? "none" : JoinNames(info.dependencies))
        << "\n";
}

std::string Plural(std::size_t n, std::string_view word) {
    return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
}

int Check(const PackagesWords& w, std::ostream& out) {
    const std::string systemIni = SystemIniPath(w);
    const PackageList list = ReadList(systemIni, w.section);
    const PackageCheckResult result =
        OnFile(systemIni, [&] { return CheckPackages(list.Entries(), systemIni, w.section); });
    if (w.json) {
        Json findings = Json::array();
        for (const PackageFinding& f : result.findings) {
            findings.push_back({{"severity", SeverityText(f.severity)},
                                {"entry", JsonText(f.entry)},
                                {"message", JsonText(f.message)}});
        }
        Json entries = Json::array();
        for (const ResolvedPackage& p : result.entries) {
            entries.push_back(JsonPackage(p.name, p.File(), p.info));
        }
        PrintJson(out, Json{{"findings", std::move(findings)}, {"entries", std::move(entries)}});
    } else {
        for (const PackageFinding& f : result.findings) {
            out << SeverityText(f.severity) << ": " << (f.entry.empty() ? systemIni : f.entry)
                << ": " << f.message << "\n";
        }
        out << systemIni << ": " << Plural(result.Count(FindingSeverity::Error), "error") << ", "
            << Plural(result.Count(FindingSeverity::Warning), "warning") << ", "
            << Plural(result.Count(FindingSeverity::Note), "note") << " in " << list.Size()
            << (list.Size() == 1 ? " entry" : " entries") << "\n";
    }
    return result.Count(FindingSeverity::Error) > 0 ? kCheckFoundErrors : 0;
}

int Info(const PackagesWords& w, std::ostream& out) {
    const std::string& what = w.names.front();
    std::string file;
    std::optional<PackageInfo> info;
    std::string name = what;
    if (what.find_first_of("/\\") != std::string::npos || IsPackageExtension(what)) {
        file = what;
        name = PackageNameOfFile(what);
        info = OnFile(file, [&] {
            try {
                return ReadPackageFile(file);
            } catch (const PackageFormatError& e) {
                throw ContentProblemExit(file, ContentProblem{{e.what()}});
            }
        });
    } else {
        const std::string systemIni = SystemIniPath(w);
        PackageResolver resolver =
            OnFile(systemIni, [&] { return PackageResolver::ForSystemIni(systemIni); });
        const ResolvedPackage& p = resolver.Resolve(what);
        if (p.File() == nullptr) {
            throw FileProblem(systemIni, what + " has no file through Paths");
        }
        file = *p.File();
        if (!p.info) {
            throw ContentProblemExit(file, ContentProblem{{p.problem}});
        }
        info = p.info;
    }
    if (w.json) {
        PrintJson(out, JsonPackage(name, &file, info));
    } else {
        PrintPackage(file, *info, out);
    }
    return 0;
}

// "Name (FILE)", "Name (missing)" or "Name (FILE: the reason it cannot be
// loaded)".
std::string NodeText(const ResolvedPackage& p) {
    if (p.File() == nullptr) {
        return p.name + " (missing)";
    }
    return p.name + " (" + *p.File() + (p.info ? "" : ": " + p.problem) + ")";
}

// Prints a tree from root, each child one step further in; a package shown
// already is not followed again ("see above"). An explicit stack, so that
// long chains and cycles cost one visit per package.
void PrintTree(const std::string& root, PackageResolver& resolver,
               const std::function<std::vector<std::string>(const ResolvedPackage&)>& children,
               std::ostream& out) {
    std::unordered_set<std::string> shown;
    std::vector<std::pair<std::string, std::size_t>> stack{{root, 0}};
    while (!stack.empty()) {
        auto [name, depth] = std::move(stack.back());
        stack.pop_back();
        const ResolvedPackage& p = resolver.Resolve(name);
        out << std::string(2 * depth, ' ');
        if (!shown.insert(UpperAscii(name)).second) {
            out << name << " (see above)\n";
            continue;
        }
        out << NodeText(p) << "\n";
        std::vector<std::string> next = children(p);
        for (auto it = next.rbegin(); it != next.rend(); ++it) {
            stack.emplace_back(*it, depth + 1);
        }
    }
}

int Deps(const PackagesWords& w, std::ostream& out) {
    const std::string& root = w.names.front();
    const std::string systemIni = SystemIniPath(w);
    PackageResolver resolver =
        OnFile(systemIni, [&] { return PackageResolver::ForSystemIni(systemIni); });
    if (!w.reverse) {
        PrintTree(
            root, resolver,
            [](const ResolvedPackage& p) {
                return p.info ? p.info->dependencies : std::vector<std::string>{};
            },
            out);
        return 0;
    }
    // Who needs whom among the entries of the list and what they need.
    std::unordered_map<std::string, std::vector<std::string>> neededBy;
    std::unordered_set<std::string> seen;
    std::vector<std::string> stack;
    for (const std::string& entry : ReadList(systemIni, w.section)) {
        stack.push_back(entry);
    }
    while (!stack.empty()) {
        std::string name = std::move(stack.back());
        stack.pop_back();
        if (!seen.insert(UpperAscii(name)).second) {
            continue;
        }
        const ResolvedPackage& p = resolver.Resolve(name);
        if (!p.info) {
            continue;
        }
        for (const std::string& d : p.info->dependencies) {
            neededBy[UpperAscii(d)].push_back(p.name);
            stack.push_back(d);
        }
    }
    auto found = neededBy.find(UpperAscii(root));
    if (found == neededBy.end()) {
        out << root << ": no entry of the list needs it\n";
        return 0;
    }
    PrintTree(
        root, resolver,
        [&](const ResolvedPackage& p) {
            auto it = neededBy.find(UpperAscii(p.name));
            return it != neededBy.end() ? it->second : std::vector<std::string>{};
        },
        out);
    return 0;
}

void AddCheckCommands(CLI::App& packages, Action& chosen) {
    {
        auto w = std::make_shared<PackagesWords>();
        CLI::App* command = packages.add_subcommand(
            "check",
            "keelson-cli packages check [--system-ini PATH] [--section NAME] [--json]\n"
            "Finds the entries that will stop the server or its clients: one line per\n"
            "finding (error, warning, note), errors first, then a summary; exit 4 when\n"
            "any error is found.");
        AddSystemIniOption(*command, *w);
        AddJsonFlag(*command, w->json);
        command->callback(
            [w, &chosen] { chosen = [w](std::ostream& out) { return Check(*w, out); }; });
    }
    {
        auto w = std::make_shared<PackagesWords>();
        CLI::App* command = packages.add_subcommand(
            "info",
            "keelson-cli packages info [--system-ini PATH] [--section NAME] [--json] NAME|FILE\n"
            "A package's header and the packages it needs; a word with a path separator\n"
            "or a package extension is a file, any other a name found through the Paths.");
        AddSystemIniOption(*command, *w);
        AddJsonFlag(*command, w->json);
        AddOperands(*command, "NAME|FILE", w->names, "a package name or file")->required();
        command->callback([w, &chosen] {
            if (w->names.size() != 1) {
                throw UsageError("give one NAME or FILE");
            }
            chosen = [w](std::ostream& out) { return Info(*w, out); };
        });
    }
    {
        auto w = std::make_shared<PackagesWords>();
        CLI::App* command = packages.add_subcommand(
            "deps",
            "keelson-cli packages deps [--system-ini PATH] [--section NAME] [--reverse] NAME\n"
            "The packages that NAME needs, as a tree with each one's file or \"missing\";\n"
            "--reverse: the entries of the list, and what they need, that need NAME.");
        AddSystemIniOption(*command, *w);
        command->add_flag("--reverse", w->reverse, "what needs NAME instead of what NAME needs");
        AddOperands(*command, "NAME", w->names, "a package name")->required();
        command->callback([w, &chosen] {
            if (w->names.size() != 1) {
                throw UsageError("give one NAME");
            }
            chosen = [w](std::ostream& out) { return Deps(*w, out); };
        });
    }
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
    AddCheckCommands(*packages, chosen);
    packages->footer(
        "Options may stand anywhere after the two command words, before or after names.\n"
        "--dry-run prints the resulting list instead of saving it. A list that would be\n"
        "empty is never saved (exit 3); a list that equals the file's is not written.\n");
}

}  // namespace keelson::cli
