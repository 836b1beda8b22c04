// The Windows file code as the game's folders meet it: attributes, security
// and links kept by a rewrite, paths past 260 characters and names outside
// ASCII for every file function, device names.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"
#include "tests/support/FakeGame.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using platform::FileExists;
using platform::ReadWholeFile;
using platform::WriteFileAtomically;

// A path as other programs name it: the program's texts are in the ANSI
// code page.
using test::Wide;

// The file's owner and access list as SDDL text.
std::string SecurityOf(const std::string& path) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS) {
        return "<none>";
    }
    char* text = nullptr;
    ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
        sd, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
        nullptr);
    std::string result = text != nullptr ? text : "<none>";
    ::LocalFree(text);
    ::LocalFree(sd);
    return result;
}

class WindowsFiles : public ::testing::Test {
  protected:
    test::TempDir dir;
};

TEST_F(WindowsFiles, RewriteKeepsAttributesAndSecurity) {
    std::string path = dir.Write("User.ini", "old");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    PSECURITY_DESCRIPTOR sd = nullptr;
    // Only the administrators, and everyone else may read.
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;;FA;;;BA)(A;;FR;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    ASSERT_TRUE(::SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd));
    ::LocalFree(sd);
    const std::string security = SecurityOf(path);

    WriteFileAtomically(path, "new");
    EXPECT_EQ(test::ReadBytes(path), "new");
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(SecurityOf(path), security);
    EXPECT_EQ(platform::ListFolder(dir.Path()), std::vector<std::string>{"User.ini"});
}

TEST_F(WindowsFiles, RewriteGoesThroughASymbolicLinkToItsTarget) {
    std::string target = dir.Write("real\\User.ini", "old");
    std::string link = dir.File("User.ini");
    if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) || !FileExists(link)) {
        // Wine makes no links of its own but follows those of the system
        // below it: the build made one, User.ini linking to real\User.ini.
        const char* made = std::getenv("KEELSON_LINK_FIXTURE");
        if (made == nullptr || !FileExists(std::string(made) + "\\User.ini")) {
            GTEST_SKIP() << "no symbolic link can be made here";
        }
        link = std::string(made) + "\\User.ini";
        target = std::string(made) + "\\real\\User.ini";
        WriteFileAtomically(target, "old");
    }
    WriteFileAtomically(link, "new");
    EXPECT_EQ(test::ReadBytes(target), "new");
    // Still a link: what the target says next is what the link reads.
    WriteFileAtomically(target, "newer");
    EXPECT_EQ(ReadWholeFile(link), "newer");
    EXPECT_EQ(platform::ListFolder(FolderOfPath(target)), std::vector<std::string>{"User.ini"});
}

TEST_F(WindowsFiles, PathsPastTheOldLimitOfTwoHundredAndSixtyCharacters) {
    // Folders of 100 characters each, a name of 250: every path over 260.
    std::string folder = dir.Path();
    for (int i = 0; i < 3; ++i) {
        folder += "\\" + std::string(100, static_cast<char>('a' + i));
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + Wide(folder)).c_str(), nullptr));
    }
    ASSERT_GT(folder.size(), 300u);
    EXPECT_TRUE(platform::FolderExists(folder));
    const std::string ini = folder + "\\" + std::string(246, 'u') + ".ini";
    EXPECT_FALSE(FileExists(ini));
    WriteFileAtomically(ini, "first");  // the longest name a folder takes, and a rewrite
    WriteFileAtomically(ini, "second");
    EXPECT_TRUE(FileExists(ini));
    EXPECT_EQ(ReadWholeFile(ini), "second");
    EXPECT_EQ(platform::ListFolder(folder),
              std::vector<std::string>{std::string(246, 'u') + ".ini"});
    // Relative steps and forward slashes work at that length too.
    std::string roundabout =
        folder + "\\..\\" + std::string(100, 'c') + "/" + std::string(246, 'u') + ".ini";
    EXPECT_EQ(ReadWholeFile(roundabout), "second");
    EXPECT_THROW(ReadWholeFile(folder + "\\" + std::string(300, 'x')), FileError);
}

// A folder deep enough that every path in it is over 260 characters.
class LongPaths : public WindowsFiles {
  protected:
    void SetUp() override {
        folder = dir.Path();
        for (int i = 0; i < 3; ++i) {
            folder += "\\" + std::string(90, static_cast<char>('a' + i));
            ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + Wide(folder)).c_str(), nullptr));
        }
        ASSERT_GT(folder.size(), 270u);
    }
    std::string folder;
};

// "Café" in the ANSI code page, or empty where the code page has no "é".
std::string AnsiCafe() {
    char text[16] = {};
    BOOL lost = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"Caf\u00e9", -1, text, sizeof text,
                                  nullptr, &lost);
    return n > 0 && !lost ? std::string(text) : std::string();
}

// Whether another program could take the file's lock now: a second handle
// asks for the byte that every Keelson program locks.
bool LockIsFree(const std::string& path) {
    HANDLE file = ::CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << path;
        return false;
    }
    OVERLAPPED beyondEnd{};
    beyondEnd.Offset = 0xFFFFFFFEu;
    beyondEnd.OffsetHigh = 0x7FFFFFFFu;
    bool free = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                             &beyondEnd) != 0;
    ::CloseHandle(file);  // releases it
    return free;
}

TEST_F(LongPaths, ReadInPiecesAppendAndList) {
    const std::string library = folder + "\\" + std::string(200, 'L') + ".ut_botlib";
    WriteFileAtomically(library, "0123456789");
    platform::FileReader reader(library);
    EXPECT_EQ(reader.Size(), 10u);
    char piece[4] = {};
    EXPECT_EQ(reader.Read(piece, 4), 4u);
    EXPECT_EQ(std::string(piece, 4), "0123");
    reader.Seek(8);
    EXPECT_EQ(reader.Read(piece, 4), 2u);
    EXPECT_EQ(std::string(piece, 2), "89");
    EXPECT_THROW(platform::FileReader(folder + "\\missing.ut_botlib"), FileError);

    std::uint64_t seen = 0;
    platform::AppendToFile(library, "AB", [&](std::uint64_t size) { seen = size; });
    EXPECT_EQ(seen, 10u);
    EXPECT_EQ(ReadWholeFile(library), "0123456789AB");
    try {
        platform::AppendToFile(folder + "\\missing.ut_botlib", "x");
        ADD_FAILURE() << "a missing file was appended to";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }

    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + Wide(folder + "\\Textures")).c_str(), nullptr));
    std::vector<platform::FolderEntry> entries = platform::ListFolderEntries(folder);
    ASSERT_EQ(entries.size(), 2u);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(entries[0].name, std::string(200, 'L') + ".ut_botlib");
    EXPECT_EQ(entries[0].kind, platform::EntryKind::File);
    EXPECT_EQ(entries[1].name, "Textures");
    EXPECT_EQ(entries[1].kind, platform::EntryKind::Folder);
}

TEST_F(LongPaths, LockHeldThroughARewriteAndSameFileBySpelling) {
    const std::string ini = folder + "\\User.ini";
    WriteFileAtomically(ini, "old");
    {
        platform::FileLock lock(ini);
        EXPECT_FALSE(LockIsFree(ini));
        // Another spelling of the path shares the lock rather than waiting.
        const std::string roundabout = folder + "\\..\\" + std::string(90, 'c') + "/user.INI";
        EXPECT_NO_THROW({ platform::FileLock again(roundabout, std::chrono::milliseconds(100)); });
        EXPECT_TRUE(platform::SameFile(ini, roundabout));
        WriteFileAtomically(ini, "new");
        EXPECT_FALSE(LockIsFree(ini));  // taken again on the new file
    }
    EXPECT_TRUE(LockIsFree(ini));
    EXPECT_EQ(ReadWholeFile(ini), "new");
    WriteFileAtomically(folder + "\\Other.ini", "new");
    EXPECT_FALSE(platform::SameFile(ini, folder + "\\Other.ini"));
    EXPECT_FALSE(platform::SameFile(ini, folder + "\\missing.ini"));
    // No temporary file is left beside the rewritten ones.
    EXPECT_EQ(platform::ListFolder(folder).size(), 2u);
}

TEST_F(LongPaths, NameOutsideAsciiInTheAnsiCodePage) {
    const std::string cafe = AnsiCafe();
    if (cafe.empty()) {
        GTEST_SKIP() << "the ANSI code page " << ::GetACP() << " has no \"e\" with an accent";
    }
    const std::string ini = folder + "\\" + cafe + ".ini";
    EXPECT_FALSE(FileExists(ini));
    WriteFileAtomically(ini, "one");
    EXPECT_TRUE(FileExists(ini));
    // The file has the name that other programs see: the same letters.
    EXPECT_NE(::GetFileAttributesW((L"\\\\?\\" + Wide(folder) + L"\\Caf\u00e9.ini").c_str()),
              INVALID_FILE_ATTRIBUTES);
    platform::AppendToFile(ini, "two");
    platform::FileReader reader(ini);
    EXPECT_EQ(reader.Size(), 6u);
    EXPECT_EQ(ReadWholeFile(ini), "onetwo");
    EXPECT_EQ(platform::ListFolder(folder), std::vector<std::string>{cafe + ".ini"});
    std::vector<platform::FolderEntry> entries = platform::ListFolderEntries(folder);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, cafe + ".ini");
    {
        platform::FileLock lock(ini);
        EXPECT_FALSE(LockIsFree(ini));
    }
}

TEST_F(WindowsFiles, DevicesAreNeitherReadNorWritten) {
    // Each would hang, read the console or discard what is written.
    for (const std::string& device :
         {std::string("COM1"), std::string("CON"), std::string("NUL"), std::string("aux"),
          dir.File("aux.ini"), dir.File("Com1.txt"), std::string("\\\\.\\pipe\\keelson-none")}) {
        SCOPED_TRACE(device);
        EXPECT_FALSE(FileExists(device));
        try {
            ReadWholeFile(device);
            ADD_FAILURE() << "a device was read";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), "File not found");
        }
        EXPECT_THROW(WriteFileAtomically(device, "x"), FileError);
    }
    EXPECT_TRUE(platform::ListFolder(dir.Path()).empty());
}

}  // namespace
}  // namespace keelson
