#pragma once
// Paths as the wide file functions of Windows take them. The program's paths
// are texts in the ANSI code page; every file function of this layer turns
// them into the system's form here, never with the ANSI functions, which
// stop at 260 characters.

#include <windows.h>

#include <string>

namespace keelson::platform {

// ANSI code page text to wide text and back.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& wide);

// A path as the wide functions take it at any length: made full (relative
// paths, "..", "/" resolved as Windows always resolves them), then marked
// with "\\?\" ("\\?\UNC\" for a network share), which lifts the limit of
// 260 characters. A device name ("COM1", "CON", "D:\game\aux.ini") comes
// back as "\\.\NAME". Empty for a path no file can have.
std::wstring SystemPath(const std::string& path);

// Names a device or a pipe rather than a file on a disk.
bool IsDevicePath(const std::wstring& path);

// Both handles are open on one file (the same file reached by two names or
// two hard links counts as one).
bool SameFileHandles(HANDLE a, HANDLE b);

}  // namespace keelson::platform
