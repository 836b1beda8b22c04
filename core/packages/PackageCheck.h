#pragma once
// The package check: which ServerPackages entries will stop the server or
// its clients. The game loads every entry at each map start, and the
// packages each one imports, and stops when one cannot be loaded; clients
// are refused when they hold another build. The check finds, before the
// server starts, the entries whose file is missing or damaged, that are
// written with an extension or a path, that need a package without a file,
// that two files could be, and the like, by reading the packages' headers
// and import tables (see PackageFile.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/packages/PackageFile.h"
#include "core/packages/PackageSearch.h"
#include "core/packages/SvPackFiles.h"

namespace keelson {

enum class FindingSeverity { Error, Warning, Note };

// "error", "warning", "note".
std::string_view SeverityText(FindingSeverity severity);

// The index of a finding about the whole system INI.
inline constexpr std::size_t kWholeFile = static_cast<std::size_t>(-1);

struct PackageFinding {
    FindingSeverity severity = FindingSeverity::Error;
    // The list entry it is about, as listed; empty for a finding about the
    // whole system INI.
    std::string entry;
    // One sentence, starting in lower case, without a final period:
    // "needs package EnhancedItems, which has no file through Paths".
    std::string message;
    // The entry's place in the list (an entry listed twice has two), or
    // kWholeFile.
    std::size_t index = kWholeFile;
    bool operator==(const PackageFinding&) const = default;
};

// A package as the server would find it.
struct ResolvedPackage {
    std::string name;                 // as asked for
    std::vector<std::string> files;   // every file it could be; the first is loaded
    std::optional<PackageInfo> info;  // when the first file is a package
    std::string problem;              // else why it cannot be loaded (none: no file)

    const std::string* File() const { return files.empty() ? nullptr : &files.front(); }
};

// Finds packages through the Paths of a system INI and reads them, each
// once (letter case of a to z ignored).
class PackageResolver {
  public:
    PackageResolver(std::vector<std::string> paths, std::string systemIniFolder);
    // The Paths of the system INI (raises FileError when it cannot be read).
    static PackageResolver ForSystemIni(const std::string& systemIniPath);

    const ResolvedPackage& Resolve(std::string_view name);

  private:
    std::vector<std::string> paths_;
    std::string folder_;
    PackageFileCache cache_;
    std::unordered_map<std::string, ResolvedPackage> resolved_;
};

struct PackageCheckResult {
    // Errors first, then warnings, then notes; within each, the findings
    // about the whole file first, then the entries' in list order.
    std::vector<PackageFinding> findings;
    // Each entry of the list, in order, as found.
    std::vector<ResolvedPackage> entries;
    std::size_t Count(FindingSeverity severity) const;
};

// Checks a package list (as the editor shows it, not necessarily as saved)
// against the Paths of the system INI and the files on disk. section is the
// section the list belongs to, with or without brackets: the check warns
// when the server reads its ServerPackages from another one. Raises
// FileError when the system INI cannot be read; problems with package files
// are findings.
PackageCheckResult CheckPackages(const std::vector<std::string>& entries,
                                 const std::string& systemIniPath,
                                 std::string_view section = kGameEngineSection);

// True for the game's own packages, which every install holds (Core,
// Engine, Botpack, UnrealShare...).
bool IsGamePackage(std::string_view name);

}  // namespace keelson
