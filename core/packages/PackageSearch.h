#pragma once
// Whether a package's file exists: the Paths patterns of the system INI
// expanded for the package and looked up relative to the system INI's
// folder, whatever the letter case where file names are case-sensitive.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/Errors.h"
#include "core/packages/PackageListRules.h"
#include "platform/FileSystem.h"

namespace keelson {

// The relative path that a Paths pattern names for a package: every "*"
// becomes the name, "/" and "\" become the platform's separator.
// ../Textures/*.utx and SoldierSkins give ..\Textures\SoldierSkins.utx on
// Windows.
std::string ExpandPathPattern(std::string_view pattern, std::string_view packageName);

// The folders that the existence test has listed, kept for one operation so
// that testing many packages lists each folder once.
class PackageFileCache {
  public:
    // A folder's entries, grouped by their upper-cased names (a to z) in a
    // hash table made once per folder, each with what the listing tells of
    // it. Looking a name up builds no text.
    class Listing {
      public:
        std::size_t entryCount = 0;  // 0 also when the folder cannot be listed
        bool folderExists = false;

        // The entries whose names equal name in any letter case of a to z,
        // sorted by spelling; empty when there are none.
        std::span<const platform::FolderEntry> Spellings(std::string_view name) const;

        // Takes a folder's entries, in any order.
        void Hold(std::vector<platform::FolderEntry> entries);

      private:
        struct Group {
            std::uint32_t first = 0;  // in entries_
            std::uint32_t count = 0;
        };
        std::vector<platform::FolderEntry> entries_;  // each group's spellings together
        std::vector<Group> groups_;
        std::vector<std::uint64_t> slots_;  // open addressing, see Hold
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

// Every file that could be the package's file: each pattern expanded for
// the package, and on file systems where names are case-sensitive every
// spelling of it in any letter case, in the order PackageFileExists tries
// them, so that the first is the file the existence test finds. Only files
// count (no folders, FIFOs or devices); one file reached by two patterns or
// two links is listed once. Empty when the package has no file.
std::vector<std::string> FindPackageFiles(const std::vector<std::string>& paths,
                                          std::string_view packageName,
                                          const std::string& systemIniFolder,
                                          PackageFileCache* cache = nullptr);

// Deletes every entry whose file PackageFileExists does not find with the
// Paths of the system INI; the others keep their order. Returns the number
// deleted. With no Paths every entry goes.
std::size_t RemoveMissingPackages(PackageList& list, const std::string& systemIniPath,
                                  PackageFileCache* cache = nullptr);

}  // namespace keelson
