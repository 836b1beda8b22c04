#pragma once
// The game's system INI as far as server packages go: the ServerPackages
// lines of "[ENGINE.GAMEENGINE]", the Paths lines of "[CORE.SYSTEM]", the
// test whether a package's file exists under those Paths, and preset files
// that add the packages of one modification at once.
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

// Appends every ServerPackages value of the engine section, in file order; duplicates are kept and
// the list is not cleared first. A file without the engine section adds nothing.
void ReadServerPackages(PackageList& list, const std::string& systemIniPath);

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
// PATH".
std::optional<ContentProblem> WriteServerPackages(const PackageList& list,
                                                  const std::string& systemIniPath);

// Raises the KeelsonError that WriteServerPackages raises for an entry that
// cannot stand on one line.
void CheckWritablePackageNames(const PackageList& list);

// The text that WriteServerPackages writes for a file's content, or nothing
// when the content has no engine section.
std::optional<std::string> RewriteServerPackagesText(const PackageList& list,
                                                     std::string_view text);

// Appends every Paths value of the "[CORE.SYSTEM]" section, in file order.
void ReadSystemPaths(std::vector<std::string>& paths, const std::string& systemIniPath);

// The relative path that a Paths pattern names for a package: every "*"
// becomes the name, "/" and "\" become the platform's separator.
// ../Textures/*.utx and SoldierSkins give ..\Textures\SoldierSkins.utx on
// Windows.
std::string ExpandPathPattern(std::string_view pattern, std::string_view packageName);

// The folders that the existence test has listed, kept for one operation so
// that testing many packages lists each folder once.
class PackageFileCache {
  public:
    // A folder's entries by their upper-cased names (a to z), each with the
    // spellings that it has there and what the listing tells of them,
    // sorted by spelling.
    struct Listing {
        std::size_t entryCount = 0;  // 0 also when the folder cannot be listed
        bool folderExists = false;
        std::unordered_map<std::string, std::vector<platform::FolderEntry>> byUpperName;
    };

    // The listing of a folder, read from the file system on first use.
    const Listing& ListingOf(const std::string& folder);

    // The listing of a folder when it has been read already, else nothing.
    const Listing* HeldListingOf(const std::string& folder) const;

    // How many folders have been listed so far.
    std::size_t FoldersListed() const { return folders_.size(); }

  private:
    std::unordered_map<std::string, Listing> folders_;
};

// True when one of the patterns, expanded for the package, names an existing
// file (not a folder) relative to the system INI's folder; an absolute
// pattern names its file as it stands. Patterns are tried in order. Where
// file names are case-sensitive, the file is found whatever the letter case
// of its name and of the folders in the pattern, the exact spelling first,
// and the folders that the cache has listed answer without asking the file
// system again (only links and entries of unknown kind are looked at).
// Without a cache the test uses one of its own.
bool PackageFileExists(const std::vector<std::string>& paths, std::string_view packageName,
                       const std::string& systemIniFolder, PackageFileCache* cache = nullptr);

// Deletes every entry whose file PackageFileExists does not find with the
// Paths of the system INI; the others keep their order. Returns the number
// deleted. With no Paths every entry goes.
std::size_t RemoveMissingPackages(PackageList& list, const std::string& systemIniPath,
                                  PackageFileCache* cache = nullptr);

// Preset files: line 1 the modification's name, line 2 free text, line 3
// its website (may be empty), then one package per line. Lines end at CR LF,
// a lone CR or a lone LF; a line break at the very end adds no empty line;
// lines are taken as they stand.
std::vector<std::string_view> SplitPresetLines(std::string_view text);

// Shown in the missing-modification notice when a preset names no website.
inline constexpr std::string_view kNoWebsiteText =
    "<no website given: try www.moddb.com or unrealarchive.org>";

// What LoadPreset did.
struct PresetResult {
    enum class Kind {
        NothingDone,          // no file at the preset's path
        InvalidPreset,        // fewer than four lines; nothing added
        MissingModification,  // a package's file is missing; nothing added
        Added,                // every package appended
    };
    Kind kind = Kind::NothingDone;
    std::string message;         // InvalidPreset: "Invalid preset file: " + path
    std::string presetFileName;  // MissingModification: the notice's three texts
    std::string modificationName;
    std::string website;
    std::size_t added = 0;  // Added: how many entries were appended

    // The texts to show: the message, or the notice's three texts.
    ContentProblem Problem() const;
};

// Applies a preset: when every package of it is found with the Paths of the
// system INI, appends them all, in file order and without a duplicate test.
// systemIniPath is asked only once the preset has proved valid (it may
// prompt the user); when no file exists at the path it gives, every package
// counts as missing.
PresetResult LoadPreset(PackageList& list, const std::string& presetPath,
                        const std::function<std::string()>& systemIniPath,
                        PackageFileCache* cache = nullptr);

}  // namespace keelson
