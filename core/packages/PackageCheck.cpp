#include "core/packages/PackageCheck.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>
#include <utility>

#include "core/common/UTSharedUtils1.h"

namespace keelson {

namespace {

// The code, sound, music and texture packages of a standard install with
// its patches and bonus packs.
// clang-format off
constexpr std::string_view kGamePackages[] = {
    "CORE", "ENGINE", "EDITOR", "BOTPACK", "UNREALSHARE", "UNREALI", "UWINDOW", "UMENU",
    "UBROWSER", "UWEB", "IPDRV", "IPSERVER", "FIRE", "UTMENU", "UTBROWSER", "UTSERVERADMIN",
    "UTSERVERADMINSKINS", "IPSERVERADMIN", "ANNOUNCER", "LADDERSOUNDS", "LADDERFONTS", "LADDER16",
    "LADDER256", "LADDERAUDIO", "BOSSVOICE", "FEMALE1VOICE", "FEMALE2VOICE", "MALE1VOICE",
    "MALE2VOICE", "MALESOUNDS", "FEMALESOUNDS", "BOSSSKINS", "COMMANDOSKINS", "FCOMMANDOSKINS",
    "SGIRLSKINS", "SOLDIERSKINS", "EPICCUSTOMMODELS", "MULTIMESH", "RELICS", "RELICSBINDINGS",
    "TSKMSKINS", "TNALIMESHSKINS", "TCOWMESHSKINS", "UTTECH1", "UTTECH2", "UTTECH3"};
// clang-format on

bool HasPathOrExtension(std::string_view entry) {
    return entry.find_first_of("./\\") != std::string_view::npos;
}

// The package name that an entry written as a file means: "Mods/Foo.u"
// is "Foo".
std::string_view StemOf(std::string_view entry) {
    std::size_t slash = entry.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        entry.remove_prefix(slash + 1);
    }
    return entry.substr(0, entry.find('.'));
}

std::string WhyUnloadable(const ResolvedPackage& p) {
    return "whose file " + *p.File() + " cannot be loaded: " + p.problem;
}

std::string JoinFiles(const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& f : files) {
        text += (text.empty() ? "" : ", ") + f;
    }
    return text;
}

// The finding about the section the list is in, when the server reads its
// ServerPackages from another one.
std::optional<PackageFinding> SectionFinding(const std::string& systemIniPath,
                                             std::string_view section) {
    const std::string engine = ReadGameEngineClass(systemIniPath);
    const std::string used =
        engine.empty() ? std::string(kGameEngineSection) : SectionHeader(engine);
    const std::string listed = SectionHeader(section);
    if (UpperAscii(used) == UpperAscii(listed)) {
        return std::nullopt;
    }
    std::string message;
    if (UpperAscii(used) != UpperAscii(kGameEngineSection)) {
        message = "the server does not use " + std::string(kGameEngineSection) +
                  ": its [Engine.Engine] names GameEngine=" + engine + ", so ";
    }
    message += "the game reads ServerPackages from " + used + ", not from " + listed;
    return PackageFinding{FindingSeverity::Warning, "", std::move(message)};
}

}  // namespace

std::string_view SeverityText(FindingSeverity severity) {
    switch (severity) {
        case FindingSeverity::Error:
            return "error";
        case FindingSeverity::Warning:
            return "warning";
        case FindingSeverity::Note:
            break;
    }
    return "note";
}

bool IsGamePackage(std::string_view name) {
    const std::string upper = UpperAscii(name);
    return std::find(std::begin(kGamePackages), std::end(kGamePackages), upper) !=
           std::end(kGamePackages);
}

PackageResolver::PackageResolver(std::vector<std::string> paths, std::string systemIniFolder)
    : paths_(std::move(paths)), folder_(std::move(systemIniFolder)) {}

PackageResolver PackageResolver::ForSystemIni(const std::string& systemIniPath) {
    std::vector<std::string> paths;
    ReadSystemPaths(paths, systemIniPath);
    return PackageResolver(std::move(paths), FolderOfPath(systemIniPath));
}

const ResolvedPackage& PackageResolver::Resolve(std::string_view name) {
    auto [it, added] = resolved_.try_emplace(UpperAscii(name));
    ResolvedPackage& p = it->second;
    if (!added) {
        return p;
    }
    p.name = std::string(name);
    p.files = FindPackageFiles(paths_, name, folder_, &cache_);
    if (!p.files.empty()) {
        try {
            p.info = ReadPackageFile(p.files.front());
        } catch (const PackageFormatError& e) {
            p.problem = e.what();
        } catch (const KeelsonError& e) {
            p.problem = e.what();
        }
    }
    return p;
}

std::size_t PackageCheckResult::Count(FindingSeverity severity) const {
    return static_cast<std::size_t>(
        std::count_if(findings.begin(), findings.end(),
                      [&](const PackageFinding& f) { return f.severity == severity; }));
}

PackageCheckResult CheckPackages(const std::vector<std::string>& entries,
                                 const std::string& systemIniPath, std::string_view section) {
    PackageCheckResult result;
    PackageResolver resolver = PackageResolver::ForSystemIni(systemIniPath);
    if (std::optional<PackageFinding> f = SectionFinding(systemIniPath, section)) {
        result.findings.push_back(std::move(*f));
    }
    // Packages that load with everything they need.
    std::unordered_set<std::string> clean;
    // Each name's first place in the list.
    std::unordered_map<std::string, std::size_t> listedAt;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        listedAt.try_emplace(UpperAscii(entries[i]), i);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        auto add = [&](FindingSeverity severity, std::string message) {
            result.findings.push_back({severity, entry, std::move(message), i});
        };
        if (listedAt[UpperAscii(entry)] != i) {
            add(FindingSeverity::Warning, "is listed twice");
            result.entries.push_back(result.entries[listedAt[UpperAscii(entry)]]);
            continue;
        }
        if (HasPathOrExtension(entry)) {
            add(FindingSeverity::Error,
                "is written with an extension or a path: the game looks for a package named "
                "exactly \"" +
                    entry + "\"; write it as \"" + std::string(StemOf(entry)) + "\"");
            result.entries.push_back(ResolvedPackage{entry, {}, std::nullopt, ""});
            continue;
        }
        const ResolvedPackage& package = resolver.Resolve(entry);
        result.entries.push_back(package);
        result.entries.back().name = entry;
        if (package.File() == nullptr) {
            add(FindingSeverity::Error,
                "has no file through Paths: the server stops with \"Failed to load '" + entry +
                    "': Can't find file '" + entry + "'\"");
            continue;
        }
        if (!package.info) {
            add(FindingSeverity::Error,
                "its file " + *package.File() + " cannot be loaded: " + package.problem);
            continue;
        }
        if (package.files.size() > 1) {
            add(FindingSeverity::Warning, "more than one file could be this package (" +
                                              JoinFiles(package.files) +
                                              "): which one the game loads is undefined");
        }
        if ((package.info->flags & kPackageServerSideOnly) != 0) {
            add(FindingSeverity::Warning,
                "is marked server-side only, so listing it sends nothing to clients");
        }
        // The packages it needs directly that the list lacks, or holds later.
        for (const std::string& name : package.info->dependencies) {
            const std::string upper = UpperAscii(name);
            if (IsGamePackage(name) || upper == UpperAscii(entry) || !resolver.Resolve(name).info) {
                continue;  // an unloadable one is an error below
            }
            auto listed = listedAt.find(upper);
            if (listed == listedAt.end()) {
                add(FindingSeverity::Note, "needs package " + name +
                                               ", which is not in the list (the game usually "
                                               "sends it anyway)");
            } else if (listed->second > i) {
                add(FindingSeverity::Note, "needs package " + name + ", which is listed after it");
            }
        }
        // Everything the entry needs, through an explicit stack: chains of
        // any depth and cycles cost one visit per package, and packages that
        // an earlier entry showed to load with all they need are not
        // followed again.
        struct Step {
            std::string name;
            std::string through;  // the package that needs it, empty for the entry
        };
        std::vector<std::string> visited{UpperAscii(entry)};
        std::unordered_set<std::string> seen{visited.front()};
        std::vector<Step> stack;
        const std::size_t findingsBefore = result.findings.size();
        for (auto it = package.info->dependencies.rbegin(); it != package.info->dependencies.rend();
             ++it) {
            stack.push_back({*it, ""});
        }
        while (!stack.empty()) {
            Step step = std::move(stack.back());
            stack.pop_back();
            std::string upper = UpperAscii(step.name);
            if (clean.count(upper) != 0 || !seen.insert(upper).second) {
                continue;
            }
            visited.push_back(std::move(upper));
            const std::string needs = "needs package " + step.name +
                                      (step.through.empty() ? "" : " through " + step.through);
            const ResolvedPackage& dependency = resolver.Resolve(step.name);
            if (dependency.File() == nullptr) {
                add(FindingSeverity::Error, needs + ", which has no file through Paths");
                continue;
            }
            if (!dependency.info) {
                add(FindingSeverity::Error, needs + ", " + WhyUnloadable(dependency));
                continue;
            }
            const std::vector<std::string>& next = dependency.info->dependencies;
            for (auto it = next.rbegin(); it != next.rend(); ++it) {
                stack.push_back({*it, dependency.name});
            }
        }
        const bool allLoad = std::none_of(
            result.findings.begin() + static_cast<std::ptrdiff_t>(findingsBefore),
            result.findings.end(),
            [](const PackageFinding& f) { return f.severity == FindingSeverity::Error; });
        if (allLoad) {
            clean.insert(visited.begin(), visited.end());
        }
    }
    std::stable_sort(
        result.findings.begin(), result.findings.end(),
        [](const PackageFinding& a, const PackageFinding& b) { return a.severity < b.severity; });
    return result;
}

}  // namespace keelson
