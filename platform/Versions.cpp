// The versions store: the same on every system, over the file layer and
// std::filesystem, with paths turned into the system's form in one place.

#include "platform/Versions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/PathText.h"

#ifdef _WIN32
#include "platform/windows/SystemPath.h"
#endif

namespace keelson::platform {

namespace fs = std::filesystem;

namespace {

RewritePolicy& Policy() {
    static RewritePolicy policy;
    return policy;
}

constexpr std::string_view kFileRecord = "file.txt";
constexpr std::string_view kInfoSuffix = ".info";
constexpr std::string_view kInfoFirstLine = "Keelson version";

fs::path Fs(const std::string& path) {
#ifdef _WIN32
    return fs::path(Widen(path));
#else
    return fs::path(path);
#endif
}

std::string Text(const fs::path& path) {
#ifdef _WIN32
    return Narrow(path.wstring());
#else
    return path.string();
#endif
}

std::string Join(const std::string& folder, std::string_view name) {
    return folder + kPathSeparator + std::string(name);
}

// The full path of the file a rewrite of path replaces: links followed,
// relative parts resolved, whether or not the file exists.
std::string CanonicalPath(std::string path) {
#ifdef _WIN32
    // The long-path form names the same file as the plain one.
    if (path.starts_with("\\\\?\\UNC\\")) {
        path = "\\\\" + path.substr(8);
    } else if (path.starts_with("\\\\?\\")) {
        path = path.substr(4);
    }
#endif
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(fs::absolute(Fs(path), error), error);
    if (error) {
        return path;
    }
    return Text(canonical.make_preferred());
}

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

// Letters, digits and ". - _" as they are, anything else as "_".
std::string SafeName(std::string_view text, std::size_t keepLast) {
    if (text.size() > keepLast) {
        text.remove_prefix(text.size() - keepLast);
    }
    std::string safe;
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    return safe;
}

// "User.ini@srv_ut_System~3f09a2c4d1e87b60": the file's name, its folder,
// and a hash of its full path, which keeps two files apart whatever their
// names shorten to.
std::string FolderNameFor(const std::string& canonical) {
    const std::size_t cut = canonical.find_last_of("/\\");
    const std::string name = cut == std::string::npos ? canonical : canonical.substr(cut + 1);
    std::string folder = cut == std::string::npos ? std::string() : canonical.substr(0, cut);
    std::string key = canonical;
#ifdef _WIN32
    // Windows names are the same file whatever their letter case.
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
#endif
    while (!folder.empty() && (folder.front() == '/' || folder.front() == '\\')) {
        folder.erase(0, 1);
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(key)));
    return SafeName(name, 80) + "@" + SafeName(folder, 80) + "~" + hash;
}

std::optional<std::uint64_t> NumberOf(std::string_view text) {
    std::uint64_t number = 0;
    if (text.empty() || text.size() > 18 || text[0] == '0') {
        return std::nullopt;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

std::string NowIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    ::gmtime_s(&utc, &now);
#else
    ::gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::uint64_t SizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(Fs(path), error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

bool SameContent(const std::string& a, const std::string& b) {
    FileReader left(a);
    FileReader right(b);
    if (left.Size() != right.Size()) {
        return false;
    }
    std::vector<char> x(1 << 20);
    std::vector<char> y(1 << 20);
    for (;;) {
        const std::size_t got = left.Read(x.data(), x.size());
        if (got == 0) {
            return right.Read(y.data(), 1) == 0;
        }
        if (right.Read(y.data(), got) != got ||
            !std::equal(x.begin(), x.begin() + got, y.begin())) {
            return false;
        }
    }
}

// Reads N.info; an entry whose record is missing or wrong, or whose content
// does not have the size recorded, is not readable.
VersionEntry ReadEntry(const std::string& folder, std::uint64_t number) {
    VersionEntry entry;
    entry.number = number;
    entry.name = std::to_string(number);
    const std::string content = Join(folder, entry.name);
    std::string record;
    try {
        if (!FileExists(content)) {
            return entry;
        }
        record = ReadWholeFile(content + std::string(kInfoSuffix));
    } catch (const FileError&) {
        return entry;
    }
    bool sized = false;
    std::size_t at = 0;
    for (std::size_t line = 0; at < record.size(); ++line) {
        std::size_t end = record.find('\n', at);
        end = end == std::string::npos ? record.size() : end;
        std::string_view text(record.data() + at, end - at);
        at = end + 1;
        if (line == 0) {
            if (text != kInfoFirstLine) {
                return entry;
            }
        } else if (text.starts_with("time=")) {
            entry.time = text.substr(5);
        } else if (text.starts_with("size=")) {
            std::string_view digits = text.substr(5);
            sized = std::from_chars(digits.data(), digits.data() + digits.size(), entry.size).ec ==
                    std::errc();
        } else if (text.starts_with("command=")) {
            entry.command = text.substr(8);
        }
    }
    entry.readable = sized && !entry.time.empty() && SizeOf(content) == entry.size;
    return entry;
}

struct FolderState {
    std::vector<VersionEntry> versions;  // numbered entries, newest first
    std::vector<std::string> foreign;    // names that are not the program's
    std::vector<std::string> leftovers;  // temporary files of killed writers
    std::uint64_t highest = 0;
};

FolderState ReadFolder(const std::string& folder) {
    FolderState state;
    std::vector<std::uint64_t> numbers;
    for (const std::string& name : ListFolder(folder)) {
        std::string_view stem = name;
        if (name.starts_with(".")) {
            state.leftovers.push_back(name);
            continue;
        }
        if (name == kFileRecord) {
            continue;
        }
        if (stem.ends_with(kInfoSuffix)) {
            stem.remove_suffix(kInfoSuffix.size());
        }
        if (std::optional<std::uint64_t> number = NumberOf(stem)) {
            numbers.push_back(*number);
            state.highest = std::max(state.highest, *number);
        } else {
            state.foreign.push_back(name);
        }
    }
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (std::uint64_t number : numbers) {
        state.versions.push_back(ReadEntry(folder, number));
    }
    return state;
}

void RemoveEntry(const std::string& folder, std::string_view name) {
    std::error_code ignored;
    fs::remove(Fs(Join(folder, name)), ignored);
}

void RemoveVersion(const std::string& folder, std::uint64_t number) {
    // The record first: a content without its record is not listed as a
    // version that could be restored.
    RemoveEntry(folder, std::to_string(number) + std::string(kInfoSuffix));
    RemoveEntry(folder, std::to_string(number));
}

// Makes the folder and those above it, private to the user: versions of a
// system INI hold the server's passwords.
void MakePrivateFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(Fs(folder), error);
    if (error) {
        throw FileError(error.message());
    }
#ifndef _WIN32
    fs::permissions(Fs(folder), fs::perms::owner_all, fs::perm_options::replace, error);
    fs::permissions(Fs(VersionsFolder()), fs::perms::owner_all, fs::perm_options::replace, error);
#endif
}

}  // namespace

void SetRewritePolicy(RewritePolicy policy) {
    Policy() = std::move(policy);
}

const RewritePolicy& CurrentRewritePolicy() {
    return Policy();
}

ScopedRewritePolicy::ScopedRewritePolicy(RewritePolicy policy) : earlier_(Policy()) {
    Policy() = std::move(policy);
}

ScopedRewritePolicy::~ScopedRewritePolicy() {
    Policy() = std::move(earlier_);
}

GameRunningError::GameRunningError(const std::string& path, GameProcess game)
    : FileError(path + " is in use by a running game (pid " + std::to_string(game.pid) + ", " +
                game.program +
                "); it will write its own copy back when it saves or exits. Stop it first, or "
                "use --force"),
      path_(path),
      game_(std::move(game)) {}

std::string GameRunningError::Situation() const {
    return path_ + " is in use by a running game (pid " + std::to_string(game_.pid) + ", " +
           game_.program + "); it will write its own copy back when it saves or exits.";
}

std::string VersionsFolder() {
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    return std::string(local != nullptr && *local != '\0' ? local : ".") + "\\Keelson\\versions";
#else
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/keelson/versions";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : "/tmp") +
           "/.local/state/keelson/versions";
#endif
}

std::string VersionFolderOf(const std::string& path) {
    return Join(VersionsFolder(), FolderNameFor(CanonicalPath(path)));
}

std::vector<VersionEntry> ListVersions(const std::string& path) {
    const std::string folder = VersionFolderOf(path);
    FolderState state = ReadFolder(folder);
    std::vector<VersionEntry> entries;
    for (VersionEntry& entry : state.versions) {
        if (entry.readable) {
            entries.push_back(std::move(entry));
        }
    }
    for (VersionEntry& entry : state.versions) {
        if (!entry.readable) {
            entries.push_back(std::move(entry));
        }
    }
    for (std::string& name : state.foreign) {
        VersionEntry entry;
        entry.name = std::move(name);
        entry.size = SizeOf(Join(folder, entry.name));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string ReadVersion(const std::string& path, std::uint64_t number) {
    const std::string folder = VersionFolderOf(path);
    const VersionEntry entry = ReadEntry(folder, number);
    if (!entry.readable) {
        if (!FileExists(Join(folder, entry.name)) &&
            !FileExists(Join(folder, entry.name + std::string(kInfoSuffix)))) {
            throw FileError(path + " has no version " + std::to_string(number));
        }
        throw FileError("version " + std::to_string(number) + " of " + path + " is damaged");
    }
    std::string content = ReadWholeFile(Join(folder, entry.name));
    if (content.size() != entry.size) {
        throw FileError("version " + std::to_string(number) + " of " + path + " is damaged");
    }
    return content;
}

unsigned VersionLinksOf(const std::string& target) {
    const std::string folder = VersionFolderOf(target);
    const FolderState state = ReadFolder(folder);
    for (const std::string& name : state.leftovers) {
        RemoveEntry(folder, name);
    }
    for (const VersionEntry& entry : state.versions) {
        if (entry.readable) {
            return SameFile(Join(folder, entry.name), target) ? 1 : 0;
        }
    }
    return 0;
}

std::string KeepVersion(const std::string& path, const std::string& target, bool mayLink) {
    const std::string canonical = CanonicalPath(target);
    const std::string folder = Join(VersionsFolder(), FolderNameFor(canonical));
    try {
        MakePrivateFolder(folder);
        const std::string record = Join(folder, kFileRecord);
        if (!FileExists(record)) {
            WriteFileAtomically(record, canonical + "\n");
        }
        FolderState state = ReadFolder(folder);
        // This process holds the file's lock: a temporary file here was left
        // by a writer that was killed.
        for (const std::string& name : state.leftovers) {
            RemoveEntry(folder, name);
        }
        for (const VersionEntry& entry : state.versions) {
            if (entry.readable) {
                const std::string newest = Join(folder, entry.name);
                if (SameContent(newest, target)) {
                    return newest;
                }
                break;
            }
        }
        const std::uint64_t number = state.highest + 1;
        const std::string name = std::to_string(number);
        const std::string content = Join(folder, name);
        std::string command = CurrentRewritePolicy().command;
        std::replace(command.begin(), command.end(), '\n', ' ');
        std::replace(command.begin(), command.end(), '\r', ' ');
        // The record first, the content last: a version is complete, and
        // listed, from the moment its content takes its name.
        WriteFileAtomically(content + std::string(kInfoSuffix),
                            std::string(kInfoFirstLine) + "\ntime=" + NowIso8601() + "\nsize=" +
                                std::to_string(SizeOf(target)) + "\ncommand=" + command + "\n");
        CopyFileDurably(target, content, mayLink);
        return content;
    } catch (const FileError& e) {
        throw FileError("Cannot keep a version of " + path + " in " + folder + " (" + e.what() +
                        ")");
    }
}

GameFileRewrite::GameFileRewrite(const std::string& path, const std::string& target, bool exists,
                                 GameFile kind, std::uint64_t newSize, bool mayLink)
    : path_(path), target_(target), newSize_(newSize), versioned_(false) {
    const RewritePolicy& policy = CurrentRewritePolicy();
    if (kind == GameFile::Ini && !policy.allowRunningGame) {
        if (std::optional<GameProcess> game = FindGameUsing(target)) {
            throw GameRunningError(path, *game);
        }
    }
    // The old content is a version before the new content is in place.
    if (exists && kind != GameFile::Other && policy.keepVersions) {
        version_ = KeepVersion(path, target, mayLink);
        versioned_ = true;
    }
}

void GameFileRewrite::UnshareVersion() {
    if (!version_.empty() && SameFile(version_, target_)) {
        try {
            CopyFileDurably(target_, version_);
        } catch (const FileError& e) {
            throw FileError("Cannot keep a version of " + path_ + " in " + FolderOfPath(version_) +
                            " (" + e.what() + ")");
        }
    }
}

GameFileRewrite::~GameFileRewrite() {
    if (versioned_) {
        PruneVersions(target_, newSize_);
    }
}

void PruneVersions(const std::string& target, std::uint64_t fileSize) noexcept {
    try {
        const std::string folder = VersionFolderOf(target);
        FolderState state = ReadFolder(folder);
        const std::uint64_t room = std::max(kVersionsFloorBytes, fileSize * 10);
        std::uint64_t used = 0;
        std::size_t kept = 0;
        for (const VersionEntry& entry : state.versions) {
            used += entry.size;
            if (kept == 0 || (kept < kVersionsKept && used <= room)) {
                ++kept;
                continue;
            }
            RemoveVersion(folder, entry.number);
        }
    } catch (...) {
        // Left for the next rewrite.
    }
}

}  // namespace keelson::platform
