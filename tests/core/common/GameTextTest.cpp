#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "core/common/Errors.h"
#include "core/common/GameText.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using Lines = std::vector<std::string_view>;

TEST(GameTextLines, EveryKindOfLineEndEndsALine) {
    EXPECT_EQ(SplitGameTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitGameTextLines("a\n\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitGameTextLines("a\n\r"), (Lines{"a", ""}));  // LF then CR: two line ends
    // A run of CRs before an LF is one line end (CR LF converted twice).
    EXPECT_EQ(SplitGameTextLines("a\r\r\nb\r\r\r\nc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitGameTextLines("a\r\rb"), (Lines{"a", "", "b"}));
    // A byte order mark before the first line is no part of it.
    EXPECT_EQ(SplitGameTextLines("\xEF\xBB\xBF[A]\r\n\xEF\xBB\xBF"),
              (Lines{"[A]", "\xEF\xBB\xBF"}));
    EXPECT_EQ(SplitGameTextLines(""), Lines{});
    EXPECT_EQ(SplitGameTextLines("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitGameTextLines("  \r\n"), (Lines{"  "}));
}

TEST(GameTextLines, CtrlZEndsTheTextAndNulBytesAreKept) {
    EXPECT_EQ(SplitGameTextLines("a\r\nb\x1A"
                                 "c\r\nd"),
              (Lines{"a", "b"}));
    EXPECT_EQ(SplitGameTextLines("\x1A"
                                 "abc"),
              Lines{});
    std::string withNul("x\0y\r\n", 5);
    Lines lines = SplitGameTextLines(withNul);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string_view("x\0y", 3));
}

// The scanner looks for line ends with memchr; a byte-by-byte reading of the
// rule must find the same lines in any mix of line ends, Ctrl-Z and NULs.
Lines ReferenceLines(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '\x1A'; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            std::size_t j = i;
            while (text[i] == '\r' && j < text.size() && text[j] == '\r') {
                ++j;
            }
            if (j > i && j < text.size() && text[j] == '\n') {
                i = j;
            }
            start = i + 1;
        }
    }
    if (start < i) {
        lines.push_back(text.substr(start, i - start));
    }
    return lines;
}

TEST(GameTextLines, ScannerAgreesWithAByteByByteReading) {
    std::mt19937 random(5);
    const char alphabet[] = {'a', '\r', '\n', '\x1A', '\0', ' '};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 24); n > 0; --n) {
            text += alphabet[random() % std::size(alphabet)];
        }
        Lines walked;
        ForEachGameTextLine(text, [&](std::string_view line, bool) {
            walked.push_back(line);
            return true;
        });
        ASSERT_EQ(walked, ReferenceLines(text)) << testing::PrintToString(text);
        ASSERT_EQ(SplitGameTextLines(text), walked);
    }
}

TEST(GameTextLines, ShortTextsSurviveAMove) {
    GameText text = GameText::FromBytes("a\nb");
    GameText moved = std::move(text);
    EXPECT_EQ(moved.Lines(), (Lines{"a", "b"}));
}

TEST(GameTextWriter, EndsEveryLineWithCrLf) {
    GameTextWriter w;
    w.AddLine("one");
    w.AddLine("");
    EXPECT_EQ(w.Bytes(), "one\r\n\r\n");
}

class FileRewrite : public ::testing::Test {
  protected:
    test::TempDir dir;
};

TEST_F(FileRewrite, ReplacesWholeAndLeavesNoTemporaryFile) {
    std::string path = dir.Write("User.ini", "old content that is longer");
    platform::WriteFileAtomically(path, "new");
    EXPECT_EQ(test::ReadBytes(path), "new");
    EXPECT_EQ(platform::ListFolder(dir.Path()), std::vector<std::string>{"User.ini"});
}

TEST_F(FileRewrite, KeepsPermissionBits) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits; Windows keeps attributes and security instead";
#endif
    std::string path = dir.Write("User.ini", "x");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    platform::WriteFileAtomically(path, "y");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileRewrite, RefusesAReadOnlyFileAndLeavesItWhole) {
    std::string path = dir.Write("User.ini", "keep me");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    try {
        platform::WriteFileAtomically(path, "lost");
        FAIL() << "a read-only file was rewritten";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_THROW(
        platform::WriteFileAtomically(path, "lost", platform::CreateFailure::CannotCreateFile),
        FileError);
    EXPECT_EQ(test::ReadBytes(path), "keep me");
    EXPECT_EQ(platform::ListFolder(dir.Path()).size(), 1u);
}

TEST_F(FileRewrite, NamesTheFileWhenAskedToSayCannotCreate) {
    std::string path = dir.File("missing-folder/User.ini");
    try {
        platform::WriteFileAtomically(path, "x", platform::CreateFailure::CannotCreateFile);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
    }
    EXPECT_THROW(platform::WriteFileAtomically(path, "x"), FileError);
}

TEST_F(FileRewrite, WritesThroughASymbolicLink) {
#ifdef _WIN32
    GTEST_SKIP() << "std::filesystem makes no links with MinGW; the Windows tests have their own";
#endif
    std::string target = dir.Write("real/User.ini", "old");
    std::string link = dir.File("User.ini");
    std::filesystem::create_symlink("real/User.ini", link);
    platform::WriteFileAtomically(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::ReadBytes(target), "new");
}

TEST_F(FileRewrite, AFullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
    // A 64 KiB file system of its own; only root may mount one.
    std::string mountPoint = dir.File("small");
    std::filesystem::create_directory(mountPoint);
    std::string command = "mount -t tmpfs -o size=64k tmpfs '" + mountPoint + "' 2>/dev/null";
#ifdef _WIN32
    GTEST_SKIP() << "mounts a small POSIX file system";
#else
    if (geteuid() != 0 || std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    std::string path = dir.Write("small/User.ini", "old bots");
    try {
        platform::WriteFileAtomically(path, std::string(256 * 1024, 'x'));
        ADD_FAILURE() << "a write larger than the disk succeeded";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(test::ReadBytes(path), "old bots");
    EXPECT_EQ(platform::ListFolder(mountPoint), std::vector<std::string>{"User.ini"});
    EXPECT_EQ(std::system(("umount '" + mountPoint + "'").c_str()), 0);
#endif
}

TEST_F(FileRewrite, ReadingReportsMissingFilesAndFolders) {
    try {
        platform::ReadWholeFile(dir.File("nothing.ini"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_THROW(platform::ReadWholeFile(dir.Path()), FileError);
    EXPECT_FALSE(platform::FileExists(dir.Path()));
    EXPECT_TRUE(platform::FolderExists(dir.Path()));
    EXPECT_FALSE(platform::FileExists(""));
}

TEST_F(FileRewrite, ReadingRefusesFifosAndDevices) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX FIFOs and /dev; the Windows devices have a test of their own";
#else
    // Neither a FIFO nor a device is read: one would hang, the other never end.
    std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_THROW(platform::ReadWholeFile(fifo), FileError);
    EXPECT_THROW(platform::ReadWholeFile("/dev/zero"), FileError);
#endif
}

}  // namespace
}  // namespace keelson
