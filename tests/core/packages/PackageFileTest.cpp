#include <gtest/gtest.h>

#include <cstring>

#include "core/packages/PackageFile.h"
#include "tests/support/PackageBuilder.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::PackageBytes;
using test::PackageNeeding;

PackageInfo Parse(const std::string& bytes) {
    return ParsePackage(bytes.size(), [&](std::uint64_t at, char* into, std::size_t size) {
        // The reader never asks for a byte beyond the end.
        EXPECT_LE(at + size, bytes.size());
        std::memcpy(into, bytes.data() + at, size);
        return size;
    });
}

std::string ErrorOf(const std::string& bytes) {
    try {
        Parse(bytes);
    } catch (const PackageFormatError& e) {
        return e.what();
    }
    return "accepted";
}

void SetI32(std::string& bytes, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

// Each of the three layouts: names with or without their length, and the
// heritage table or the GUID and generations.
TEST(PackageFile, ReadsEveryVersionsLayout) {
    struct Case {
        std::uint16_t version;
        bool guid;
    };
    for (Case c : {Case{61, true}, Case{63, false}, Case{64, true}, Case{67, false}, Case{68, true},
                   Case{69, true}}) {
        PackageInfo info = PackageNeeding({"Core", "Engine", "EnhancedItems"}, c.version);
        info.licensee = 7;
        info.flags = kPackageAllowDownload | kPackageServerSideOnly;
        if (!c.guid) {
            info.guid.reset();
        }
        if (c.version >= 68) {
            info.generations = {{10, 20}, {11, 25}};
        }
        test::TempDir dir;
        const std::string path = dir.Write("Mod.u", PackageBytes(info));
        EXPECT_EQ(ReadPackageFile(path), info) << "version " << c.version;
        // The import table near the end of a large file, as in a map.
        test::PackagePieces far = test::PackageParts(info, 1 << 20);
        std::string bytes = far.head;
        bytes.resize(far.tailOffset, '\0');
        EXPECT_EQ(Parse(bytes + far.tail), info) << "version " << c.version;
    }
}

TEST(PackageFile, GuidIsPrintedAsTheGamePrintsIt) {
    EXPECT_EQ(GuidText({0x12345678, 0x9ABCDEF0, 0x0F1E2D3C, 0x4B5A6978}),
              "123456789ABCDEF00F1E2D3C4B5A6978");
}

// Damaged and hostile files give a clear error, never a crash or a huge
// allocation.
TEST(PackageFile, RefusesDamagedFiles) {
    const std::string good = PackageBytes(PackageNeeding({"Engine"}));
    auto with = [&](std::size_t at, std::int32_t v) {
        std::string bytes = good;
        SetI32(bytes, at, v);
        return bytes;
    };
    std::string longName = PackageBytes(PackageNeeding({std::string(63, 'x')}));
    const std::size_t lengthAt = longName.find(std::string(63, 'x')) - 1;
    longName[lengthAt] = 65;  // one more than a name may hold
    std::string badIndex = good;
    badIndex[badIndex.size() - 1] = 0x3F;  // the last import's object name
    struct Case {
        std::string what;
        std::string bytes;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{
             {"empty", "", "not a package file"},
             {"3 bytes", "\xC1\x83\x2A", "not a package file"},
             {"text", "[Engine.GameEngine]\r\nServerPackages=Foo\r\n", "not a package file"},
             {"header cut", good.substr(0, 40),
              "truncated: the header lies beyond the end of the file"},
             {"a billion names", with(12, 1000000000),
              "truncated: the name table lies beyond the end of the file"},
             {"negative count", with(28, -1), "damaged: the count of the import table is negative"},
             {"imports past the end", with(32, static_cast<std::int32_t>(good.size())),
              "truncated: the import table lies beyond the end of the file"},
             {"imports cut", good.substr(0, good.size() - 2),
              "truncated: the import table lies beyond the end of the file"},
             {"generations", with(52, 100000),
              "truncated: the generation table lies beyond the end of the file"},
             {"long name", longName,
              "damaged: name 4 of the name table is empty, negative or longer than 64 bytes"},
             {"bad name index", badIndex, "damaged: import 1 names no entry of the name table"},
         }) {
        EXPECT_EQ(ErrorOf(c.bytes), c.error) << c.what;
    }
}

TEST(PackageFile, OnlyRegularFilesAreOpened) {
    test::TempDir dir;
    dir.Write("Folder.u/x", "");
    EXPECT_THROW(ReadPackageFile(dir.File("Folder.u")), FileError);
    EXPECT_THROW(ReadPackageFile(dir.File("Missing.u")), FileError);
}

}  // namespace
}  // namespace keelson
