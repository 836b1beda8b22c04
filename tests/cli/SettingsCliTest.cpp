#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class SettingsCliTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string store = dir.File("registry");
    std::string settingsFile = store + "/Software/Brindlewood/Keelson/1/values.reg";

    CliResult Run(const std::vector<std::string>& words) {
        std::vector<std::string> all{"settings"};
        all.insert(all.end(), words.begin(), words.end());
        return RunCli(all, {{"KEELSON_REGISTRY", store}});
    }
};

TEST_F(SettingsCliTest, ShowWithoutTheKeyPrintsWhatAFirstStartWouldWriteAndCreatesNothing) {
    CliResult r = Run({"show"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Store: " + store +
                         "\n"
                         "Key: absent\n"
                         "UtBasePath=c:\\UnrealTournament\n"
                         "PathToUtSysIni=c:\\UnrealTournament/System/UnrealTournament.ini\n"
                         "PathToUtUserIni=c:\\UnrealTournament/System/User.ini\n"
                         "PathToUtExe=c:\\UnrealTournament/System/UnrealTournament.exe\n"
                         "PromptToFindExe=0\n"
                         "PromptToFindIni=0\n"
                         "PromptToFindUser=0\n"
                         "ExitOnRunUT=1\n");
    EXPECT_FALSE(std::filesystem::exists(store));
}

TEST_F(SettingsCliTest, RecordedGameFolderIsDetectedAndUsedByAFirstStart) {
    ASSERT_EQ(Run({"set-game-folder", "/opt/Unreal Tournament"}).status, 0);
    EXPECT_EQ(
        ReadBytes(store + "/Software/Unreal Technology/Installed Apps/UnrealTournament/values.reg"),
        "\"Folder\"=\"/opt/Unreal Tournament\"\n");
    CliResult detect = Run({"detect"});
    EXPECT_EQ(detect.status, 0);
    EXPECT_EQ(detect.out, "/opt/Unreal Tournament\n");
    CliResult show = Run({"show"});
    EXPECT_THAT(show.out,
                HasSubstr("Key: absent\nUtBasePath=/opt/Unreal Tournament\n"
                          "PathToUtSysIni=/opt/Unreal Tournament/System/UnrealTournament.ini\n"));
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
}

TEST_F(SettingsCliTest, SetSavesAllEightOverWhatShowShows) {
    dir.Write("registry/Software/Brindlewood/Keelson/1/values.reg",
              "\"UtBasePath\"=\"/srv/ut\"\n\"PromptToFindUser\"=dword:00000002\n");
    ASSERT_EQ(Run({"set", "ExitOnRunUT", "0"}).status, 0);
    EXPECT_EQ(ReadBytes(settingsFile),
              "\"UtBasePath\"=\"/srv/ut\"\n"
              "\"PromptToFindUser\"=dword:00000001\n"
              "\"PathToUtExe\"=\"c:\\\\unrealtournament/System/UnrealTournament.exe\"\n"
              "\"PathToUtSysIni\"=\"c:\\\\unrealtournament/System/UnrealTournament.ini\"\n"
              "\"PathToUtUserIni\"=\"c:\\\\unrealtournament/System/User.ini\"\n"
              "\"PromptToFindExe\"=dword:00000000\n"
              "\"PromptToFindIni\"=dword:00000000\n"
              "\"ExitOnRunUT\"=dword:00000000\n");
    ASSERT_EQ(Run({"set", "PathToUtSysIni", "/srv/ut/System/UnrealTournament.ini"}).status, 0);
    CliResult show = Run({"show"});
    EXPECT_THAT(show.out, HasSubstr("Key: present\nUtBasePath=/srv/ut\n"
                                    "PathToUtSysIni=/srv/ut/System/UnrealTournament.ini\n"));
    EXPECT_THAT(show.out, HasSubstr("PromptToFindUser=1\nExitOnRunUT=0\n"));
}

TEST_F(SettingsCliTest, SetCreatesTheKeyFromTheFirstStartValues) {
    ASSERT_EQ(Run({"set-game-folder", "/opt/ut"}).status, 0);
    ASSERT_EQ(Run({"set", "PromptToFindExe", "1"}).status, 0);
    CliResult show = Run({"show"});
    EXPECT_THAT(show.out, HasSubstr("Key: present\nUtBasePath=/opt/ut\n"));
    EXPECT_THAT(show.out, HasSubstr("PromptToFindExe=1\n"));
}

TEST_F(SettingsCliTest, WrongWordsAreUsageErrorsAndChangeNothing) {
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{},
                                               {"list"},
                                               {"show", "extra"},
                                               {"set", "GamePath", "/x"},
                                               {"set", "ExitOnRunUT", "2"},
                                               {"set", "ExitOnRunUT", "true"},
                                               {"set", "UtBasePath"},
                                               {"set-game-folder"},
                                               {"uninstall"},
                                               {"uninstall", "--force"}}) {
        CliResult r = Run(words);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(words);
        EXPECT_THAT(r.err, StartsWith("keelson-cli: "));
        EXPECT_THAT(r.err, HasSubstr("\nusage: keelson-cli settings"));
    }
    EXPECT_FALSE(std::filesystem::exists(store));
}

TEST_F(SettingsCliTest, ValueOfTheWrongTypeIsAnErrorAndSetWritesNothing) {
    const std::string values = "\"UtBasePath\"=\"/srv/ut\"\n\"ExitOnRunUT\"=\"yes\"\n";
    dir.Write("registry/Software/Brindlewood/Keelson/1/values.reg", values);
    CliResult show = Run({"show"});
    EXPECT_EQ(show.status, 1);
    EXPECT_EQ(show.out, "");
    EXPECT_EQ(show.err, "keelson-cli: " + store + ": Invalid data type for 'ExitOnRunUT'\n");
    CliResult set = Run({"set", "UtBasePath", "/elsewhere"});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "keelson-cli: " + store + ": Invalid data type for 'ExitOnRunUT'\n");
    EXPECT_EQ(ReadBytes(settingsFile), values);
}

TEST_F(SettingsCliTest, UnparsableValuesFileIsNamedAndKept) {
    const std::string values = "UtBasePath=/srv/ut\n";
    dir.Write("registry/Software/Brindlewood/Keelson/1/values.reg", values);
    CliResult set = Run({"set", "UtBasePath", "/elsewhere"});
    EXPECT_EQ(set.status, 1);
    EXPECT_THAT(set.err, HasSubstr("'" + settingsFile + "'"));
    EXPECT_EQ(ReadBytes(settingsFile), values);
}

TEST_F(SettingsCliTest, StoreThatCannotBeWrittenFailsTheSave) {
    std::filesystem::create_directories(store);
    ::chmod(store.c_str(), 0555);
    CliResult r = Run({"set", "UtBasePath", "/srv/ut"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: " + store + ": Failed to set data for 'PathToUtExe'\n");
    CliResult folder = Run({"set-game-folder", "/srv/ut"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "keelson-cli: " + store + ": Failed to set data for 'Folder'\n");
}

TEST_F(SettingsCliTest, UninstallRemovesOnlyKeelsonsKeys) {
    ASSERT_EQ(Run({"set", "UtBasePath", "/srv/ut"}).status, 0);
    ASSERT_EQ(Run({"set-game-folder", "/srv/ut"}).status, 0);
    std::filesystem::create_directories(store + "/Software/Brindlewood/OtherTool");
    CliResult r = Run({"uninstall", "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(store + "/Software/Brindlewood/Keelson"));
    EXPECT_TRUE(std::filesystem::exists(store + "/Software/Brindlewood/OtherTool"));
    EXPECT_EQ(Run({"detect"}).out, "/srv/ut\n");
    EXPECT_THAT(Run({"show"}).out, HasSubstr("Key: absent\n"));
}

}  // namespace
}  // namespace keelson::test
