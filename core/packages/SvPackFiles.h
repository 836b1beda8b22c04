#pragma once
// The game's system INI as far as server packages go: the ServerPackages
// lines of "[ENGINE.GAMEENGINE]" and the Paths lines of "[CORE.SYSTEM]".
// With the test whether a package's file exists under those Paths
// (PackageSearch.h) and the preset files that add the packages of one
// modification at once (Presets.h), included below, it makes the server
// packages' file module.
//
// The system INI is read as lines (see GameText.h) and never parsed as INI.
// A section is read as the game reads it: from its header to the next line
// that begins with "[", empty lines included. Headers and keys are compared upper-cased (a to z
// only), with no blanks tolerated; values are taken unchanged. This is the only code that reads or
// writes the system INI, and it touches no other key.
//
// File errors raise FileError; recognised problems with a file's content
// are results.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/Errors.h"
#include "core/packages/PackageListRules.h"
#include "platform/FileSystem.h"

namespace keelson {

// The section that holds ServerPackages unless the server runs another
// engine class (see ReadGameEngineClass).
inline constexpr std::string_view kGameEngineSection = "[Engine.GameEngine]";

// "[NAME]" for a section's name given with or without its brackets.
std::string SectionHeader(std::string_view name);

// Every function below that takes a section works on that section's
// ServerPackages lines instead of the engine section's; the section is named
// with or without its brackets.

// Appends every ServerPackages value of the engine section, in file order; duplicates are kept and
// the list is not cleared first. A file without the engine section adds nothing.
void ReadServerPackages(PackageList& list, const std::string& systemIniPath,
                        std::string_view section = kGameEngineSection);

// Calls each(value) for every ServerPackages value of the engine section of
// a system INI's text, in file order, as ReadServerPackages reads them. The
// values point into text; nothing is copied, so a reader that only prints
// them holds no list.
void ForEachServerPackage(std::string_view text, std::string_view section,
                          const std::function<void(std::string_view value)>& each);

// The same for the system INI at a path, read a chunk of chunkSize bytes at
// a time, so that the file is never held whole; the values point into the
// chunk and last only for the call. Raises FileError.
void ForEachServerPackageInFile(const std::string& systemIniPath, std::string_view section,
                                const std::function<void(std::string_view value)>& each,
                                std::size_t chunkSize = 1 << 16);

// Rewrites the system INI with the list as its ServerPackages lines: the
// ServerPackages lines of the engine section go, and the list's lines
// ("ServerPackages=" + entry) stand before the section's first empty line,
// else before the next section's header, else at the end of the file. All
// other lines, ServerPackages lines of other sections included, keep their
// text and order; every line ends with CR LF.
// An empty list writes nothing. A file without the engine section is left
// alone and gives the problem "Error: This doesn't seem to be a UT INI
// file". An entry holding a line break or Ctrl-Z (which would break the
// file's lines) raises KeelsonError before anything is written. The new
// file replaces the old one only once it is complete; a file that cannot be
// replaced (read-only, for one) stays whole and raises "Cannot create file
// PATH". A file that holds the resulting text already is not written. The
// rewrite keeps the old content as a version and refuses an INI that a
// running game uses (GameRunningError), as the rewrite policy says.
std::optional<ContentProblem> WriteServerPackages(const PackageList& list,
                                                  const std::string& systemIniPath,
                                                  std::string_view section = kGameEngineSection);

// Raises the KeelsonError that WriteServerPackages raises for an entry that
// cannot stand on one line.
void CheckWritablePackageNames(const PackageList& list);

// The text that WriteServerPackages writes for a file's content, or nothing
// when the content has no engine section.
std::optional<std::string> RewriteServerPackagesText(const PackageList& list, std::string_view text,
                                                     std::string_view section = kGameEngineSection);

// The GameEngine= value of "[Engine.Engine]" (the first one), as written:
// "Engine.GameEngine" on most servers, another class where an engine
// extension runs; empty when the file names none.
std::string ReadGameEngineClass(const std::string& systemIniPath);

// Appends every Paths value of the "[CORE.SYSTEM]" section, in file order.
void ReadSystemPaths(std::vector<std::string>& paths, const std::string& systemIniPath);

}  // namespace keelson

#include "core/packages/PackageSearch.h"
#include "core/packages/Presets.h"
