#pragma once
// The file system as the program uses it: an existence test that is true
// only for files, whole-file reads, atomic whole-file rewrites and folder
// listings. One implementation for Windows, one for other systems.
// Failures raise FileError with the program's wording.

#include <string>
#include <string_view>
#include <vector>

namespace keelson::platform {

// The separator of paths that the program builds.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True when a file (not a folder) exists at path; links are followed.
bool FileExists(const std::string& path);

// True when a folder exists at path.
bool FolderExists(const std::string& path);

// The whole content of a file. Raises FileError ("File not found", ...).
std::string ReadWholeFile(const std::string& path);

// How a rewrite reports that it cannot create its file: with the system's
// wording ("File access denied"), or as "Cannot create file PATH".
enum class CreateFailure { SystemWording, CannotCreateFile };

// Replaces the file at path with content, or creates it. The content goes to
// a temporary file in the same folder, which is flushed and renamed over the
// original only when complete: on any failure the original is untouched and
// the temporary file is removed. A read-only target is refused. The file's
// permission bits are kept; a symbolic link is written through to its
// target.
void WriteFileAtomically(const std::string& path, std::string_view content,
                         CreateFailure style = CreateFailure::SystemWording);

// The names of the entries of a folder, without "." and "..". Empty when
// the folder cannot be listed.
std::vector<std::string> ListFolder(const std::string& path);

// The full path of the running program's executable.
std::string ExecutablePath();

}  // namespace keelson::platform
