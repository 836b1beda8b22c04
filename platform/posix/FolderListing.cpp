// Folder listings elsewhere than on Windows.

#include <dirent.h>

#include <memory>

#include "platform/FileSystem.h"

namespace keelson::platform {

std::vector<FolderEntry> ListFolderEntries(const std::string& path) {
    std::vector<FolderEntry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.empty() ? "." : path.c_str()),
                                            ::closedir);
    if (!dir) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        EntryKind kind = EntryKind::Other;
        switch (entry->d_type) {
            case DT_REG:
                kind = EntryKind::File;
                break;
            case DT_DIR:
                kind = EntryKind::Folder;
                break;
            case DT_LNK:
            case DT_UNKNOWN:
                kind = EntryKind::Unknown;
                break;
            default:
                break;
        }
        entries.push_back({std::string(name), kind});
    }
    return entries;
}

}  // namespace keelson::platform
