#pragma once
// A folder that appears whole: the settings store makes a key's folder with
// its values file inside in one step, so that a failed or killed save leaves
// no key rather than a key without its values.

#include <string>
#include <string_view>

namespace keelson::platform {

// Makes the folder at path holding one file, fileName, with content. The
// folder is made under a temporary name beside path, the file is written and
// flushed in it, and the folder takes the name path only when complete, and
// never in place of anything already there. A failed or killed run leaves
// nothing at path; the temporary folders that killed runs left are removed
// by later runs in the same folder. False when something stands at path
// already (nothing is made then); raises FileError when the folder cannot be
// made. Calls the write hook at "folder", "write", "sync" and "rename".
bool MakeFolderWithFile(const std::string& path, const std::string& fileName,
                        std::string_view content);

// True for the name of a folder that MakeFolderWithFile has not finished:
// "." + name + ".keelson-new-" + six characters.
bool IsUnfinishedFolderName(std::string_view name);

}  // namespace keelson::platform
