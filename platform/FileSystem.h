#pragma once
// The file system as the program uses it: an existence test that is true
// only for files, whole-file reads, atomic whole-file rewrites and folder
// listings. One implementation for Windows, one for other systems.
// Failures raise FileError with the program's wording.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"

namespace keelson::platform {

// The separator of paths that the program builds.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True when a file (not a folder) exists at path; links are followed.
bool FileExists(const std::string& path);

// True when a folder exists at path.
bool FolderExists(const std::string& path);

// True when both paths name one existing file or folder, however they are
// spelt and whatever links or hard links lead there.
bool SameFile(const std::string& a, const std::string& b);

// The whole content of a file. Raises FileError ("File not found", ...).
std::string ReadWholeFile(const std::string& path);

// What a write says when the bytes it writes, mapped from a file, were cut
// off that file by another program.
inline constexpr const char* kCutShortWhileRead =
    "The file was cut short by another program while it was read; nothing was written.";

// The whole content of a file, to read, for files large enough that how
// they are read matters (a library of 100,000 bots is 157 MB). Other than
// Windows, the file itself is mapped: its bytes are read where the system
// caches them, with no copy. That needs a file that no other program cuts
// short meanwhile (the program's own writers take the file's lock and
// replace it with a new file); a rewrite of the same file in place copies
// its new content before it writes. Where a file cannot be mapped, and on
// Windows (where a mapped file cannot be replaced), it is read into memory
// that is not zeroed first. Raises FileError as ReadWholeFile does.
class FileImage {
  public:
    explicit FileImage(const std::string& path);
    ~FileImage();
    FileImage(const FileImage&) = delete;
    FileImage& operator=(const FileImage&) = delete;

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::string_view View() const { return {data_, size_}; }

    // A read of a mapped page that another program has cut off the file
    // stops the process with a signal (SIGBUS). A reader with nothing to
    // clean up at such a time (it has written nothing yet) may have the
    // process end instead, with message on the standard error and status,
    // until the image goes. Windows reads the file and needs nothing.
    void EndProcessIfCutShort(const std::string& message, int status);

  private:
    // Reads the file into memory of the image's own.
    void Read(const std::string& path);
    // Memory for size bytes (the system's own, per system), and its release.
    static char* Allocate(std::size_t size);
    static void Release(const char* data, std::size_t size);

    const char* data_ = nullptr;
    std::size_t size_ = 0;  // the file's bytes
    std::size_t held_ = 0;  // the bytes of memory held or mapped
    bool mapped_ = false;   // the file itself is mapped
    bool guarded_ = false;  // EndProcessIfCutShort is in force
};

// How a rewrite reports that it cannot create its file: with the system's
// wording ("File access denied"), or as "Cannot create file PATH".
enum class CreateFailure { SystemWording, CannotCreateFile };

// Replaces the file at path with content, or creates it. The content goes to
// a temporary file in the same folder, which is flushed and renamed over the
// original only when complete: on any failure the original is untouched and
// the temporary file is removed. A read-only target is refused, and so is
// anything but a regular file ("PATH is not a regular file"). The file's
// permission bits are kept; a symbolic link is written through to its
// target. Temporary files that killed writers left beside the file are
// removed.
//
// Where a new file could not take the old one's place as it was (the folder
// is not writable, the file has other hard links, or its owner or group
// cannot be kept), the file is rewritten in place instead: a copy of it goes
// to the backup folder first, and on any failure the copy is put back; the
// error names the copy when even that fails.
//
// The rewrite holds the file's FileLock.
//
// A rewrite of one of the game's files (kind other than Other) first keeps
// the content it replaces as a version (platform/Versions.h), under the
// lock, and a rewrite of an INI first asks whether a running game uses the
// file and then raises GameRunningError; the rewrite policy turns either
// off. A version kept is also the copy that a rewrite in place puts back.
enum class GameFile { Other, Library, Ini };
void WriteFileAtomically(const std::string& path, std::string_view content,
                         CreateFailure style = CreateFailure::SystemWording,
                         GameFile kind = GameFile::Other);

// The same with the content given as pieces, written one after the other
// where they lie (the records of a sorted library, each where it was read),
// so that nothing is copied to put them together first. The pieces may lie
// in a FileImage of the file itself: a rewrite in place copies them out
// before it overwrites the file.
using Pieces = std::span<const std::string_view>;
void WriteFileAtomically(const std::string& path, Pieces content,
                         CreateFailure style = CreateFailure::SystemWording,
                         GameFile kind = GameFile::Other);

// The pieces' length together.
std::uint64_t SizeOfPieces(Pieces pieces);

// Raised when another program holds a file's lock for longer than a change
// waits: "PATH is being changed by another program".
class FileBusyError : public FileError {
  public:
    explicit FileBusyError(const std::string& path)
        : FileError(path + " is being changed by another program") {}
};

// How long a change waits for another program's lock.
inline constexpr std::chrono::milliseconds kLockWait{10000};

// An exclusive advisory lock on a file, held for the whole of a
// read-modify-write so that two programs (two admins, a cron job) changing
// one file at once cannot lose each other's update. Other programs that
// take it wait up to the given time, then FileBusyError is raised. Locks of
// one process on one file nest: an inner lock shares the outer one. A file
// that does not exist yet is locked through its folder until it is created.
// Where the file system has no locks, the lock is not taken.
class FileLock {
  public:
    explicit FileLock(const std::string& path, std::chrono::milliseconds wait = kLockWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    struct Held;

  private:
    std::shared_ptr<Held> held_;
};

// The folder that keeps the copies of files rewritten in place:
// $XDG_CACHE_HOME/keelson/backups (~/.cache/keelson/backups), on Windows
// %LOCALAPPDATA%\keelson\backups.
std::string BackupFolder();

// For fault-injection tests: called at each step of a rewrite ("temp",
// "write" before each piece of at most 4096 bytes, "sync", "rename",
// "backup", "in-place", "truncate"; "version" and "version-rename" where
// a version's content is copied, and the steps above again for its record;
// "folder" where a new settings key's folder is made); it may end the
// process or throw to stop the writer there.
// Empty by default.
void SetWriteHookForTesting(std::function<void(std::string_view step)> hook);

// The names of the entries of a folder, without "." and "..". Empty when
// the folder cannot be listed.
std::vector<std::string> ListFolder(const std::string& path);

// What a folder listing tells of an entry without asking for it again: a
// file, a folder, something else (a device, a pipe), or nothing certain (a
// link, or a file system that does not say): FileExists must tell.
enum class EntryKind { File, Folder, Other, Unknown };
struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::Unknown;
};

// ListFolder with each entry's kind.
std::vector<FolderEntry> ListFolderEntries(const std::string& path);

// A file read from its start in pieces, so that a large file is never held
// whole. Opening raises FileError as ReadWholeFile does (only files are
// read); so does a failed read.
class FileReader {
  public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The file's size when it was opened.
    std::uint64_t Size() const { return size_; }

    // Reads up to size bytes from the current position on; fewer only at
    // the end of the file, 0 there.
    std::size_t Read(char* into, std::size_t size);

    // Moves the current position to offset bytes from the start.
    void Seek(std::uint64_t offset);

    // Reads up to size bytes at offset, without moving the current
    // position; fewer only at the end of the file. One call where a Seek and
    // a Read would take two, for readers that jump between tables.
    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t size);

  private:
    std::intptr_t handle_ = -1;
    std::uint64_t size_ = 0;
};

// Adds content at the end of an existing file, in place: the file keeps its
// owner, permissions and links, and no other byte of it is written. The
// file is locked against other appends meanwhile; check, when given, sees
// the file's size under that lock before anything is written and may raise
// to write nothing. The content is flushed to disk before the call returns.
// When any of it cannot be written or flushed ("Disk full", a size limit),
// the file is cut back to its old size, so it keeps exactly its old bytes,
// and the error is raised. A missing file raises "File not found"; a folder
// or a read-only file is refused as WriteFileAtomically refuses it.
void AppendToFile(const std::string& path, std::string_view content,
                  const std::function<void(std::uint64_t size)>& check = {});

// The full path of the running program's executable.
std::string ExecutablePath();

}  // namespace keelson::platform
