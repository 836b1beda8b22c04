// A folder that appears whole, with its one file inside, in one rename.

#include "platform/posix/NewFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/PathText.h"
#include "platform/posix/FileInternal.h"

namespace keelson::platform {

using namespace posix;

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

}  // namespace keelson::platform
