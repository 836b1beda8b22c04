// What of the file system is the same on every system, built on what each
// system's own implementation gives.

#include "platform/FileSystem.h"

#include <cstring>
#include <utility>

namespace keelson::platform {

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    for (FolderEntry& entry : ListFolderEntries(path)) {
        names.push_back(std::move(entry.name));
    }
    return names;
}

FileImage::FileImage(const std::string& path) {
    FileReader reader(path);
    // The size the file reports is read straight into place; a file that
    // grew meanwhile is read on into a buffer and moved once more.
    allocated_ = static_cast<std::size_t>(reader.Size());
    data_ = Allocate(allocated_);
    try {
        while (size_ < allocated_) {
            const std::size_t n = reader.Read(data_ + size_, allocated_ - size_);
            if (n == 0) {
                break;
            }
            size_ += n;
        }
        std::string tail;
        char buffer[65536];
        while (std::size_t n = reader.Read(buffer, sizeof buffer)) {
            tail.append(buffer, n);
        }
        if (!tail.empty()) {
            char* whole = Allocate(size_ + tail.size());
            std::memcpy(whole, data_, size_);
            std::memcpy(whole + size_, tail.data(), tail.size());
            Release(data_, allocated_);
            data_ = whole;
            size_ += tail.size();
            allocated_ = size_;
        }
    } catch (...) {
        Release(data_, allocated_);
        throw;
    }
}

FileImage::~FileImage() {
    Release(data_, allocated_);
}

}  // namespace keelson::platform
