#pragma once
// What the server needs to know of a package file (.u, .utx, .uax, .umx,
// .unr): its header, and the packages it imports. Only the header, the name
// table and the import table are read, by seeking to them: a 20 MB map costs
// tens of kilobytes. Every offset and count is checked against the file's
// size before it is used, so a damaged or hostile file costs no more memory
// or time than its size.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace keelson {

// The package flags that matter to a server.
inline constexpr std::uint32_t kPackageAllowDownload = 1;
inline constexpr std::uint32_t kPackageClientOptional = 2;
inline constexpr std::uint32_t kPackageServerSideOnly = 4;

// One generation of a package (version 68 and later): what a build held.
struct PackageGeneration {
    std::int32_t exportCount = 0;
    std::int32_t nameCount = 0;
    bool operator==(const PackageGeneration&) const = default;
};

struct PackageInfo {
    std::uint16_t version = 0;
    std::uint16_t licensee = 0;
    std::uint32_t flags = 0;
    // The package's GUID as four u32; none for an old package without one.
    std::optional<std::array<std::uint32_t, 4>> guid;
    std::vector<PackageGeneration> generations;
    // The packages it imports directly, in the order of the import table,
    // each once (letter case of a to z ignored), as spelt in the name table.
    std::vector<std::string> dependencies;
    bool operator==(const PackageInfo&) const = default;
};

// The file's content is no package, or a damaged one: "not a package file",
// "truncated: the import table lies beyond the end of the file", ...
class PackageFormatError : public KeelsonError {
  public:
    using KeelsonError::KeelsonError;
};

// Reads size bytes at offset into `into`; returns how many it read (fewer
// only at the end of the file).
using ReadAt = std::function<std::size_t(std::uint64_t offset, char* into, std::size_t size)>;

// Reads a package of fileSize bytes through readAt, which is never asked for
// a byte at or beyond fileSize. Raises PackageFormatError.
PackageInfo ParsePackage(std::uint64_t fileSize, const ReadAt& readAt);

// Reads the package file at path. Only regular files are opened (a FIFO or
// a device named like a package is refused without blocking). Raises
// FileError when the file cannot be read, PackageFormatError for its
// content.
PackageInfo ReadPackageFile(const std::string& path);

// "9E2A...": the GUID's four u32 in order, each as 8 upper-case hexadecimal
// digits, as the game prints it.
std::string GuidText(const std::array<std::uint32_t, 4>& guid);

}  // namespace keelson
