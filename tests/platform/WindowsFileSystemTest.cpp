// The Windows file code as the game's folders meet it: attributes, security
// and links kept by a rewrite, paths past 260 characters, device names.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <string>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using platform::FileExists;
using platform::ReadWholeFile;
using platform::WriteFileAtomically;

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());  // the test's paths are ASCII
}

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
