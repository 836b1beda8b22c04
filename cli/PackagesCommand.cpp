// keelson-cli packages: the ServerPackages list of the system INI, edited
// with the Server Packages Editor's rules.

#include <optional>
#include <string>
#include <utility>

#include "cli/Cli.h"
#include "cli/StoredPaths.h"
#include "common/Errors.h"
#include "packages/PackageListRules.h"
#include "packages/SvPackFiles.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

const std::string_view kPackagesHelp =
    "  keelson-cli packages list [--system-ini PATH]\n"
    "      the ServerPackages list, one entry per line, in file order\n"
    "  keelson-cli packages paths [--system-ini PATH]\n"
    "      the Paths list, one pattern per line\n"
    "  keelson-cli packages add [--system-ini PATH] [--dry-run] NAME...\n"
    "  keelson-cli packages add [--system-ini PATH] [--dry-run] --group ut|bonus-pack\n"
    "  keelson-cli packages add [--system-ini PATH] [--dry-run] --preset FILE\n"
    "  keelson-cli packages add [--system-ini PATH] [--dry-run] --file PATH...\n"
    "      adds names not listed yet (letter case ignored), a fixed group, a preset's\n"
    "      packages (all or none), or the packages that files name\n"
    "  keelson-cli packages remove [--system-ini PATH] [--dry-run] NAME...\n"
    "  keelson-cli packages remove [--system-ini PATH] [--dry-run] --missing\n"
    "  keelson-cli packages remove [--system-ini PATH] [--dry-run] --filter METHOD TEXT\n"
    "      removes the entries that are a name, whose file is not found through the\n"
    "      Paths, or that match the filter (METHOD is, contains, doesnt-contain or\n"
    "      starts-with; letter case ignored)\n"
    "      Options come after the two command words in any order; NAME... and\n"
    "      --file take all the words that follow. --dry-run prints the resulting\n"
    "      list instead of saving it. An empty resulting list is never saved (exit 3).\n"
    "      --system-ini defaults to the stored PathToUtSysIni (keelson-cli settings show).\n";

namespace {

constexpr std::string_view kListUsage = "keelson-cli packages list [--system-ini PATH]";
constexpr std::string_view kPathsUsage = "keelson-cli packages paths [--system-ini PATH]";
constexpr std::string_view kAddUsage =
    "keelson-cli packages add [--system-ini PATH] [--dry-run] NAME... | --group ut|bonus-pack | "
    "--preset FILE | --file PATH...";
constexpr std::string_view kRemoveUsage =
    "keelson-cli packages remove [--system-ini PATH] [--dry-run] NAME... | --missing | "
    "--filter is|contains|doesnt-contain|starts-with TEXT";
constexpr std::string_view kGroupUsage =
    "keelson-cli packages list|paths|add|remove [--system-ini PATH] ... (see keelson-cli --help)";

constexpr std::string_view kEmptyListMessage =
    "The package list would be empty: the system INI is left unchanged";

// The words after "packages COMMAND".
struct Options {
    std::optional<std::string> systemIni;
    bool dryRun = false;
    bool missing = false;
    std::optional<std::string> group;
    std::optional<std::string> preset;
    std::optional<std::pair<std::string, std::string>> filter;
    bool files = false;              // --file: the words are file paths
    std::vector<std::string> words;  // names or, with --file, paths
};

Options ParseOptions(const Args& args, std::string_view usage) {
    Options options;
    auto fail = [&]() -> void { throw UsageError(std::string(usage)); };
    auto value = [&](std::size_t& i) -> std::string {
        if (i + 1 >= args.size()) {
            fail();
        }
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--system-ini") {
            if (options.systemIni) {
                fail();
            }
            options.systemIni = value(i);
        } else if (word == "--dry-run") {
            options.dryRun = true;
        } else if (word == "--missing") {
            options.missing = true;
        } else if (word == "--group") {
            if (options.group) {
                fail();
            }
            options.group = value(i);
        } else if (word == "--preset") {
            if (options.preset) {
                fail();
            }
            options.preset = value(i);
        } else if (word == "--filter") {
            if (options.filter) {
                fail();
            }
            std::string method = value(i);
            options.filter.emplace(std::move(method), value(i));
        } else if (word == "--file") {
            options.files = true;
            options.words.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            if (options.words.empty()) {
                fail();
            }
            break;
        } else if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
            fail();  // an unknown option, not a package called "--dryrun"
        } else {
            options.words.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
    }
    return options;
}

// The system INI to work on: the one named, or else the stored setting.
std::string SystemIniPath(const Options& options) {
    std::string path = options.systemIni ? *options.systemIni : StoredSystemIniPath();
    if (!platform::FileExists(path)) {
        throw FileError("File not found");
    }
    return path;
}

void Print(const PackageList& list, std::ostream& out) {
    for (const std::string& entry : list) {
        out << entry << '\n';
    }
}

// Saves the edited list, or with --dry-run prints it and reports what a
// save would have reported.
int Finish(const PackageList& list, const std::string& systemIni, bool dryRun, std::ostream& out) {
    if (dryRun) {
        Print(list, out);
    }
    if (list.Empty()) {
        throw ContentProblemExit(ContentProblem{{std::string(kEmptyListMessage)}});
    }
    if (dryRun) {
        CheckWritablePackageNames(list);
        if (!RewriteServerPackagesText(list, platform::ReadWholeFile(systemIni))) {
            throw ContentProblemExit(ContentProblem{{std::string(kNotUtIniMessage)}});
        }
        return 0;
    }
    if (std::optional<ContentProblem> problem = WriteServerPackages(list, systemIni)) {
        throw ContentProblemExit(std::move(*problem));
    }
    return 0;
}

int ListCommand(const Args& args, std::ostream& out, bool paths) {
    std::string_view usage = paths ? kPathsUsage : kListUsage;
    Options options = ParseOptions(args, usage);
    if (options.dryRun || options.missing || options.group || options.preset || options.filter ||
        options.files || !options.words.empty()) {
        throw UsageError(std::string(usage));
    }
    const std::string systemIni = SystemIniPath(options);
    if (paths) {
        std::vector<std::string> patterns;
        ReadSystemPaths(patterns, systemIni);
        for (const std::string& pattern : patterns) {
            out << pattern << '\n';
        }
    } else {
        PackageList list;
        ReadServerPackages(list, systemIni);
        Print(list, out);
    }
    return 0;
}

int AddCommand(const Args& args, std::ostream& out) {
    Options options = ParseOptions(args, kAddUsage);
    const int sources =
        (options.group ? 1 : 0) + (options.preset ? 1 : 0) + (options.words.empty() ? 0 : 1);
    if (sources != 1 || options.missing || options.filter) {
        throw UsageError(std::string(kAddUsage));
    }
    if (options.group && *options.group != "ut" && *options.group != "bonus-pack") {
        throw UsageError(std::string(kAddUsage));
    }
    const std::string systemIni = SystemIniPath(options);
    platform::FileLock lock(systemIni);
    PackageList list;
    ReadServerPackages(list, systemIni);
    if (options.group) {
        if (*options.group == "ut") {
            AddUTStandardPackages(list);
        } else {
            AddEpicBonusPackPackages(list);
        }
    } else if (options.preset) {
        if (!platform::FileExists(*options.preset)) {
            throw FileError("File not found");
        }
        PresetResult result = LoadPreset(list, *options.preset, [&] { return systemIni; });
        if (result.kind == PresetResult::Kind::NothingDone) {
            throw FileError("File not found");
        }
        if (result.kind != PresetResult::Kind::Added) {
            throw ContentProblemExit(result.Problem());
        }
    } else if (options.files) {
        for (const std::string& path : options.words) {
            if (!platform::FileExists(path)) {
                throw FileError("File not found");
            }
        }
        for (const std::string& path : options.words) {
            AddPackFile(list, path);
        }
    } else {
        for (const std::string& name : options.words) {
            AddPack(list, name);
        }
    }
    return Finish(list, systemIni, options.dryRun, out);
}

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

int RemoveCommand(const Args& args, std::ostream& out) {
    Options options = ParseOptions(args, kRemoveUsage);
    const int sources =
        (options.missing ? 1 : 0) + (options.filter ? 1 : 0) + (options.words.empty() ? 0 : 1);
    if (sources != 1 || options.files || options.group || options.preset) {
        throw UsageError(std::string(kRemoveUsage));
    }
    std::optional<TextFilterMethod> method;
    if (options.filter) {
        method = FilterMethodNamed(options.filter->first);
        if (!method) {
            throw UsageError(std::string(kRemoveUsage));
        }
    }
    const std::string systemIni = SystemIniPath(options);
    platform::FileLock lock(systemIni);
    PackageList list;
    ReadServerPackages(list, systemIni);
    if (options.missing) {
        RemoveMissingPackages(list, systemIni);
    } else if (method) {
        RemoveByTextFilter(list, *method, options.filter->second);
    } else {
        for (const std::string& name : options.words) {
            RemoveByTextFilter(list, TextFilterMethod::Is, name);
        }
    }
    return Finish(list, systemIni, options.dryRun, out);
}

}  // namespace

int RunPackages(const Args& args, std::ostream& out) {
    if (args.empty()) {
        throw UsageError(std::string(kGroupUsage));
    }
    const std::string& command = args[0];
    if (command == "list") {
        return ListCommand(args, out, false);
    }
    if (command == "paths") {
        return ListCommand(args, out, true);
    }
    if (command == "add") {
        return AddCommand(args, out);
    }
    if (command == "remove") {
        return RemoveCommand(args, out);
    }
    throw UsageError(std::string(kGroupUsage));
}

}  // namespace keelson::cli
