// Whole files read into memory of their own and written from pieces, as the
// library sort reads and writes them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Errors.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "tests/platform/InChild.h"
#endif

namespace keelson {
namespace {

TEST(FileImage, HoldsEveryByteOfFilesOfAnySize) {
    test::TempDir dir;
    std::string large(3 * 1024 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i * 7919 % 251);
    }
    const struct {
        const char* name;
        std::string content;
    } cases[] = {{"empty", ""}, {"one byte", "x"}, {"text", "a\r\nb\0c"}, {"large", large}};
    for (const auto& c : cases) {
        platform::FileImage image(dir.Write(c.name, c.content));
        EXPECT_EQ(image.Size(), c.content.size()) << c.name;
        EXPECT_TRUE(image.View() == c.content) << c.name;
    }
}

TEST(FileImage, MissingFilesAndFoldersAreRefusedAsEveryReadRefusesThem) {
    test::TempDir dir;
    for (const std::string& path : {dir.File("none.ut_botlib"), dir.Path()}) {
        std::string expected;
        try {
            platform::ReadWholeFile(path);
        } catch (const FileError& e) {
            expected = e.what();
        }
        ASSERT_FALSE(expected.empty()) << path;
        try {
            platform::FileImage image(path);
            ADD_FAILURE() << path << " was read";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), expected) << path;
        }
    }
}

TEST(FilePieces, AreWrittenInOrderWhateverTheirSizesAndNumber) {
    test::TempDir dir;
    const std::string big(3 * 1024 * 1024 + 1, 'b');
    std::vector<std::string> owned;
    for (int i = 0; i < 5000; ++i) {
        owned.push_back(i % 7 == 0 ? std::string() : std::string(1 + i % 1568, char('a' + i % 26)));
    }
    std::vector<std::string_view> many(owned.begin(), owned.end());
    std::vector<std::string_view> mixed = {"", "head", big, "", "tail", big, ""};
    const struct {
        const char* name;
        std::vector<std::string_view> pieces;
    } cases[] = {{"none", {}}, {"only empty", {"", ""}}, {"many small", many}, {"mixed", mixed}};
    for (const auto& c : cases) {
        std::string expected;
        for (std::string_view piece : c.pieces) {
            expected += piece;
        }
        const std::string path = dir.Write(c.name, "old content");
        platform::WriteFileAtomically(path, platform::Pieces(c.pieces));
        EXPECT_TRUE(test::ReadBytes(path) == expected) << c.name;
        EXPECT_EQ(platform::SizeOfPieces(c.pieces), expected.size()) << c.name;
#ifndef _WIN32
        // A file with another link is rewritten in place, from the same pieces.
        const std::string linked = dir.Write(std::string(c.name) + " linked", "old, linked");
        std::filesystem::create_hard_link(linked, linked + ".other");
        platform::WriteFileAtomically(linked, platform::Pieces(c.pieces));
        EXPECT_TRUE(test::ReadBytes(linked + ".other") == expected) << c.name;
#endif
    }
}

// The sort writes the records of a file in a new order from its own image of
// that file: whether the file is replaced or rewritten in place (a second
// link, or a folder the writer cannot create files in), every record comes
// out whole and in its new place.
TEST(FilePieces, AFileRewrittenFromItsOwnImageGetsTheNewOrder) {
    test::TempDir dir;
    std::string content;
    for (int record = 0; record < 3000; ++record) {
        content += std::string(1568, char('A' + record % 26));
    }
    std::string reversed;
    for (int record = 2999; record >= 0; --record) {
        reversed += content.substr(static_cast<std::size_t>(record) * 1568, 1568);
    }
    for (bool linked : {false, true}) {
        const std::string path = dir.Write(linked ? "linked.ut_botlib" : "lone.ut_botlib", content);
#ifdef _WIN32
        if (linked) {
            continue;
        }
#else
        if (linked) {
            std::filesystem::create_hard_link(path, path + ".other");
        }
#endif
        platform::FileImage image(path);
        std::vector<std::string_view> pieces;
        for (int record = 2999; record >= 0; --record) {
            pieces.push_back(image.View().substr(static_cast<std::size_t>(record) * 1568, 1568));
        }
        platform::WriteFileAtomically(path, platform::Pieces(pieces));
        EXPECT_TRUE(test::ReadBytes(path) == reversed) << path;
    }
}

#ifndef _WIN32
// Another program cuts the file short under the image: a reader that asked
// for it ends with its message and status, not with a bus error.
TEST(FileImage, AFileCutShortUnderItEndsTheReaderWithItsMessage) {
    test::TempDir dir;
    const std::string path = dir.Write("cut.ut_botlib", std::string(1 << 20, 'x'));
    const std::string said = dir.File("said.txt");
    for (bool guarded : {true, false}) {
        const int status = test::InChild([&] {
            int err = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(err, 2);
            platform::FileImage image(path);
            if (guarded) {
                image.EndProcessIfCutShort("cut.ut_botlib: cut short\n", 9);
            }
            ::truncate(path.c_str(), 4096);
            volatile char last = image.Data()[image.Size() - 1];
            (void)last;
        });
        if (guarded) {
            EXPECT_EQ(status, 9);
            EXPECT_EQ(test::ReadBytes(said), "cut.ut_botlib: cut short\n");
        } else {
            EXPECT_TRUE(status != 0 && status != 9) << status;  // the bus error ended it
        }
        ::truncate(path.c_str(), 1 << 20);
    }
}
#endif

}  // namespace
}  // namespace keelson
