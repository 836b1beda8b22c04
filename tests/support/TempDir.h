#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <string>
#include <string_view>

namespace keelson::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // The path of a name inside the folder.
    std::string File(std::string_view name) const;
    // The same with every separator the system's own ("\\" on Windows), as
    // the program writes a path it made from the game's Paths.
    std::string NativeFile(std::string_view name) const;
    // Writes bytes to a file inside the folder (folders made as needed) and
    // returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;

  private:
    std::string path_;
};

// The whole content of a file, or "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);

}  // namespace keelson::test
