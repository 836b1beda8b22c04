#include "platform/PathText.h"

namespace keelson::platform {

namespace {
// Windows takes "\" and "/" between folders and ":" after a drive letter;
// elsewhere only "/" separates, and ":" and "\" are ordinary characters of
// file names.
#ifdef _WIN32
constexpr std::string_view kPathBreaks = "\\/:";
#else
constexpr std::string_view kPathBreaks = "/";
#endif

}  // namespace

std::string FolderOfPath(std::string_view path) {
    std::size_t pos = path.find_last_of(kPathBreaks);
    if (pos == std::string_view::npos) {
        return {};
    }
    if (path[pos] != ':' && pos > 0 && path[pos - 1] != ':' &&
        kPathBreaks.find(path[pos - 1]) == std::string_view::npos) {
        return std::string(path.substr(0, pos));
    }
    return std::string(path.substr(0, pos + 1));
}

std::string FileNameOfPath(std::string_view path) {
    std::size_t pos = path.find_last_of(kPathBreaks);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = UpperAscii(c);
    }
    return result;
}

}  // namespace keelson::platform
