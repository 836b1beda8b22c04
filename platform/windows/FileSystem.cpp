#include "platform/FileSystem.h"

#include <windows.h>

#include <new>
#include <string>

#include "platform/Errors.h"
#include "platform/PathText.h"
#include "platform/Versions.h"
#include "platform/windows/FileLockInternal.h"
#include "platform/windows/SystemPath.h"

namespace keelson::platform {

namespace {

[[noreturn]] void ThrowError(DWORD code) {
    throw FileError(SystemErrorText(static_cast<int>(code)));
}

[[noreturn]] void ThrowLastError() {
    ThrowError(::GetLastError());
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
        }
    }
};

DWORD Attributes(const std::wstring& path) {
    return path.empty() || IsDevicePath(path) ? INVALID_FILE_ATTRIBUTES
                                              : ::GetFileAttributesW(path.c_str());
}

// The file a rewrite must replace: a symbolic link is followed to its final
// target, so that the link stays a link and its target gets the new text.
// A path that names no existing file is returned as it is.
std::wstring FinalPath(const std::wstring& path) {
    Handle file{::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        return path;
    }
    DWORD size = ::GetFinalPathNameByHandleW(file.h, nullptr, 0, FILE_NAME_NORMALIZED);
    if (size == 0) {
        return path;
    }
    std::wstring final(size, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file.h, final.data(), size, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= size) {
        return path;
    }
    final.resize(n);
    return final;
}

std::wstring FolderOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// The attributes a rewrite carries over from the file it replaces. The
// replacement cannot be read-only (a read-only file is refused).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void RestoreAttributes(const std::wstring& path, DWORD old) {
    DWORD now = ::GetFileAttributesW(path.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & kKeptAttributes) == (old & kKeptAttributes)) {
        return;
    }
    DWORD settable = FILE_ATTRIBUTE_READONLY | kKeptAttributes | FILE_ATTRIBUTE_TEMPORARY |
                     FILE_ATTRIBUTE_OFFLINE;
    DWORD wanted = ((now & ~kKeptAttributes) | (old & kKeptAttributes)) & settable;
    // The new content is in place; an attribute that cannot be set back is
    // no reason to report the rewrite as failed.
    ::SetFileAttributesW(path.c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted);
}

// Opens a file on a disk for reading from its start, or raises FileError.
// Only files on a disk are read: a serial port would wait for ever and the
// console would read what the user types.
HANDLE OpenForReading(const std::string& path, DWORD flags) {
    const std::wstring system = SystemPath(path);
    if (system.empty()) {
        ThrowError(path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
    }
    if (IsDevicePath(system)) {
        ThrowError(ERROR_FILE_NOT_FOUND);
    }
    Handle file{::CreateFileW(system.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, flags, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        ThrowLastError();
    }
    if (::GetFileType(file.h) != FILE_TYPE_DISK) {
        ThrowError(ERROR_FILE_NOT_FOUND);
    }
    HANDLE opened = file.h;
    file.h = INVALID_HANDLE_VALUE;
    return opened;
}

}  // namespace

bool FileExists(const std::string& path) {
    DWORD attributes = Attributes(SystemPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = Attributes(SystemPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadWholeFile(const std::string& path) {
    Handle file{OpenForReading(path, FILE_ATTRIBUTE_NORMAL)};
    std::string content;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.h, &size)) {
        content.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    const DWORD chunk = 1 << 20;
    for (;;) {
        std::size_t old = content.size();
        content.resize(old + chunk);
        DWORD n = 0;
        if (!::ReadFile(file.h, content.data() + old, chunk, &n, nullptr)) {
            ThrowLastError();
        }
        content.resize(old + n);
        if (n == 0) {
            break;
        }
    }
    return content;
}

void WriteFileAtomically(const std::string& path, Pieces content, CreateFailure style,
                         GameFile kind) {
    auto createFailed = [&](DWORD code) -> void {
        if (style == CreateFailure::CannotCreateFile) {
            throw FileError("Cannot create file " + path);
        }
        ThrowError(code);
    };
    const std::wstring system = SystemPath(path);
    if (system.empty()) {
        createFailed(path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
    }
    if (IsDevicePath(system)) {
        createFailed(ERROR_ACCESS_DENIED);
    }
    const std::wstring target = FinalPath(system);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        createFailed(ERROR_ACCESS_DENIED);
    }

    FileLock lock(path);
    const GameFileRewrite steps(path, Narrow(target), exists, kind, SizeOfPieces(content));

    // The temporary name is short whatever the file's name, so that a name
    // near the length limit can still be rewritten.
    const std::wstring folder = FolderOf(target);
    std::wstring tempPath;
    Handle file{INVALID_HANDLE_VALUE};
    for (unsigned attempt = 0; attempt < 100 && file.h == INVALID_HANDLE_VALUE; ++attempt) {
        tempPath = folder + L"\\~keelson-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(::GetTickCount() + attempt) + L".tmp";
        file.h = ::CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file.h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            createFailed(::GetLastError());
        }
    }
    if (file.h == INVALID_HANDLE_VALUE) {
        createFailed(ERROR_FILE_EXISTS);
    }
    // A failed write removes the temporary file and reports the write's error.
    auto discardTemp = [&](DWORD err) -> void {
        if (file.h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file.h);
            file.h = INVALID_HANDLE_VALUE;
        }
        ::DeleteFileW(tempPath.c_str());
        ThrowError(err);
    };
    auto write = [&](std::string_view bytes) {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            DWORD n = 0;
            DWORD part = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
            if (!::WriteFile(file.h, p, part, &n, nullptr)) {
                discardTemp(::GetLastError());
            }
            p += n;
            left -= n;
        }
    };
    // Small pieces are gathered a megabyte at a time, large ones go as they are.
    std::string block;
    for (std::string_view piece : content) {
        if (block.size() + piece.size() > (1u << 20) && !block.empty()) {
            write(block);
            block.clear();
        }
        if (piece.size() >= (1u << 20)) {
            write(piece);
        } else {
            block.append(piece);
        }
    }
    write(block);
    if (!::FlushFileBuffers(file.h)) {
        discardTemp(::GetLastError());
    }
    ::CloseHandle(file.h);
    file.h = INVALID_HANDLE_VALUE;

    // This process's own lock handle would keep the file from being replaced.
    const bool relock = ReleaseLockForReplace(path);
    struct Relock {
        bool active;
        const std::string& path;
        ~Relock() {
            if (active)
                RetakeLockAfterReplace(path);
        }
    } retake{relock, path};
    bool replaced = false;
    if (exists) {
        // ReplaceFile keeps the original's security descriptor, creation
        // time and most attributes; some file systems cannot do it, and
        // there a rename has to do.
        replaced = ::ReplaceFileW(target.c_str(), tempPath.c_str(), nullptr,
                                  REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr) != 0;
        DWORD err = ::GetLastError();
        if (!replaced && err != ERROR_INVALID_FUNCTION && err != ERROR_NOT_SUPPORTED &&
            err != ERROR_INVALID_PARAMETER) {
            ::DeleteFileW(tempPath.c_str());
            createFailed(err == ERROR_UNABLE_TO_REMOVE_REPLACED ? ERROR_ACCESS_DENIED : err);
        }
    }
    if (!replaced && !::MoveFileExW(tempPath.c_str(), target.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD err = ::GetLastError();
        ::DeleteFileW(tempPath.c_str());
        createFailed(err);
    }
    if (exists) {
        RestoreAttributes(target, attributes);
    }
}

void CopyFileDurably(const std::string& from, const std::string& to, bool) {
    const std::wstring source = SystemPath(from);
    const std::wstring destination = SystemPath(to);
    // Hidden by its leading dot from the versions' listing until it is renamed.
    const std::wstring temp =
        SystemPath(FolderOfPath(to) + "\\." + FileNameOfPath(to) + ".keelson-" +
                   std::to_string(::GetCurrentProcessId()) + ".tmp");
    if (!::CopyFileW(source.c_str(), temp.c_str(), FALSE)) {
        ThrowLastError();
    }
    Handle file{::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
    const bool flushed = file.h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(file.h);
    const DWORD err = ::GetLastError();
    if (file.h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file.h);
        file.h = INVALID_HANDLE_VALUE;
    }
    if (!flushed || !::MoveFileExW(temp.c_str(), destination.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD failed = flushed ? ::GetLastError() : err;
        ::DeleteFileW(temp.c_str());
        ThrowError(failed);
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    auto open = [](const std::string& path) {
        const std::wstring system = SystemPath(path);
        return system.empty() || IsDevicePath(system)
                   ? INVALID_HANDLE_VALUE
                   : ::CreateFileW(system.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    Handle first{open(a)};
    Handle second{open(b)};
    return first.h != INVALID_HANDLE_VALUE && second.h != INVALID_HANDLE_VALUE &&
           SameFileHandles(first.h, second.h);
}

std::vector<FolderEntry> ListFolderEntries(const std::string& path) {
    std::vector<FolderEntry> entries;
    std::wstring pattern = SystemPath(path.empty() ? std::string(".") : path);
    if (pattern.empty() || IsDevicePath(pattern)) {
        return entries;
    }
    if (pattern.back() != L'\\') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        EntryKind kind = EntryKind::File;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            kind = EntryKind::Unknown;
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            kind = EntryKind::Folder;
        }
        entries.push_back({Narrow(name), kind});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return entries;
}

FileReader::FileReader(const std::string& path) {
    HANDLE file = OpenForReading(path, FILE_FLAG_SEQUENTIAL_SCAN);
    Handle guard{file};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        ThrowLastError();
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    guard.h = INVALID_HANDLE_VALUE;
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

FileReader::~FileReader() {
    if (handle_ != -1) {
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

FileImage::FileImage(const std::string& path) {
    Read(path);
}

void FileImage::EndProcessIfCutShort(const std::string&, int) {}

FileImage::~FileImage() {
    Release(data_, held_);
}

char* FileImage::Allocate(std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    // Committed pages come zeroed by the system, with nothing written here.
    void* memory = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<char*>(memory);
}

void FileImage::Release(const char* data, std::size_t) {
    if (data != nullptr) {
        ::VirtualFree(const_cast<char*>(data), 0, MEM_RELEASE);
    }
}

std::size_t FileReader::Read(char* into, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        DWORD part = size - filled > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - filled);
        DWORD n = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), into + filled, part, &n, nullptr)) {
            ThrowLastError();
        }
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
        DWORD part = size - filled > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - filled);
        const std::uint64_t where = offset + filled;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        DWORD n = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), into + filled, part, &n, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            ThrowLastError();
        }
        if (n == 0) {
            break;
        }
        filled += n;
    }
    return filled;
}

void FileReader::Seek(std::uint64_t offset) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN)) {
        ThrowLastError();
    }
}

void AppendToFile(const std::string& path, std::string_view content,
                  const std::function<void(std::uint64_t size)>& check) {
    const std::wstring system = SystemPath(path);
    if (system.empty()) {
        ThrowError(path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
    }
    if (IsDevicePath(system)) {
        ThrowError(ERROR_ACCESS_DENIED);
    }
    DWORD attributes = ::GetFileAttributesW(system.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ThrowError(ERROR_ACCESS_DENIED);
    }
    // No other writer while the file grows: two appends at once each get
    // their own end of the file.
    Handle file{::CreateFileW(system.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        ThrowLastError();
    }
    LARGE_INTEGER oldSize{};
    if (!::GetFileSizeEx(file.h, &oldSize)) {
        ThrowLastError();
    }
    if (check) {
        check(static_cast<std::uint64_t>(oldSize.QuadPart));
    }
    auto cutBack = [&]() -> void {
        DWORD err = ::GetLastError();
        ::SetFilePointerEx(file.h, oldSize, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file.h);
        ::SetLastError(err);
        ThrowLastError();
    };
    if (!::SetFilePointerEx(file.h, oldSize, nullptr, FILE_BEGIN)) {
        ThrowLastError();
    }
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        DWORD n = 0;
        DWORD part = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        if (!::WriteFile(file.h, p, part, &n, nullptr)) {
            cutBack();
        }
        if (n == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            cutBack();
        }
        p += n;
        left -= n;
    }
    if (!::FlushFileBuffers(file.h)) {
        cutBack();
    }
}

std::string ExecutablePath() {
    std::wstring buffer(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    if (buffer.compare(0, 4, L"\\\\?\\") == 0 && buffer.size() > 6 && buffer[5] == L':') {
        buffer.erase(0, 4);
    }
    return Narrow(buffer);
}

}  // namespace keelson::platform
