#include "core/packages/SvPackFiles.h"

#include <algorithm>
#include <cstring>

#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

constexpr std::string_view kEngineHeader = "[ENGINE.GAMEENGINE]";
constexpr std::string_view kSystemHeader = "[CORE.SYSTEM]";
constexpr std::string_view kServerPackagesKey = "SERVERPACKAGES=";
constexpr std::string_view kPathsKey = "PATHS=";
constexpr std::string_view kWrittenKey = "ServerPackages=";

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

// The game reads a section from its header to the next line that begins
// with "[": empty lines inside it (common in hand-edited files) do not end it.
bool EndsSection(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

// Calls add(value) for every value of the key in the first section with
// that header.
template <typename Add>
void ForEachSectionValue(std::string_view text, std::string_view header, std::string_view key,
                         Add add) {
    enum { BeforeHeader, InSection } where = BeforeHeader;
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        if (where == BeforeHeader) {
            if (EqualsUpper(line, header)) {
                where = InSection;
            }
            return true;
        }
        if (EndsSection(line)) {
            return false;
        }
        if (StartsWithUpper(line, key)) {
            add(line.substr(key.size()));
        }
        return true;
    });
}

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
const platform::FolderEntry* Spelt(const std::vector<platform::FolderEntry>& spellings,
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
    CaseInsensitiveSearch(PackageFileCache& cache, std::vector<std::string_view> steps)
        : cache_(cache), steps_(std::move(steps)) {}

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
        const std::vector<platform::FolderEntry>* spellings = nullptr;
        auto found = listing.byUpperName.find(UpperAscii(name));
        if (found != listing.byUpperName.end()) {
            spellings = &found->second;
        }
        // A folder that cannot be listed may still be passed through: try
        // the exact spelling unless the listing shows that it is not there.
        const platform::FolderEntry* exact =
            spellings != nullptr ? Spelt(*spellings, name) : nullptr;
        if (exact != nullptr || listing.entryCount == 0) {
            std::string path = Join(folder, name);
            platform::EntryKind kind =
                exact != nullptr ? exact->kind : platform::EntryKind::Unknown;
            if (last ? (!exactSoFar && IsFileEntry(kind, path))
                     : Find(path, step + 1, exactSoFar)) {
                return true;
            }
        }
        if (spellings == nullptr) {
            return false;
        }
        for (const platform::FolderEntry& spelling : *spellings) {
            if (spelling.name == name) {
                continue;
            }
            std::string path = Join(folder, spelling.name);
            if (last ? IsFileEntry(spelling.kind, path) : Find(path, step + 1, false)) {
                return true;
            }
        }
        return false;
    }

    PackageFileCache& cache_;
    std::vector<std::string_view> steps_;
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

bool CandidateExists(const std::string& base, const std::string& relative,
                     PackageFileCache& cache) {
    const bool absolute = IsAbsolutePath(relative);
    const std::string candidate = absolute ? relative : Join(base, relative);
    if (!kCaseSensitiveFileNames) {
        return platform::FileExists(candidate);
    }
    std::string_view rest = relative;
    std::string start = base;
    if (absolute) {
        start = std::string(1, platform::kPathSeparator);
        rest.remove_prefix(1);
    }
    std::vector<std::string_view> steps = PathSteps(rest);
    if (steps.empty()) {
        return platform::FileExists(candidate);
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

// A line break or Ctrl-Z inside an entry would end its line early and turn
// the rest into a line of its own.
void CheckWritablePackageNames(const PackageList& list) {
    for (const std::string& entry : list) {
        if (entry.find_first_of("\r\n\x1A") != std::string::npos) {
            throw KeelsonError(
                "Invalid package name: a name cannot contain a line break or a Ctrl-Z character");
        }
    }
}

void ReadServerPackages(PackageList& list, const std::string& systemIniPath) {
    const std::string text = platform::ReadWholeFile(systemIniPath);
    std::vector<std::string> values;
    ForEachSectionValue(text, kEngineHeader, kServerPackagesKey,
                        [&](std::string_view value) { values.emplace_back(value); });
    list.AppendAll(std::move(values));
}

std::optional<std::string> RewriteServerPackagesText(const PackageList& list,
                                                     std::string_view text) {
    std::size_t listBytes = 0;
    for (const std::string& entry : list) {
        listBytes += kWrittenKey.size() + entry.size() + 2;
    }
    std::string out;
    // Room for the list and for CR LF where the file has lone line ends.
    out.reserve(text.size() + text.size() / 16 + listBytes);
    // Lines that already end with CR LF and stay are copied in one piece.
    const char* runStart = nullptr;
    const char* runEnd = nullptr;
    auto flush = [&] {
        if (runStart != nullptr) {
            out.append(runStart, static_cast<std::size_t>(runEnd - runStart));
            runStart = nullptr;
        }
    };
    auto addLine = [&](std::string_view line) { out.append(line).append("\r\n"); };
    auto addList = [&] {
        flush();
        for (const std::string& entry : list) {
            out.append(kWrittenKey).append(entry).append("\r\n");
        }
    };
    // Only the engine section's ServerPackages lines are the list; the list
    // goes before the section's first empty line, else before the next
    // section's header, else at the end of the file.
    enum { BeforeHeader, InSection, AfterSection } where = BeforeHeader;
    bool listInserted = false;
    out.append(LeadingBom(text));
    ForEachGameTextLine(text, [&](std::string_view line, bool endsWithCrLf) {
        if (where == BeforeHeader) {
            if (EqualsUpper(line, kEngineHeader)) {
                where = InSection;
            }
        } else if (where == InSection) {
            if (EndsSection(line)) {
                where = AfterSection;
            }
            if (!listInserted && (line.empty() || where == AfterSection)) {
                addList();
                listInserted = true;
            }
        }
        if (where == InSection && StartsWithUpper(line, kServerPackagesKey)) {
            flush();
        } else if (endsWithCrLf) {
            if (runStart == nullptr) {
                runStart = line.data();
            }
            runEnd = line.data() + line.size() + 2;
        } else {
            flush();
            addLine(line);
        }
        return true;
    });
    flush();
    if (where == BeforeHeader) {
        return std::nullopt;
    }
    // The engine section runs to the end of the file.
    if (!listInserted) {
        addList();
    }
    return out;
}

std::optional<ContentProblem> WriteServerPackages(const PackageList& list,
                                                  const std::string& systemIniPath) {
    if (list.Empty()) {
        return std::nullopt;
    }
    CheckWritablePackageNames(list);
    // Held from the read to the rewrite, so that a change another program
    // makes meanwhile is not lost.
    platform::FileLock lock(systemIniPath);
    std::optional<std::string> rewritten =
        RewriteServerPackagesText(list, platform::ReadWholeFile(systemIniPath));
    if (!rewritten) {
        return ContentProblem{{std::string(kNotUtIniMessage)}};
    }
    platform::WriteFileAtomically(systemIniPath, *rewritten,
                                  platform::CreateFailure::CannotCreateFile);
    return std::nullopt;
}

void ReadSystemPaths(std::vector<std::string>& paths, const std::string& systemIniPath) {
    const std::string text = platform::ReadWholeFile(systemIniPath);
    ForEachSectionValue(text, kSystemHeader, kPathsKey,
                        [&](std::string_view value) { paths.emplace_back(value); });
}

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

const PackageFileCache::Listing& PackageFileCache::ListingOf(const std::string& folder) {
    auto [it, inserted] = folders_.try_emplace(folder);
    if (inserted) {
        Listing& listing = it->second;
        std::vector<platform::FolderEntry> entries = platform::ListFolderEntries(folder);
        listing.entryCount = entries.size();
        listing.folderExists = !entries.empty() || platform::FolderExists(folder);
        listing.byUpperName.reserve(entries.size());
        for (platform::FolderEntry& entry : entries) {
            std::string upper = UpperAscii(entry.name);
            listing.byUpperName[std::move(upper)].push_back(std::move(entry));
        }
        for (auto& [upper, spellings] : listing.byUpperName) {
            std::sort(spellings.begin(), spellings.end(),
                      [](const platform::FolderEntry& a, const platform::FolderEntry& b) {
                          return a.name < b.name;
                      });
        }
    }
    return it->second;
}

const PackageFileCache::Listing* PackageFileCache::HeldListingOf(const std::string& folder) const {
    auto it = folders_.find(folder);
    return it != folders_.end() ? &it->second : nullptr;
}

bool PackageFileExists(const std::vector<std::string>& paths, std::string_view packageName,
                       const std::string& systemIniFolder, PackageFileCache* cache) {
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
        if (CandidateExists(base, ExpandPathPattern(pattern, packageName), folders)) {
            return true;
        }
    }
    return false;
}

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
    return list.RemoveIf([&](std::size_t, const std::string& entry) {
        return !PackageFileExists(paths, entry, folder, &folders);
    });
}

// Unlike the game's INI files, a preset has no Ctrl-Z rule: it is an
// ordinary character here.
std::vector<std::string_view> SplitPresetLines(std::string_view text) {
    return SplitTextLines(text);
}

ContentProblem PresetResult::Problem() const {
    switch (kind) {
        case Kind::InvalidPreset:
            return ContentProblem{{message}};
        case Kind::MissingModification:
            return ContentProblem{{presetFileName, modificationName, website}};
        case Kind::NothingDone:
        case Kind::Added:
            break;
    }
    return {};
}

PresetResult LoadPreset(PackageList& list, const std::string& presetPath,
                        const std::function<std::string()>& systemIniPath,
                        PackageFileCache* cache) {
    PresetResult result;
    if (!platform::FileExists(presetPath)) {
        return result;
    }
    const std::string bytes = platform::ReadWholeFile(presetPath);
    const std::vector<std::string_view> lines = SplitPresetLines(bytes);
    if (lines.size() < 4) {
        result.kind = PresetResult::Kind::InvalidPreset;
        result.message = "Invalid preset file: " + presetPath;
        return result;
    }

    const std::string iniPath = systemIniPath();
    std::vector<std::string> paths;
    if (platform::FileExists(iniPath)) {
        ReadSystemPaths(paths, iniPath);
    }
    PackageFileCache ownCache;
    PackageFileCache& folders = cache != nullptr ? *cache : ownCache;
    const std::string folder = FolderOfPath(iniPath);
    // One missing package is enough to add nothing, so the rest need not be
    // looked for.
    const bool allFound = std::all_of(lines.begin() + 3, lines.end(), [&](std::string_view name) {
        return PackageFileExists(paths, name, folder, &folders);
    });

    if (allFound) {
        list.AppendAll(std::vector<std::string>(lines.begin() + 3, lines.end()));
        result.kind = PresetResult::Kind::Added;
        result.added = lines.size() - 3;
        return result;
    }
    result.kind = PresetResult::Kind::MissingModification;
    result.presetFileName = FileNameOfPath(presetPath);
    result.modificationName = std::string(lines[0]);
    result.website = lines[2].empty() ? std::string(kNoWebsiteText) : std::string(lines[2]);
    return result;
}

}  // namespace keelson
