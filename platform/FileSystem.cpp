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

void WriteFileAtomically(const std::string& path, std::string_view content, CreateFailure style,
                         GameFile kind) {
    WriteFileAtomically(path, Pieces(&content, 1), style, kind);
}

std::uint64_t SizeOfPieces(Pieces pieces) {
    std::uint64_t size = 0;
    for (std::string_view piece : pieces) {
        size += piece.size();
    }
    return size;
}

void FileImage::Read(const std::string& path) {
    FileReader reader(path);
    // The size the file reports is read straight into place; a file that
    // grew meanwhile is read on into a buffer and moved once more.
    std::size_t held = static_cast<std::size_t>(reader.Size());
    char* data = Allocate(held);
    std::size_t size = 0;
    try {
        while (size < held) {
            const std::size_t n = reader.Read(data + size, held - size);
            if (n == 0) {
                break;
            }
            size += n;
        }
        std::string tail;
        char buffer[65536];
        while (std::size_t n = reader.Read(buffer, sizeof buffer)) {
            tail.append(buffer, n);
        }
        if (!tail.empty()) {
            char* whole = Allocate(size + tail.size());
            std::memcpy(whole, data, size);
            std::memcpy(whole + size, tail.data(), tail.size());
            Release(data, held);
            data = whole;
            size += tail.size();
            held = size;
        }
    } catch (...) {
        Release(data, held);
        throw;
    }
    data_ = data;
    size_ = size;
    held_ = held;
}

}  // namespace keelson::platform
