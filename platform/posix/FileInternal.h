#pragma once
// What the pieces of the file layer share on systems other than Windows:
// an owned descriptor, the errno wording, whole writes and reads with the
// fault-injection hook, link resolution, and the locks this process holds,
// which a rewrite carries over to the file that replaces the old one.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace keelson::platform {

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

namespace posix {

// Raises FileError with the system's wording of an errno value.
[[noreturn]] void ThrowErrno(int code);

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

inline bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Follows symbolic links to the file that a rewrite must replace. A link
// whose target is missing names the file to create there.
std::string ResolveLinks(const std::string& path);

// Calls the write hook, when one is set, with the step a writer is at.
void Step(std::string_view step);

// Writes all of content, in pieces of at most 4096 bytes while the write
// hook is set. "Disk full" when the system writes nothing.
void WriteAll(int fd, std::string_view content);
// The same for pieces, gathered into few system calls.
void WriteAll(int fd, Pieces pieces);

// One read(2): the bytes read, 0 at the end of the file.
std::size_t ReadSome(int fd, char* into, std::size_t size);

mode_t CurrentUmask();

// Opens a regular file to read from its start, filling st. Opened without
// blocking, so that a FIFO named by mistake cannot hang the program; only
// regular files are read (a device such as /dev/zero would never end).
int OpenFileToRead(const std::string& path, struct stat& st);

// The key by which a process finds the locks it holds on a file whose links
// are resolved.
std::string LockKey(const std::string& target);

// The lock this process holds on the file of key; empty when none is.
std::shared_ptr<FileLock::Held> FindHeldLock(const std::string& key);

}  // namespace posix

}  // namespace keelson::platform
