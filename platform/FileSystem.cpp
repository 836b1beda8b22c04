// What of the file system is the same on every system, built on what each
// system's own implementation gives.

#include "platform/FileSystem.h"

#include <utility>

namespace keelson::platform {

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    for (FolderEntry& entry : ListFolderEntries(path)) {
        names.push_back(std::move(entry.name));
    }
    return names;
}

}  // namespace keelson::platform
