// Whole-file rewrites elsewhere than on Windows: a temporary file beside the
// original renamed over it, or, where a new file could not take the old
// one's place as it was, a rewrite in place with a backup copy.

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/PathText.h"
#include "platform/Versions.h"
#include "platform/posix/FileInternal.h"

namespace keelson::platform {

using namespace posix;

namespace {

constexpr std::string_view kTempMark = ".keelson-";

// A temporary file of a rewrite: "." + name + ".keelson-" + six characters.
bool IsTemporaryName(std::string_view entry) {
    if (entry.size() < 1 + 1 + kTempMark.size() + 6 || entry[0] != '.') {
        return false;
    }
    return entry.substr(entry.size() - 6 - kTempMark.size(), kTempMark.size()) == kTempMark;
}

// Removes a temporary file unless disarmed, once it has been renamed.
struct TempGuard {
    std::string path;
    bool armed = true;
    ~TempGuard() {
        if (armed) {
            ::unlink(path.c_str());
        }
    }
};

// Removes the temporary files that killed writers left in the folder. A
// live writer holds a lock on its temporary file, so those are left alone.
void RemoveAbandonedTemporaryFiles(const std::string& folder) {
    const std::string base = folder.empty() ? std::string(".") : folder;
    for (const std::string& entry : ListFolder(base)) {
        if (!IsTemporaryName(entry)) {
            continue;
        }
        const std::string path = base + "/" + entry;
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat st {};
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            struct stat again {};
            // Still the file that was locked, not one that took its name.
            if (::lstat(path.c_str(), &again) == 0 && SameFile(st, again)) {
                ::unlink(path.c_str());
            }
        }
    }
}

std::string CacheHome() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        return cache;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.cache";
    }
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
        return std::string(entry->pw_dir) + "/.cache";
    }
    return "/tmp";
}

void MakeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || folder[at] == '/') {
            std::string part = folder.substr(0, at);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                ThrowErrno(errno);
            }
        }
    }
}

// Writes the bytes over the file from its start and cuts it to their length.
void OverwriteInPlace(int fd, Pieces bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        ThrowErrno(errno);
    }
    WriteAll(fd, bytes);
    Step("truncate");
    if (::ftruncate(fd, static_cast<off_t>(SizeOfPieces(bytes))) != 0) {
        ThrowErrno(errno);
    }
    if (::fsync(fd) != 0) {
        ThrowErrno(errno);
    }
}

// The rewrite that keeps the file itself (its inode, owner, group, links):
// the old content is kept first, as the version that was just made or as a
// copy in the backup folder, the file is overwritten and flushed, and any
// failure puts the old bytes back.
void RewriteInPlace(const std::string& path, const std::string& target, Pieces content,
                    const std::string& version) {
    Fd fd(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        ThrowErrno(errno);
    }
    const std::string original = ReadWholeFile(target);
    // The new content may lie in a mapping of this very file (FileImage):
    // it is copied out before the file is overwritten.
    std::string whole;
    whole.reserve(static_cast<std::size_t>(SizeOfPieces(content)));
    for (std::string_view piece : content) {
        whole += piece;
    }
    const std::string_view wholeView = whole;
    content = Pieces(&wholeView, 1);
    std::string backup = version;
    if (backup.empty()) {
        const std::string folder = BackupFolder();
        MakeFolders(folder);
        backup = folder + "/" + FileNameOfPath(target) + "." +
                 std::to_string(static_cast<long long>(std::time(nullptr))) + "-XXXXXX";
        Step("backup");
        Fd copy(::mkstemp(backup.data()));
        if (copy.get() < 0) {
            throw FileError("Cannot back up " + path + " to " + folder + " (" +
                            SystemErrorText(errno) + ")");
        }
        try {
            WriteAll(copy.get(), original);
            if (::fsync(copy.get()) != 0) {
                ThrowErrno(errno);
            }
        } catch (const FileError& e) {
            ::unlink(backup.c_str());
            throw FileError("Cannot back up " + path + " to " + folder + " (" + e.what() + ")");
        }
    }
    // A version stays; a backup made for this rewrite alone goes.
    auto dropBackup = [&] {
        if (version.empty()) {
            ::unlink(backup.c_str());
        }
    };
    try {
        Step("in-place");
        OverwriteInPlace(fd.get(), content);
    } catch (const FileError& e) {
        try {
            const std::string_view old = original;
            OverwriteInPlace(fd.get(), Pieces(&old, 1));
        } catch (const FileError&) {
            throw FileError(std::string(e.what()) + "; " + path +
                            " could not be restored: its old content is in " + backup);
        }
        dropBackup();
        throw;
    }
    dropBackup();
}

// Copies from one descriptor to another: shared blocks where the file
// system has them, else the kernel's copy, else reads and writes.
void CopyDescriptor(int from, int to) {
#ifdef FICLONE
    if (::ioctl(to, FICLONE, from) == 0) {
        return;
    }
#endif
    for (;;) {
        ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (n == 0) {
            return;
        }
        if (n > 0) {
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
            ThrowErrno(errno);
        }
        break;
    }
    std::string buffer(1 << 20, '\0');
    for (;;) {
        const std::size_t got = ReadSome(from, buffer.data(), buffer.size());
        if (got == 0) {
            return;
        }
        WriteAll(to, std::string_view(buffer.data(), got));
    }
}

// True when the new file can take the old one's place as it was: the folder
// takes a new entry, no other name links to the file, and the temporary
// file could be given the old file's owner and group.
bool FolderTakesNewFile(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string BackupFolder() {
    return CacheHome() + "/keelson/backups";
}

void CopyFileDurably(const std::string& from, const std::string& to, bool mayLink) {
    struct stat st {};
    Fd source(OpenFileToRead(from, st));
    std::string tempPath =
        FolderOfPath(to) + "/." + FileNameOfPath(to) + std::string(kTempMark) + "XXXXXX";
    Step("version");
    Fd copy(::mkstemp(tempPath.data()));
    if (copy.get() < 0) {
        ThrowErrno(errno);
    }
    TempGuard guard{tempPath};
    // Another name of the file, where the system allows one (the same file
    // system; the kernel's rules on links to other users' files): the name
    // made by mkstemp is taken over by the link.
    bool linked = false;
    if (mayLink) {
        ::unlink(tempPath.c_str());
        linked = ::link(from.c_str(), tempPath.c_str()) == 0;
        if (!linked) {
            // The copy's descriptor moves to a new file of that name.
            int fresh = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fresh < 0 || ::dup3(fresh, copy.get(), O_CLOEXEC) < 0) {
                const int code = errno;
                if (fresh >= 0) {
                    ::close(fresh);
                }
                ThrowErrno(code);
            }
            ::close(fresh);
        }
    }
    if (!linked) {
        CopyDescriptor(source.get(), copy.get());
        if (::fsync(copy.get()) != 0) {
            ThrowErrno(errno);
        }
    }
    if (::close(copy.release()) != 0) {
        ThrowErrno(errno);
    }
    Step("version-rename");
    if (::rename(tempPath.c_str(), to.c_str()) != 0) {
        ThrowErrno(errno);
    }
    guard.armed = false;
    Fd dir(::open(FolderOfPath(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

void WriteFileAtomically(const std::string& path, Pieces content, CreateFailure style,
                         GameFile kind) {
    auto createFailed = [&](int code) -> void {
        if (style == CreateFailure::CannotCreateFile) {
            throw FileError("Cannot create file " + path);
        }
        ThrowErrno(code);
    };
    if (path.empty()) {
        createFailed(ENOENT);
    }
    const std::string target = ResolveLinks(path);
    FileLock lock(path);

    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    // A device or a FIFO is never replaced by a file (as root that could
    // replace /dev/null).
    if (exists && !S_ISREG(st.st_mode)) {
        throw FileError(path + " is not a regular file");
    }
    // A file without write permission is read-only, even to root, as a file
    // with the read-only attribute is on Windows.
    if (exists && (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)) {
        createFailed(EACCES);
    }

    std::string folder = FolderOfPath(target);
    std::string name = FileNameOfPath(target);
    // A version that a killed rewrite left as another name of the file is
    // not one of the file's own links.
    const bool otherLinks = exists && st.st_nlink > 1 && st.st_nlink - VersionLinksOf(target) > 1;
    const bool inPlace = exists && (!FolderTakesNewFile(folder) || otherLinks);
    GameFileRewrite steps(path, target, exists, kind, SizeOfPieces(content), !inPlace);
    const std::string& version = steps.Version();
    if (inPlace) {
        steps.UnshareVersion();
        RewriteInPlace(path, target, content, version);
        return;
    }
    RemoveAbandonedTemporaryFiles(folder);

    std::string tempPath = (folder.empty() ? std::string() : folder + "/") + "." + name +
                           std::string(kTempMark) + "XXXXXX";
    Step("temp");
    Fd fd(::mkstemp(tempPath.data()));
    if (fd.get() < 0) {
        createFailed(errno);
    }
    TempGuard guard{tempPath};
    // Held while the file is written, so that no other run takes it for one
    // that a killed run left behind.
    ::flock(fd.get(), LOCK_EX | LOCK_NB);

    if (exists) {
        // The new file must keep the old one's owner and group (the game's
        // account may own a file that an admin's group may write); where it
        // cannot, the file is rewritten in place.
        struct stat made {};
        if (::fstat(fd.get(), &made) != 0) {
            ThrowErrno(errno);
        }
        if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
            ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
            ::close(fd.release());
            guard.armed = false;
            ::unlink(tempPath.c_str());
            steps.UnshareVersion();
            RewriteInPlace(path, target, content, version);
            return;
        }
    }
    // After the owner, which clears the set-uid and set-gid bits.
    mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd.get(), mode) != 0) {
        ThrowErrno(errno);
    }
    WriteAll(fd.get(), content);
    Step("sync");
    if (::fsync(fd.get()) != 0) {
        ThrowErrno(errno);
    }
    // The new file carries the lock from the moment it takes the path, so
    // that another program cannot lock it while this one still holds the old.
    std::shared_ptr<FileLock::Held> held = FindHeldLock(LockKey(target));
    Fd carried(held ? ::dup(fd.get()) : -1);
    if (::close(fd.release()) != 0) {
        ThrowErrno(errno);
    }
    Step("rename");
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        createFailed(errno);
    }
    guard.armed = false;
    if (held && carried.get() >= 0) {
        ::close(held->fd);
        held->fd = carried.release();
        held->onFolder = false;
    }
    // Make the rename itself durable.
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

}  // namespace keelson::platform
