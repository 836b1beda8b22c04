#include "platform/FileSystem.h"

#include <windows.h>

#include "common/Errors.h"
#include "common/UTSharedUtils1.h"
#include "platform/windows/FileLockInternal.h"

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
    const bool relock = ReleaseLockForReplace(path);
    const BOOL moved = ::MoveFileExA(tempPath.c_str(), path.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (relock) {
        RetakeLockAfterReplace(path);
    }
    if (!moved) {
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

std::string ExecutablePath() {
    char buffer[MAX_PATH * 4];
    DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, n);
}

}  // namespace keelson::platform
