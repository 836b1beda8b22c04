#include "core/packages/PackageSearch.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "core/common/UTSharedUtils1.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

#ifdef _WIN32
constexpr bool kCaseSensitiveFileNames = false;
#else
constexpr bool kCaseSensitiveFileNames = true;
#endif

// No file system takes a path longer than this; a longer candidate names no
// file, and is not even built (a pattern of many "*" and a long name would
// otherwise make a huge text). It also bounds the depth of the search below.
#ifdef _WIN32
constexpr std::size_t kMaxPathLength = 32767;
#else
constexpr std::size_t kMaxPathLength = 4096;
#endif

// Folder steps that one case-insensitive search may take. Real patterns
// need a handful; the limit only stops folders that link to themselves in
// several spellings from making the search endless.
constexpr int kSearchStepLimit = 4096;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && !IsSeparator(path.back())) {
        path += platform::kPathSeparator;
    }
    path.append(name);
    return path;
}

// A path that names its file by itself, not relative to a folder.
bool IsAbsolutePath(std::string_view path) {
    if (!path.empty() && IsSeparator(path[0])) {
        return true;
    }
#ifdef _WIN32
    return path.size() >= 2 && path[1] == ':';
#else
    return false;
#endif
}

std::size_t ExpandedLength(std::string_view pattern, std::string_view name) {
    std::size_t stars = static_cast<std::size_t>(std::count(pattern.begin(), pattern.end(), '*'));
    if (stars != 0 && name.size() > (kMaxPathLength + 1) / stars) {
        return kMaxPathLength + 1;
    }
    return pattern.size() - stars + stars * name.size();
}

// The entry spelt exactly so among a name's spellings, or none.
const platform::FolderEntry* Spelt(std::span<const platform::FolderEntry> spellings,
                                   std::string_view name) {
    auto at = std::lower_bound(
        spellings.begin(), spellings.end(), name,
        [](const platform::FolderEntry& e, std::string_view n) { return e.name < n; });
    return at != spellings.end() && at->name == name ? &*at : nullptr;
}

// Whether a listed entry is a file: the listing tells, except for links and
// entries of unknown kind.
bool IsFileEntry(platform::EntryKind kind, const std::string& path) {
    switch (kind) {
        case platform::EntryKind::File:
            return true;
        case platform::EntryKind::Folder:
        case platform::EntryKind::Other:
            return false;
        case platform::EntryKind::Unknown:
            break;
    }
    return platform::FileExists(path);
}

// Finds a file whatever the letter case of its name and of the folders on
// its way, below a folder that is taken as it is spelt. Each step tries the
// exact spelling first, then the other spellings that the folder holds.
class CaseInsensitiveSearch {
  public:
    // With found given, every file found goes there and the search goes on
    // to the other spellings; without, it stops at the first.
    CaseInsensitiveSearch(PackageFileCache& cache, std::vector<std::string_view> steps,
                          std::vector<std::string>* found = nullptr)
        : cache_(cache), steps_(std::move(steps)), found_(found) {}

    // exactTried: the path spelt exactly as given is known to be no file.
    bool FindBelow(const std::string& folder, bool exactTried) {
        return Find(folder, 0, exactTried);
    }

  private:
    bool Find(const std::string& folder, std::size_t step, bool exactSoFar) {
        if (++stepsTaken_ > kSearchStepLimit) {
            return false;
        }
        std::string_view name = steps_[step];
        if (name == "..") {
            // The parent as the system finds it (through links), not as
            // the text would suggest.
            return Find(Join(folder, name), step + 1, exactSoFar);
        }
        const bool last = step + 1 == steps_.size();
        const PackageFileCache::Listing& listing = cache_.ListingOf(folder);
        if (!listing.folderExists) {
            return false;
        }
        const std::span<const platform::FolderEntry> spellings = listing.Spellings(name);
        // A folder that cannot be listed may still be passed through: try
        // the exact spelling unless the listing shows that it is not there.
        const platform::FolderEntry* exact = Spelt(spellings, name);
        if (exact != nullptr || listing.entryCount == 0) {
            std::string path = Join(folder, name);
            platform::EntryKind kind =
                exact != nullptr ? exact->kind : platform::EntryKind::Unknown;
            if (last ? (!exactSoFar && IsFileEntry(kind, path) && Found(path))
                     : Find(path, step + 1, exactSoFar)) {
                return true;
            }
        }
        for (const platform::FolderEntry& spelling : spellings) {
            if (spelling.name == name) {
                continue;
            }
            std::string path = Join(folder, spelling.name);
            if (last ? IsFileEntry(spelling.kind, path) && Found(path)
                     : Find(path, step + 1, false)) {
                return true;
            }
        }
        return false;
    }

    // Whether the search ends with this file.
    bool Found(const std::string& path) {
        if (found_ == nullptr) {
            return true;
        }
        found_->push_back(path);
        return false;
    }

    PackageFileCache& cache_;
    std::vector<std::string_view> steps_;
    std::vector<std::string>* found_;
    int stepsTaken_ = 0;
};

// Splits a relative path into the names of its steps, dropping empty and
// "." steps. Empty when the path cannot name a file (it ends in a
// separator, "." or "..").
std::vector<std::string_view> PathSteps(std::string_view path) {
    std::vector<std::string_view> steps;
    std::size_t start = 0;
    std::string_view lastName;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        lastName = path.substr(start, end - start);
        if (!lastName.empty() && lastName != ".") {
            steps.push_back(lastName);
        }
        start = end + 1;
    }
    if (lastName.empty() || lastName == "." || lastName == "..") {
        steps.clear();
    }
    return steps;
}

// With found given, every file that the candidate names in any letter case
// goes there (the exact spelling first), and the result is false.
bool CandidateExists(const std::string& base, const std::string& relative, PackageFileCache& cache,
                     std::vector<std::string>* found = nullptr) {
    const bool absolute = IsAbsolutePath(relative);
    const std::string candidate = absolute ? relative : Join(base, relative);
    if (!kCaseSensitiveFileNames || found != nullptr) {
        const bool exists = platform::FileExists(candidate);
        if (found == nullptr) {
            return exists;
        }
        if (exists) {
            found->push_back(candidate);
        }
        if (!kCaseSensitiveFileNames) {
            return false;
        }
    }
    std::string_view rest = relative;
    std::string start = base;
    if (absolute) {
        start = std::string(1, platform::kPathSeparator);
        rest.remove_prefix(1);
    }
    std::vector<std::string_view> steps = PathSteps(rest);
    if (steps.empty()) {
        return found == nullptr && platform::FileExists(candidate);
    }
    if (found != nullptr) {
        return CaseInsensitiveSearch(cache, std::move(steps), found).FindBelow(start, true);
    }
    // Once the search has listed the folder it starts from (for an earlier
    // package), the listings answer for the exact spelling as well: the
    // search tries it first. Until then one look at the exact path spares
    // listing folders when every package is spelt as on disk.
    std::string firstListed = start;
    for (std::size_t i = 0; i + 1 < steps.size() && steps[i] == ".."; ++i) {
        firstListed = Join(firstListed, "..");
    }
    if (cache.HeldListingOf(firstListed) != nullptr) {
        return CaseInsensitiveSearch(cache, std::move(steps)).FindBelow(start, false);
    }
    if (platform::FileExists(candidate)) {
        return true;
    }
    return CaseInsensitiveSearch(cache, std::move(steps)).FindBelow(start, true);
}

}  // namespace

std::string ExpandPathPattern(std::string_view pattern, std::string_view packageName) {
    std::string result;
    result.reserve(ExpandedLength(pattern, packageName));
    for (char c : pattern) {
        if (c == '*') {
            result.append(packageName);
        } else {
            result += c;
        }
    }
    // The name's own separators count too, as they would on Windows.
    std::replace_if(result.begin(), result.end(), IsSeparator, platform::kPathSeparator);
    return result;
}

namespace {

// Calls visit(base, candidate) with each Paths pattern that can name a file
// for the package, expanded, until visit answers true; the folder listings
// come from the cache given, or from one of its own. True when visit did.
bool ForEachCandidate(
    const std::vector<std::string>& paths, std::string_view packageName,
    const std::string& systemIniFolder, PackageFileCache* cache,
    const std::function<bool(const std::string& base, const std::string& candidate,
                             PackageFileCache& folders)>& visit) {
    // A NUL byte would cut the path short at the system's door.
    if (packageName.find('\0') != std::string_view::npos) {
        return false;
    }
    PackageFileCache ownCache;
    PackageFileCache& folders = cache != nullptr ? *cache : ownCache;
    const std::string base = systemIniFolder.empty() ? std::string(".") : systemIniFolder;
    for (const std::string& pattern : paths) {
        if (pattern.find('\0') != std::string::npos ||
            base.size() + 1 + ExpandedLength(pattern, packageName) > kMaxPathLength) {
            continue;
        }
        if (visit(base, ExpandPathPattern(pattern, packageName), folders)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool PackageFileExists(const std::vector<std::string>& paths, std::string_view packageName,
                       const std::string& systemIniFolder, PackageFileCache* cache) {
    return ForEachCandidate(
        paths, packageName, systemIniFolder, cache,
        [](const std::string& base, const std::string& candidate, PackageFileCache& folders) {
            return CandidateExists(base, candidate, folders);
        });
}

std::vector<std::string> FindPackageFiles(const std::vector<std::string>& paths,
                                          std::string_view packageName,
                                          const std::string& systemIniFolder,
                                          PackageFileCache* cache) {
    std::vector<std::string> files;
    ForEachCandidate(
        paths, packageName, systemIniFolder, cache,
        [&](const std::string& base, const std::string& candidate, PackageFileCache& folders) {
            std::vector<std::string> found;
            CandidateExists(base, candidate, folders, &found);
            for (std::string& path : found) {
                // One file reached by two patterns, or through a link, is one.
                if (std::none_of(files.begin(), files.end(), [&](const std::string& known) {
                        return known == path || platform::SameFile(known, path);
                    })) {
                    files.push_back(std::move(path));
                }
            }
            return false;  // every pattern
        });
    return files;
}

namespace {

// A Paths pattern made ready for testing many packages: every folder that
// the pattern's path names in any letter case, found once and listed, and
// the pattern's file name, in which "*" stands for the package's name. Each package then costs
// one look into each folder's table and builds no text, where the search
// above would walk the folders again for every package. Patterns that this
// cannot answer for (a "*" among the folders, an absolute path, no "*" in
// the file's name) are left to that search.
struct PreparedPattern {
    const std::string* pattern = nullptr;
    bool bySearch = false;
    std::string_view fileName;
    struct Folder {
        std::string path;
        const PackageFileCache::Listing* listing;
    };
    std::vector<Folder> folders;
};

// Folders gathered for one pattern at most: beyond that only folders that
// link to themselves in many spellings remain, and the search above ends
// those by its step limit.
constexpr std::size_t kMaxPreparedFolders = 256;

// Adds every folder that steps[step...] names below folder, whatever the
// letter case, in the order the search tries them. False when there were
// too many.
bool GatherFolders(PackageFileCache& cache, const std::string& folder,
                   const std::vector<std::string_view>& steps, std::size_t step,
                   std::vector<PreparedPattern::Folder>& out) {
    if (out.size() > kMaxPreparedFolders) {
        return false;
    }
    if (step == steps.size()) {
        const PackageFileCache::Listing& listing = cache.ListingOf(folder);
        if (listing.folderExists) {
            out.push_back({folder, &listing});
        }
        return true;
    }
    std::string_view name = steps[step];
    if (name == "..") {
        return GatherFolders(cache, Join(folder, name), steps, step + 1, out);
    }
    const PackageFileCache::Listing& listing = cache.ListingOf(folder);
    if (!listing.folderExists) {
        return true;
    }
    const std::span<const platform::FolderEntry> spellings = listing.Spellings(name);
    if (Spelt(spellings, name) != nullptr || listing.entryCount == 0) {
        if (!GatherFolders(cache, Join(folder, name), steps, step + 1, out)) {
            return false;
        }
    }
    for (const platform::FolderEntry& spelling : spellings) {
        if (spelling.name != name &&
            !GatherFolders(cache, Join(folder, spelling.name), steps, step + 1, out)) {
            return false;
        }
    }
    return true;
}

PreparedPattern Prepare(const std::string& pattern, const std::string& base,
                        PackageFileCache& cache) {
    PreparedPattern prepared;
    prepared.pattern = &pattern;
    prepared.bySearch = true;
    std::size_t cut = pattern.size();
    while (cut > 0 && !IsSeparator(pattern[cut - 1])) {
        --cut;
    }
    const std::string_view folderPath = std::string_view(pattern).substr(0, cut);
    prepared.fileName = std::string_view(pattern).substr(cut);
    if (!kCaseSensitiveFileNames || IsAbsolutePath(pattern) ||
        pattern.find('\0') != std::string::npos || folderPath.find('*') != std::string_view::npos ||
        prepared.fileName.find('*') == std::string_view::npos) {
        return prepared;
    }
    std::vector<std::string_view> steps;
    for (std::string_view rest = folderPath; !rest.empty();) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) {
            ++end;
        }
        std::string_view name = rest.substr(0, end);
        if (!name.empty() && name != ".") {
            steps.push_back(name);
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    prepared.bySearch = !GatherFolders(cache, base, steps, 0, prepared.folders);
    return prepared;
}

// The file name pattern expanded for the package, into name; false when that cannot
// name a file in a folder (the package's own separators or NUL bytes, an
// empty name, "." or ".."): the search answers for those.
bool ExpandFileName(std::string_view fileName, std::string_view packageName, std::string& name) {
    if (packageName.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        return false;
    }
    name.clear();
    for (char c : fileName) {
        if (c == '*') {
            name.append(packageName);
        } else {
            name.push_back(c);
        }
    }
    return !name.empty() && name != "." && name != "..";
}

// Whether one of the folders holds a file of that name in any letter case.
bool FoundInFolders(const PreparedPattern& prepared, const std::string& name, std::string& path) {
    for (const PreparedPattern::Folder& folder : prepared.folders) {
        const std::span<const platform::FolderEntry> spellings = folder.listing->Spellings(name);
        auto isFile = [&](platform::EntryKind kind, std::string_view spelling) {
            if (kind != platform::EntryKind::Unknown) {
                return kind == platform::EntryKind::File;
            }
            path.assign(folder.path);
            if (!path.empty() && !IsSeparator(path.back())) {
                path += platform::kPathSeparator;
            }
            path.append(spelling);
            return platform::FileExists(path);
        };
        const platform::FolderEntry* exact = Spelt(spellings, name);
        if ((exact != nullptr || folder.listing->entryCount == 0) &&
            isFile(exact != nullptr ? exact->kind : platform::EntryKind::Unknown, name)) {
            return true;
        }
        for (const platform::FolderEntry& spelling : spellings) {
            if (spelling.name != name && isFile(spelling.kind, spelling.name)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::size_t RemoveMissingPackages(PackageList& list, const std::string& systemIniPath,
                                  PackageFileCache* cache) {
    std::vector<std::string> paths;
    ReadSystemPaths(paths, systemIniPath);
    if (list.Empty()) {
        return 0;
    }
    PackageFileCache ownCache;
    PackageFileCache& folders = cache != nullptr ? *cache : ownCache;
    const std::string folder = FolderOfPath(systemIniPath);
    const std::string base = folder.empty() ? std::string(".") : folder;
    std::vector<PreparedPattern> prepared;
    prepared.reserve(paths.size());
    for (const std::string& pattern : paths) {
        prepared.push_back(Prepare(pattern, base, folders));
    }
    // Reused for every package, so that the test allocates nothing once they
    // have grown to the longest name.
    std::string name;
    std::string path;
    // The patterns in order, each skipped as ForEachCandidate skips it.
    return list.RemoveIf([&](std::size_t, const std::string& entry) {
        if (entry.find('\0') != std::string::npos) {
            return true;
        }
        for (const PreparedPattern& p : prepared) {
            if (p.pattern->find('\0') != std::string::npos ||
                base.size() + 1 + ExpandedLength(*p.pattern, entry) > kMaxPathLength) {
                continue;
            }
            if (p.bySearch || !ExpandFileName(p.fileName, entry, name)) {
                if (CandidateExists(base, ExpandPathPattern(*p.pattern, entry), folders)) {
                    return false;
                }
            } else if (FoundInFolders(p, name, path)) {
                return false;
            }
        }
        return true;
    });
}

}  // namespace keelson
