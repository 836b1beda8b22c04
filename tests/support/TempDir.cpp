#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace keelson::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        fs::path candidate = fs::temp_directory_path() / ("keelson-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make files read-only; give the owner rights back before removing.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::File(std::string_view name) const {
    return (fs::path(path_) / fs::path(name)).string();
}

std::string TempDir::NativeFile(std::string_view name) const {
    return (fs::path(path_) / fs::path(name)).make_preferred().string();
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
    fs::path p = fs::path(path_) / fs::path(name);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace keelson::test
