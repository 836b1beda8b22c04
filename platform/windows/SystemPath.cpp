#include "platform/windows/SystemPath.h"

#include <cwchar>

namespace keelson::platform {

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

}  // namespace

std::wstring Widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    int n =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                          nullptr, nullptr);
    return text;
}

std::wstring SystemPath(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return {};
    }
    std::wstring wide = Widen(path);
    if (StartsWith(wide, L"\\\\?\\")) {
        return wide;
    }
    DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return wide;
    }
    std::wstring full(size, L'\0');
    DWORD n = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) {
        return wide;
    }
    full.resize(n);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
        return L"\\\\?\\" + full;
    }
    if (StartsWith(full, L"\\\\") && !StartsWith(full, L"\\\\.\\") &&
        !StartsWith(full, L"\\\\?\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return full;
}

bool IsDevicePath(const std::wstring& path) {
    return StartsWith(path, L"\\\\.\\") || StartsWith(path, L"\\\\?\\GLOBALROOT");
}

bool SameFileHandles(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{};
    BY_HANDLE_FILE_INFORMATION y{};
    return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace keelson::platform
