#pragma once
// The few text rules that paths and the settings store need: the folder and
// file name of a path, upper-casing as the game does it, hex digits. The
// core's helpers (core/common/UTSharedUtils1.h) answer with these.

#include <string>
#include <string_view>

namespace keelson::platform {

// The folder part of a path, without a trailing separator except at a
// root. On Windows "\" and "/" are both separators and ":" ends a drive
// name; elsewhere "/" is the only separator.
std::string FolderOfPath(std::string_view path);

// The file name part of a path: everything behind its last separator (on
// Windows also behind a drive's ":").
std::string FileNameOfPath(std::string_view path);

// The value of a hexadecimal digit (0-9, a-f, A-F), or -1.
int HexDigitValue(char c);

// Only the letters a to z change.
char UpperAscii(char c);
std::string UpperAscii(std::string_view text);

}  // namespace keelson::platform
