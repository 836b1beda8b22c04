// Whole files read into memory of their own, as the library sort reads them.

#include <gtest/gtest.h>

#include <string>

#include "core/common/Errors.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

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
        if (image.Size() > 0) {
            image.Data()[0] = 'Z';  // the image is the reader's own to change
            EXPECT_EQ(image.View()[0], 'Z') << c.name;
            EXPECT_EQ(test::ReadBytes(dir.File(c.name)), c.content) << c.name;
        }
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

}  // namespace
}  // namespace keelson
