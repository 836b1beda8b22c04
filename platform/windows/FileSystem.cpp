#include "platform/FileSystem.h"

#include <windows.h>

#include "common/Errors.h"
#include "common/UTSharedUtils1.h"

namespace keelson::platform {

namespace {

[[noreturn]] void ThrowLastError() {
    throw FileError(SystemErrorText(static_cast<int>(::GetLastError())));
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
        }
    }
};

}  // namespace

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadWholeFile(const std::string& path) {
    Handle file{::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        ThrowLastError();
    }
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

void WriteFileAtomically(const std::string& path, std::string_view content, CreateFailure style) {
    auto createFailed = [&]() -> void {
        if (style == CreateFailure::CannotCreateFile) {
            throw FileError("Cannot create file " + path);
        }
        ThrowLastError();
    };
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        createFailed();
    }
    std::string folder = FolderOfPath(path);
    std::string tempPath = (folder.empty() ? std::string() : folder + "\\") + "~" +
                           FileNameOfPath(path) + ".keelson-tmp";
    // A failed write removes the temporary file and reports the write's error.
    auto discardTemp = [&](Handle& file) -> void {
        DWORD err = ::GetLastError();
        ::CloseHandle(file.h);
        file.h = INVALID_HANDLE_VALUE;
        ::DeleteFileA(tempPath.c_str());
        ::SetLastError(err);
        ThrowLastError();
    };
    {
        Handle file{::CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE) {
            createFailed();
        }
        const char* p = content.data();
        std::size_t left = content.size();
        while (left > 0) {
            DWORD n = 0;
            DWORD part = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
            if (!::WriteFile(file.h, p, part, &n, nullptr)) {
                discardTemp(file);
            }
            p += n;
            left -= n;
        }
        if (!::FlushFileBuffers(file.h)) {
            discardTemp(file);
        }
    }
    if (!::MoveFileExA(tempPath.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD err = ::GetLastError();
        ::DeleteFileA(tempPath.c_str());
        ::SetLastError(err);
        createFailed();
    }
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find =
        ::FindFirstFileA(((path.empty() ? std::string(".") : path) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

std::vector<FolderEntry> ListFolderEntries(const std::string& path) {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAA data;
    HANDLE find =
        ::FindFirstFileA(((path.empty() ? std::string(".") : path) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        EntryKind kind = EntryKind::File;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            kind = EntryKind::Unknown;
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            kind = EntryKind::Folder;
        }
        entries.push_back({std::move(name), kind});
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return entries;
}

FileReader::FileReader(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ThrowLastError();
    }
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

void FileReader::Seek(std::uint64_t offset) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN)) {
        ThrowLastError();
    }
}

void AppendToFile(const std::string& path, std::string_view content,
                  const std::function<void(std::uint64_t size)>& check) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        ThrowLastError();
    }
    // No other writer while the file grows: two appends at once each get
    // their own end of the file.
    Handle file{::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
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
    char buffer[MAX_PATH * 4];
    DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, n);
}

}  // namespace keelson::platform
