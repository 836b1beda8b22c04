#pragma once
// Writes small package files for tests, the fuzz target and the benchmark:
// a header, a name table, an import table that imports the packages given,
// and for old versions a heritage table. No objects and no exports.

#include <cstdint>
#include <string>
#include <vector>

#include "core/packages/PackageFile.h"

namespace keelson::test {

struct PackagePieces {
    std::string head;  // from offset 0: the header and the name table
    std::string tail;  // the import table (and heritage table), at tailOffset
    std::uint64_t tailOffset = 0;
    std::uint64_t fileSize = 0;
};

// The pieces of a package holding what info says: dependencies become
// imports of class Package at the top level (with one class import inside
// the first of them, which is no dependency). With fileSize beyond what
// the pieces need, the tail goes at the end of a file of that size, as the
// import table of a real package lies near its end.
PackagePieces PackageParts(const PackageInfo& info, std::uint64_t fileSize = 0);

// The whole file, the gap between the pieces filled with zeros.
std::string PackageBytes(const PackageInfo& info);

// A current package (version 69, AllowDownload) that needs these packages.
PackageInfo PackageNeeding(std::vector<std::string> dependencies, std::uint16_t version = 69);

}  // namespace keelson::test
