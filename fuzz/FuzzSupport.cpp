#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <filesystem>

namespace keelson::fuzz {

std::string ScratchFolder() {
    static const std::string folder = [] {
        std::string path = (std::filesystem::temp_directory_path() /
                            ("keelson-fuzz-" + std::to_string(::getpid())))
                               .string();
        std::filesystem::create_directories(path + "/System");
        return path;
    }();
    return folder;
}

}  // namespace keelson::fuzz
