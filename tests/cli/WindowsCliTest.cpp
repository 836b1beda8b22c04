// keelson-cli.exe as a Windows user meets it: settings in the registry, game
// folders deep enough to pass 260 characters, device names typed by mistake.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <sddl.h>

#include <string>

#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson::test {
namespace {

using ::testing::HasSubstr;

void DeleteKeelsonKeys() {
    HKEY software = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        &software) == ERROR_SUCCESS) {
        ::RegDeleteTreeA(software, "Brindlewood");
        ::RegCloseKey(software);
    }
}

// The test's paths are ASCII; at any length the system takes them marked.
std::wstring Long(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

void WriteLong(const std::string& path, const std::string& bytes) {
    HANDLE h =
        ::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    ::CloseHandle(h);
}

// A game folder whose System folder lies more than 260 characters deep.
std::string DeepGameFolder(const TempDir& dir) {
    std::string folder = dir.Path();
    while (folder.size() < 240) {
        folder += "\\" + std::string(60, 'g');
        ::CreateDirectoryW(Long(folder).c_str(), nullptr);
    }
    for (const char* sub : {"\\System", "\\Textures"}) {
        ::CreateDirectoryW(Long(folder + sub).c_str(), nullptr);
    }
    return folder;
}

class WindowsCli : public ::testing::Test {
  protected:
    void SetUp() override { DeleteKeelsonKeys(); }
    void TearDown() override { DeleteKeelsonKeys(); }
    TempDir dir;
};

TEST_F(WindowsCli, SettingsLiveInTheRegistryAndUninstallRemovesThem) {
    CliResult show = RunCli({"settings", "show"});
    EXPECT_EQ(show.status, 0);
    EXPECT_THAT(show.out, HasSubstr("Store: Windows registry\nKey: absent\n"));
    EXPECT_THAT(show.out, HasSubstr("PathToUtUserIni=c:\\UnrealTournament\\System\\User.ini\n"));

    ASSERT_EQ(RunCli({"settings", "set", "UtBasePath", "D:\\Games\\UT"}).status, 0);
    show = RunCli({"settings", "show"});
    EXPECT_THAT(show.out, HasSubstr("Key: present\nUtBasePath=D:\\Games\\UT\n"));

    CliResult uninstall = RunCli({"settings", "uninstall", "--yes"});
    EXPECT_EQ(uninstall.status, 0) << uninstall.err;
    EXPECT_THAT(RunCli({"settings", "show"}).out, HasSubstr("Key: absent\n"));
    EXPECT_EQ(RunCli({"settings", "uninstall", "--yes"}).status, 0);  // nothing left to remove
}

// The settings key's access list, as SDDL text ("D:P(A;;KR;;;WD)").
bool SetKeyAccess(const char* sddl) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brindlewood\\Keelson\\1", 0,
                        WRITE_DAC | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    PSECURITY_DESCRIPTOR sd = nullptr;
    bool ok = ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd,
                                                                     nullptr) &&
              ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    ::LocalFree(sd);
    ::RegCloseKey(key);
    return ok;
}

TEST_F(WindowsCli, UninstallWithoutTheRightToDeleteFailsAndSaysWhy) {
    ASSERT_EQ(RunCli({"settings", "set", "UtBasePath", "D:\\Games\\UT"}).status, 0);
    ASSERT_TRUE(SetKeyAccess("D:P(A;;KR;;;WD)"));  // everyone may read, no one may delete
    CliResult r = RunCli({"settings", "uninstall", "--yes"});
    ASSERT_TRUE(SetKeyAccess("D:(A;;KA;;;WD)"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "keelson-cli: Windows registry: Cannot remove the settings key "
              "Software\\Brindlewood\\Keelson\\1: access denied.\n");
    EXPECT_THAT(RunCli({"settings", "show"}).out, HasSubstr("Key: present\n"));
}

TEST_F(WindowsCli, DeepGameFoldersAreReadAndRewritten) {
    const std::string game = DeepGameFolder(dir);
    const std::string system = game + "\\System\\UnrealTournament.ini";
    WriteLong(system,
              "[Core.System]\r\nPaths=..\\Textures\\*.utx\r\n[Engine.GameEngine]\r\n"
              "ServerPackages=SoldierSkins\r\nServerPackages=Gone\r\n"
              "ServerPackages=CommandoSkins\r\n");
    ASSERT_GT(system.size(), 260u);
    WriteLong(game + "\\Textures\\SoldierSkins.utx", "");
    WriteLong(game + "\\Textures\\CommandoSkins.utx", "");
    CliResult r = RunCli({"packages", "remove", "--missing", "--system-ini", system});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"packages", "list", "--system-ini", system}).out,
              "SoldierSkins\nCommandoSkins\n");

    r = RunCli({"packages", "add", "--system-ini", system, "Extra"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"packages", "list", "--system-ini", system}).out,
              "SoldierSkins\nCommandoSkins\nExtra\n");

    // A user INI whose path is longer than a rewrite's temporary file allowed,
    // and a library as deep: added to in place, read in pieces, sorted.
    const std::string user = game + "\\System\\User.ini";
    WriteLong(user, "[Botpack.ChallengeBotInfo]\r\nBotNames[0]=Old\r\n");
    const std::string lib = game + "\\deep.ut_botlib";
    ASSERT_EQ(RunCli({"bots", "add", lib, "Name=Deep"}).status, 0);
    r = RunCli({"bots", "add", lib, "Name=Abyss"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunCli({"bots", "sort", lib});
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunCli({"bots", "list", lib});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_NE(r.out.find("Deep ("), std::string::npos) << r.out;
    EXPECT_EQ(r.out.rfind("Abyss (", 0), 0u) << r.out;
    r = RunCli({"bots", "export", lib, user});
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunCli({"bots", "import", user, dir.File("back.ut_botlib")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(RunCli({"bots", "list", dir.File("back.ut_botlib")}).out, HasSubstr("Deep ("));
}

TEST_F(WindowsCli, DeviceNamesAreRefusedAtOnce) {
    for (const std::string& device : {std::string("COM1"), std::string("CON"),
                                      std::string("D:\\game\\aux.ini"), dir.File("nul.ini")}) {
        SCOPED_TRACE(device);
        CliResult r = RunCli({"packages", "list", "--system-ini", device});
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, HasSubstr("File not found"));
    }
}

}  // namespace
}  // namespace keelson::test
