#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "platform/Errors.h"
#include "platform/HeldLocks.h"
#include "platform/PathText.h"
#include "platform/posix/NewFolder.h"

namespace keelson::platform {

namespace {

[[noreturn]] void ThrowErrno(int code) {
    throw FileError(SystemErrorText(code));
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Follows symbolic links to the file that a rewrite must replace. A link
// whose target is missing names the file to create there.
std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) {
            ThrowErrno(errno);
        }
        target.resize(static_cast<std::size_t>(n));
        if (!target.empty() && target[0] != '/') {
            std::string folder = FolderOfPath(current);
            target = folder.empty() ? target : folder + "/" + target;
        }
        current = target;
    }
    ThrowErrno(ELOOP);
}

std::function<void(std::string_view)> gWriteHook;

void Step(std::string_view step) {
    if (gWriteHook) {
        gWriteHook(step);
    }
}

void WriteAll(int fd, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        std::size_t piece = left;
        if (gWriteHook) {
            Step("write");
            piece = std::min<std::size_t>(left, 4096);
        }
        ssize_t n = ::write(fd, p, piece);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno(errno);
        }
        if (n == 0) {
            ThrowErrno(ENOSPC);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// One read(2): the bytes read, 0 at the end of the file.
std::size_t ReadSome(int fd, char* into, std::size_t size) {
    for (;;) {
        ssize_t n = ::read(fd, into, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            ThrowErrno(errno);
        }
    }
}

mode_t CurrentUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// ---- locks ----------------------------------------------------------------

// The key by which a process finds the locks it holds: the file's folder
// as the system resolves it, and its name.
std::string LockKey(const std::string& target) {
    std::string folder = FolderOfPath(target);
    std::string name = FileNameOfPath(target);
    char resolved[PATH_MAX];
    if (::realpath(folder.empty() ? "." : folder.c_str(), resolved) != nullptr) {
        folder = resolved;
    }
    return folder + "/" + name;
}

}  // namespace

struct FileLock::Held {
    std::string key;
    int fd = -1;
    bool onFolder = false;  // the file did not exist yet
    ~Held() {
        if (fd >= 0) {
            ::close(fd);  // releases the lock
        }
    }
};

namespace {

HeldLocks<FileLock::Held> gHeld;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens what the lock is taken on: the file, or its folder while the file
// does not exist. -1 when neither can be opened (the change then fails on
// its own, with the system's reason).
int OpenLockTarget(const std::string& target, bool& onFolder) {
    onFolder = false;
    // Devices are not even opened: opening some (a tape) does something.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 || errno != ENOENT) {
        return fd;
    }
    onFolder = true;
    std::string folder = FolderOfPath(target);
    return ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// True while the locked object is still what the path names.
bool StillAtPath(int fd, bool onFolder, const std::string& target) {
    struct stat now {};
    if (::stat(target.c_str(), &now) != 0) {
        return onFolder && errno == ENOENT;
    }
    if (onFolder) {
        return false;  // created meanwhile: lock the file itself
    }
    struct stat held {};
    return ::fstat(fd, &held) == 0 && SameFile(held, now);
}

// ---- temporary files --------------------------------------------------------

constexpr std::string_view kTempMark = ".keelson-";

// A temporary file of a rewrite: "." + name + ".keelson-" + six characters.
bool IsTemporaryName(std::string_view entry) {
    if (entry.size() < 1 + 1 + kTempMark.size() + 6 || entry[0] != '.') {
        return false;
    }
    return entry.substr(entry.size() - 6 - kTempMark.size(), kTempMark.size()) == kTempMark;
}

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

// ---- rewriting in place -------------------------------------------------------

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
void OverwriteInPlace(int fd, std::string_view bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        ThrowErrno(errno);
    }
    WriteAll(fd, bytes);
    Step("truncate");
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        ThrowErrno(errno);
    }
    if (::fsync(fd) != 0) {
        ThrowErrno(errno);
    }
}

// The rewrite that keeps the file itself (its inode, owner, group, links):
// a copy goes to the backup folder, the file is overwritten and flushed,
// and any failure puts the copy's bytes back.
void RewriteInPlace(const std::string& path, const std::string& target, std::string_view content) {
    Fd fd(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        ThrowErrno(errno);
    }
    const std::string original = ReadWholeFile(target);
    const std::string folder = BackupFolder();
    MakeFolders(folder);
    std::string backup = folder + "/" + FileNameOfPath(target) + "." +
                         std::to_string(static_cast<long long>(std::time(nullptr))) + "-XXXXXX";
    {
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
    try {
        Step("in-place");
        OverwriteInPlace(fd.get(), content);
    } catch (const FileError& e) {
        try {
            OverwriteInPlace(fd.get(), original);
        } catch (const FileError&) {
            throw FileError(std::string(e.what()) + "; " + path +
                            " could not be restored: its old content is in " + backup);
        }
        ::unlink(backup.c_str());
        throw;
    }
    ::unlink(backup.c_str());
}

// True when the new file can take the old one's place as it was: the folder
// takes a new entry, no other name links to the file, and the temporary
// file could be given the old file's owner and group.
bool FolderTakesNewFile(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
    if (path.empty()) {
        return;
    }
    const std::string target = ResolveLinks(path);
    const std::string key = LockKey(target);
    if ((held_ = gHeld.Find(key))) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        bool onFolder = false;
        int raw = OpenLockTarget(target, onFolder);
        if (raw < 0) {
            return;
        }
        Fd fd(raw);
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
            return;  // a device or FIFO: the writer refuses it
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return;  // no locks on this file system
            }
            WaitToRetryLock(deadline, path);
            continue;
        }
        // The file may have been replaced while this process waited: the
        // lock counts only on the file that the path still names.
        if (!StillAtPath(fd.get(), onFolder, target)) {
            continue;
        }
        held_ = std::make_shared<Held>();
        held_->key = key;
        held_->fd = fd.release();
        held_->onFolder = onFolder;
        gHeld.Add(held_);
        return;
    }
}

FileLock::~FileLock() = default;

std::string BackupFolder() {
    return CacheHome() + "/keelson/backups";
}

void SetWriteHookForTesting(std::function<void(std::string_view)> hook) {
    gWriteHook = std::move(hook);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x {};
    struct stat y {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string ReadWholeFile(const std::string& path) {
    if (path.empty()) {
        ThrowErrno(ENOENT);
    }
    // Opened without blocking, so that a FIFO named by mistake cannot hang
    // the program; only regular files are read (a device such as /dev/zero
    // would never end).
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        ThrowErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        ThrowErrno(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        ThrowErrno(EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        ThrowErrno(ENOENT);
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    // Read the size the file reports straight into place, then go on through
    // a small buffer for a file that grew meanwhile, so a file is never
    // copied a second time.
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t filled = 0;
    while (filled < content.size()) {
        std::size_t n = ReadSome(fd.get(), content.data() + filled, content.size() - filled);
        if (n == 0) {
            break;
        }
        filled += n;
    }
    content.resize(filled);
    char buffer[65536];
    while (std::size_t n = ReadSome(fd.get(), buffer, sizeof buffer)) {
        content.append(buffer, n);
    }
    return content;
}

void WriteFileAtomically(const std::string& path, std::string_view content, CreateFailure style) {
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
    if (exists && (!FolderTakesNewFile(folder) || st.st_nlink > 1)) {
        RewriteInPlace(path, target, content);
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
    struct TempGuard {
        std::string path;
        bool armed = true;
        ~TempGuard() {
            if (armed) {
                ::unlink(path.c_str());
            }
        }
    } guard{tempPath};
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
            RewriteInPlace(path, target, content);
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
    std::shared_ptr<FileLock::Held> held = gHeld.Find(LockKey(target));
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

namespace {

constexpr std::string_view kUnfinishedMark = ".keelson-new-";

// Removes the unfinished folders that killed runs left in folder. A live run
// holds a lock on its folder, so those are left alone; the lock is held
// while the folder is removed, so that a run that made its folder just now
// sees it go before it has written anything.
void RemoveAbandonedFolders(const std::string& folder) {
    for (const std::string& entry : ListFolder(folder)) {
        if (!IsUnfinishedFolderName(entry)) {
            continue;
        }
        const std::string path = folder + "/" + entry;
        Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    }
}

// Renames from to to unless something stands at to; 0 or the error.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // A file system without that rename: a plain rename replaces an empty
    // folder, so what stands there is looked for first.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool IsUnfinishedFolderName(std::string_view name) {
    if (name.size() < 1 + 1 + kUnfinishedMark.size() + 6 || name[0] != '.') {
        return false;
    }
    return name.substr(name.size() - 6 - kUnfinishedMark.size(), kUnfinishedMark.size()) ==
           kUnfinishedMark;
}

bool MakeFolderWithFile(const std::string& path, const std::string& fileName,
                        std::string_view content) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return false;
    }
    const std::string parent = FolderOfPath(path);
    const std::string base = parent.empty() ? std::string(".") : parent;
    RemoveAbandonedFolders(base);

    // The folder is locked from the moment it is made; one that another run
    // took for abandoned before the lock was taken is made again.
    std::string temp;
    int locked = -1;
    for (int attempt = 0; locked < 0; ++attempt) {
        temp = base + "/." + FileNameOfPath(path) + std::string(kUnfinishedMark) + "XXXXXX";
        Step("folder");
        if (::mkdtemp(temp.data()) == nullptr) {
            ThrowErrno(errno);
        }
        Fd fd(::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat made {};
        struct stat now {};
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
            ::fstat(fd.get(), &made) == 0 && ::lstat(temp.c_str(), &now) == 0 &&
            SameFile(made, now)) {
            locked = fd.release();
        } else if (attempt == 3) {
            ThrowErrno(EBUSY);
        }
    }
    Fd folder(locked);
    struct FolderGuard {
        std::string path;
        bool armed = true;
        ~FolderGuard() {
            if (armed) {
                std::error_code ec;
                std::filesystem::remove_all(path, ec);
            }
        }
    } guard{temp};
    // mkdtemp makes the folder for its owner only; a key's folder has the
    // permissions of any other folder the user makes.
    if (::fchmod(folder.get(), 0777 & ~CurrentUmask()) != 0) {
        ThrowErrno(errno);
    }
    Fd file(::openat(folder.get(), fileName.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        ThrowErrno(errno);
    }
    WriteAll(file.get(), content);
    Step("sync");
    if (::fsync(file.get()) != 0 || ::close(file.release()) != 0 || ::fsync(folder.get()) != 0) {
        ThrowErrno(errno);
    }
    Step("rename");
    if (int code = RenameNoReplace(temp, path); code != 0) {
        if (code == EEXIST || code == ENOTEMPTY) {
            return false;
        }
        ThrowErrno(code);
    }
    guard.armed = false;
    // Make the rename itself durable.
    Fd dir(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return true;
}

std::vector<FolderEntry> ListFolderEntries(const std::string& path) {
    std::vector<FolderEntry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.empty() ? "." : path.c_str()),
                                            ::closedir);
    if (!dir) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        EntryKind kind = EntryKind::Other;
        switch (entry->d_type) {
            case DT_REG:
                kind = EntryKind::File;
                break;
            case DT_DIR:
                kind = EntryKind::Folder;
                break;
            case DT_LNK:
            case DT_UNKNOWN:
                kind = EntryKind::Unknown;
                break;
            default:
                break;
        }
        entries.push_back({std::string(name), kind});
    }
    return entries;
}

FileReader::FileReader(const std::string& path) {
    if (path.empty()) {
        ThrowErrno(ENOENT);
    }
    // As ReadWholeFile: a FIFO cannot hang the open, only files are read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        ThrowErrno(errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        ThrowErrno(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        ThrowErrno(EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        ThrowErrno(ENOENT);
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    // The file is read from start to end: the system may read ahead.
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    size_ = static_cast<std::uint64_t>(st.st_size);
    handle_ = fd.release();
}

FileReader::~FileReader() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

std::size_t FileReader::Read(char* into, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        std::size_t n = ReadSome(static_cast<int>(handle_), into + filled, size - filled);
        if (n == 0) {
            break;
        }
        filled += n;
    }
    return filled;
}

void FileReader::Seek(std::uint64_t offset) {
    if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
        ThrowErrno(errno);
    }
}

void AppendToFile(const std::string& path, std::string_view content,
                  const std::function<void(std::uint64_t size)>& check) {
    if (path.empty()) {
        ThrowErrno(ENOENT);
    }
    // Two appends at once each get their own end of the file, and an append
    // waits for any other change of the file, as every other writer does.
    FileLock lock(path);
    // Without blocking, so that a FIFO named by mistake cannot hang the open.
    Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        ThrowErrno(errno == ENXIO ? ENOENT : errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        ThrowErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        ThrowErrno(ENOENT);
    }
    // Read-only even to root, as for a rewrite.
    if ((st.st_mode & 0222) == 0) {
        ThrowErrno(EACCES);
    }
    if (::fstat(fd.get(), &st) != 0) {
        ThrowErrno(errno);
    }
    const off_t oldSize = st.st_size;
    if (check) {
        check(static_cast<std::uint64_t>(oldSize));
    }
    auto cutBack = [&](int code) -> void {
        while (::ftruncate(fd.get(), oldSize) != 0 && errno == EINTR) {
        }
        ThrowErrno(code);
    };
    const char* p = content.data();
    std::size_t left = content.size();
    off_t at = oldSize;
    while (left > 0) {
        ssize_t n = ::pwrite(fd.get(), p, left, at);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            cutBack(errno);
        }
        if (n == 0) {
            cutBack(ENOSPC);
        }
        p += n;
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) {
        cutBack(errno);
    }
}

std::string ExecutablePath() {
    std::string path(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) {
        return {};
    }
    path.resize(static_cast<std::size_t>(n));
    return path;
}

}  // namespace keelson::platform
