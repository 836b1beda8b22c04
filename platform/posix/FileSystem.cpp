#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "common/Errors.h"
#include "common/UTSharedUtils1.h"

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

void WriteAll(int fd, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
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

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        createFailed(EISDIR);
    }
    // A file without write permission is read-only, even to root, as a file
    // with the read-only attribute is on Windows.
    if (exists && (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)) {
        createFailed(EACCES);
    }

    std::string folder = FolderOfPath(target);
    std::string name = FileNameOfPath(target);
    std::string tempPath =
        (folder.empty() ? std::string() : folder + "/") + "." + name + ".keelson-XXXXXX";
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

    mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd.get(), mode) != 0) {
        ThrowErrno(errno);
    }
    if (exists && ::geteuid() == 0) {
        // Root keeps the owner of the file it rewrites; failure is harmless.
        [[maybe_unused]] int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
    }
    WriteAll(fd.get(), content);
    if (::fsync(fd.get()) != 0) {
        ThrowErrno(errno);
    }
    if (::close(fd.release()) != 0) {
        ThrowErrno(errno);
    }
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        createFailed(errno);
    }
    guard.armed = false;
    // Make the rename itself durable.
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.empty() ? "." : path.c_str()),
                                            ::closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    return names;
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
    // Two appends at once each get their own end of the file.
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            ThrowErrno(errno);
        }
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
