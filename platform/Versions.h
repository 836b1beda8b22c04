#pragma once
// The earlier versions of the game's files. Before a rewrite replaces a user
// INI, system INI or bot library, the content it replaces is kept, under the
// file's lock and flushed to disk, as a numbered version in the program's
// own data folder, so that a wrong save, an export into the wrong INI or a
// damaged file can be undone. Versions are numbered from 1 upward as they
// are made and a number is never given twice; the newest 20 of a file are
// kept.
//
// The folder: $XDG_STATE_HOME/keelson/versions (~/.local/state/...), on
// Windows %LOCALAPPDATA%\Keelson\versions. One folder per file, named after
// the file and its folder ("User.ini@srv_ut_System~3f09a2c4d1e87b60"), holding
// "file.txt" (the file's full path), and per version N the content "N" and
// its record "N.info" (when, how many bytes, which command).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/RunningGames.h"

namespace keelson::platform {

// What the rewrites of the game's files do besides replacing them, for the
// whole process: the command line sets it from its options, the windows
// for each command.
struct RewritePolicy {
    bool keepVersions = true;         // off with --no-versions
    bool allowRunningGame = false;    // on with --force, or "Save anyway"
    std::string command = "keelson";  // what a version records as its maker
};
void SetRewritePolicy(RewritePolicy policy);
const RewritePolicy& CurrentRewritePolicy();

// Sets the policy for as long as it lives, then puts the earlier one back.
class ScopedRewritePolicy {
  public:
    explicit ScopedRewritePolicy(RewritePolicy policy);
    ~ScopedRewritePolicy();
    ScopedRewritePolicy(const ScopedRewritePolicy&) = delete;
    ScopedRewritePolicy& operator=(const ScopedRewritePolicy&) = delete;

  private:
    RewritePolicy earlier_;
};

// A rewrite of an INI refused because a running game uses it.
class GameRunningError : public FileError {
  public:
    GameRunningError(const std::string& path, GameProcess game);
    const GameProcess& Game() const { return game_; }
    // The message's first part, without the advice of the command line
    // ("Stop it first, or use --force"), for the windows to add their own.
    std::string Situation() const;

  private:
    std::string path_;
    GameProcess game_;
};

// The folder that holds every file's versions.
std::string VersionsFolder();

// How many versions of a file are kept, and the room they may take: 10
// times the file's size, but never less than kVersionsFloorBytes, so that
// small INIs keep all 20.
inline constexpr std::size_t kVersionsKept = 20;
inline constexpr std::uint64_t kVersionsFloorBytes = 16ull << 20;

struct VersionEntry {
    std::uint64_t number = 0;  // 0 for an entry that is not the program's
    std::string time;          // ISO 8601, UTC: "2026-12-09T17:20:05Z"
    std::uint64_t size = 0;
    std::string command;
    bool readable = false;  // false for a damaged or foreign entry
    std::string name;       // the entry's file name in the file's folder
};

// The versions of the file at path (links followed), newest first; the
// entries that are not readable versions come last. Empty when it has none.
std::vector<VersionEntry> ListVersions(const std::string& path);

// The content of version number of the file at path. Raises FileError
// "PATH has no version N", or "version N of PATH is damaged" for a version
// whose record or content is missing or does not match.
std::string ReadVersion(const std::string& path, std::uint64_t number);

// The folder that holds the versions of the file at path (it may not exist).
std::string VersionFolderOf(const std::string& path);

// ---- For the rewrite itself (under the file's lock) ----

// Keeps the current content of the existing file at target as its newest
// version, unless the newest version holds it already. Returns the path of
// the version that holds the content. Raises FileError ("Cannot keep a
// version of PATH in FOLDER (...)") when it cannot be kept; the file is
// then left alone.
//
// With mayLink, the version may be a second name (a hard link) of the file
// itself, where the file system allows it: that costs no copy, for a
// rewrite that puts a new file in the old one's place, so that the old
// file then lives on as the version alone.
std::string KeepVersion(const std::string& path, const std::string& target, bool mayLink = false);

// How many names of the versions folder are other names of target itself,
// which a rewrite killed between keeping the version and replacing the file
// left behind (0 or 1: the newest version), so that the rewrite does not
// take them for links of the file's own. The temporary names of killed
// runs are removed first (the caller holds the file's lock).
unsigned VersionLinksOf(const std::string& target);

// Removes the versions of target beyond the newest 20 and beyond the room
// allowed for a file of fileSize bytes; never the newest. Never raises: a
// version that cannot be removed now is removed by a later rewrite.
void PruneVersions(const std::string& target, std::uint64_t fileSize) noexcept;

// The steps that a rewrite of one of the game's files takes around the
// replacement, under the file's lock, as the rewrite policy says: made
// before anything is written, it raises GameRunningError where a running
// game uses an INI, then keeps the existing file's content as a version;
// when it ends, the versions are pruned for a file of newSize bytes.
class GameFileRewrite {
  public:
    // mayLink: the new file will take the old one's place (see KeepVersion).
    GameFileRewrite(const std::string& path, const std::string& target, bool exists, GameFile kind,
                    std::uint64_t newSize, bool mayLink = false);
    ~GameFileRewrite();
    GameFileRewrite(const GameFileRewrite&) = delete;
    GameFileRewrite& operator=(const GameFileRewrite&) = delete;

    // The version that holds the old content; "" when none was kept.
    const std::string& Version() const { return version_; }

    // Before the file is rewritten in place after all: a version that is
    // another name of the file becomes a copy of its own, or the rewrite
    // would change it too.
    void UnshareVersion();

  private:
    std::string path_;
    std::string target_;
    std::uint64_t newSize_;
    bool versioned_;
    std::string version_;
};

// Copies the file at from to the file at to, through a temporary file in
// to's folder that is flushed and renamed into place, so that to is either
// as it was or complete. Where the file system can share the blocks (a
// reflink), they are shared. With mayLink, to may instead become another
// name (a hard link) of from, where the system allows it. Raises FileError.
void CopyFileDurably(const std::string& from, const std::string& to, bool mayLink = false);

}  // namespace keelson::platform
