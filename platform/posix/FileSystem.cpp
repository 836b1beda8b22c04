#include "platform/FileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Errors.h"
#include "platform/PathText.h"
#include "platform/posix/FileInternal.h"

namespace keelson::platform {

namespace {

std::function<void(std::string_view)> gWriteHook;

}  // namespace

namespace posix {

void ThrowErrno(int code) {
    throw FileError(SystemErrorText(code));
}

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

void Step(std::string_view step) {
    if (gWriteHook) {
        gWriteHook(step);
    }
}

namespace {

// Writes all of content, at offset at or, when at is negative, at the
// current position. While a write hook is set and announce is true, the
// content goes in pieces of at most 4096 bytes, each announced to the hook.
void WriteFully(int fd, std::string_view content, off_t at, bool announce) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        // A megabyte a call: one write of a whole large file can stall for
        // seconds while the kernel throttles the pages it dirties all at once.
        std::size_t piece = std::min<std::size_t>(left, 1u << 20);
        if (announce && gWriteHook) {
            Step("write");
            piece = std::min<std::size_t>(left, 4096);
        }
        ssize_t n = at < 0 ? ::write(fd, p, piece) : ::pwrite(fd, p, piece, at);
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
        if (at >= 0) {
            at += n;
        }
        left -= static_cast<std::size_t>(n);
    }
}

}  // namespace

void WriteAll(int fd, std::string_view content) {
    WriteFully(fd, content, -1, true);
}

void WriteAll(int fd, Pieces pieces) {
    if (gWriteHook) {
        for (std::string_view piece : pieces) {
            WriteFully(fd, piece, -1, true);
        }
        return;
    }
    // Up to a megabyte a call, as WriteFully writes, in at most kBatch pieces.
    constexpr std::size_t kBatch = 1024;
    iovec batch[kBatch];
    std::size_t next = 0;    // the first piece not written whole
    std::size_t within = 0;  // the bytes of it written
    while (next < pieces.size()) {
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (std::size_t i = next, from = within;
             i < pieces.size() && count < kBatch && bytes < (1u << 20); ++i, from = 0) {
            if (pieces[i].size() > from) {
                batch[count++] = {const_cast<char*>(pieces[i].data()) + from,
                                  pieces[i].size() - from};
                bytes += pieces[i].size() - from;
            }
        }
        if (count == 0) {
            return;  // only empty pieces are left
        }
        const ssize_t n = ::writev(fd, batch, static_cast<int>(count));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EFAULT) {
                throw FileError(kCutShortWhileRead);  // pieces of a FileImage
            }
            ThrowErrno(errno);
        }
        if (n == 0) {
            ThrowErrno(ENOSPC);
        }
        for (std::size_t left = static_cast<std::size_t>(n); left > 0;) {
            const std::size_t take = std::min(left, pieces[next].size() - within);
            within += take;
            left -= take;
            if (within == pieces[next].size()) {
                ++next;
                within = 0;
            }
        }
    }
}

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

int OpenFileToRead(const std::string& path, struct stat& st) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        ThrowErrno(errno);
    }
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
    return fd.release();
}

}  // namespace posix

using namespace posix;

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
    struct stat st {};
    Fd fd(OpenFileToRead(path, st));
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

FileReader::FileReader(const std::string& path) {
    if (path.empty()) {
        ThrowErrno(ENOENT);
    }
    struct stat st {};
    Fd fd(OpenFileToRead(path, st));
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

namespace {

// What the SIGBUS handler needs, set before it is installed: a signal
// handler may only read what is ready.
struct CutShortGuard {
    const char* from = nullptr;
    const char* to = nullptr;
    char message[1024] = {};
    std::size_t length = 0;
    int status = 1;
    struct sigaction previous {};
};
CutShortGuard gCutShort;

void OnBusError(int signal, siginfo_t* info, void*) {
    const char* at = static_cast<const char*>(info->si_addr);
    if (at >= gCutShort.from && at < gCutShort.to) {
        [[maybe_unused]] ssize_t n = ::write(2, gCutShort.message, gCutShort.length);
        ::_exit(gCutShort.status);
    }
    // Not the image's: the signal's own action, as if no guard were there.
    ::sigaction(signal, &gCutShort.previous, nullptr);
    ::raise(signal);
}

}  // namespace

void FileImage::EndProcessIfCutShort(const std::string& message, int status) {
    if (!mapped_ || guarded_ || gCutShort.from != nullptr) {
        return;
    }
    gCutShort.length = std::min(message.size(), sizeof gCutShort.message);
    std::memcpy(gCutShort.message, message.data(), gCutShort.length);
    gCutShort.status = status;
    gCutShort.from = data_;
    gCutShort.to = data_ + held_;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &gCutShort.previous);
    guarded_ = true;
}

FileImage::FileImage(const std::string& path) {
    if (path.empty()) {
        ThrowErrno(ENOENT);
    }
    struct stat st {};
    Fd fd(OpenFileToRead(path, st));
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size == 0) {
        return;
    }
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;  // every page in one call, not one fault each
#endif
    void* memory = ::mmap(nullptr, size, PROT_READ, flags, fd.get(), 0);
    if (memory == MAP_FAILED) {
        Read(path);  // a file system that cannot map its files
        return;
    }
    data_ = static_cast<const char*>(memory);
    size_ = held_ = size;
    mapped_ = true;
}

FileImage::~FileImage() {
    if (guarded_) {
        ::sigaction(SIGBUS, &gCutShort.previous, nullptr);
        gCutShort.from = gCutShort.to = nullptr;
    }
    if (mapped_) {
        ::munmap(const_cast<char*>(data_), held_);
    } else {
        Release(data_, held_);
    }
}

char* FileImage::Allocate(std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
    // One call maps every page: a fault per page, as a read into fresh
    // memory would take, costs more than the read itself.
    flags |= MAP_POPULATE;
#endif
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    return static_cast<char*>(memory);
}

void FileImage::Release(const char* data, std::size_t size) {
    if (data != nullptr) {
        ::munmap(const_cast<char*>(data), size);
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

std::size_t FileReader::ReadAt(std::uint64_t offset, char* into, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        ssize_t n = ::pread(static_cast<int>(handle_), into + filled, size - filled,
                            static_cast<off_t>(offset + filled));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno(errno);
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
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
    // Whatever fails, the file is cut back to its old bytes.
    try {
        WriteFully(fd.get(), content, oldSize, false);
        if (::fsync(fd.get()) != 0) {
            ThrowErrno(errno);
        }
    } catch (const FileError&) {
        while (::ftruncate(fd.get(), oldSize) != 0 && errno == EINTR) {
        }
        throw;
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
