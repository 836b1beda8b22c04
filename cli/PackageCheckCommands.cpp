// keelson-cli packages check, info and deps: what the packages of the
// ServerPackages list are and need, read from their files.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "cli/Json.h"
#include "cli/PackagesCommands.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/packages/PackageCheck.h"
#include "core/packages/PackageFile.h"
#include "core/packages/PackageListRules.h"

namespace keelson::cli {

namespace {

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

}  // namespace

void AddPackageCheckCommands(CLI::App& packages, Action& chosen) {
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

}  // namespace keelson::cli
