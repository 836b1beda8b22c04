// Locks elsewhere than on Windows: flock(2) on the file, or on its folder
// while the file does not exist yet.

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/HeldLocks.h"
#include "platform/PathText.h"
#include "platform/posix/FileInternal.h"

namespace keelson::platform {

using namespace posix;

namespace {

HeldLocks<FileLock::Held> gHeld;

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

}  // namespace

namespace posix {

// The file's folder as the system resolves it, and its name.
std::string LockKey(const std::string& target) {
    std::string folder = FolderOfPath(target);
    std::string name = FileNameOfPath(target);
    char resolved[PATH_MAX];
    if (::realpath(folder.empty() ? "." : folder.c_str(), resolved) != nullptr) {
        folder = resolved;
    }
    return folder + "/" + name;
}

std::shared_ptr<FileLock::Held> FindHeldLock(const std::string& key) {
    return gHeld.Find(key);
}

}  // namespace posix

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
    if (path.empty()) {
        return;
    }
    const std::string target = ResolveLinks(path);
    const std::string key = LockKey(target);
    if ((held_ = FindHeldLock(key))) {
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

}  // namespace keelson::platform
