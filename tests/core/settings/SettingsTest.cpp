#include "core/settings/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <filesystem>

#include "core/common/Errors.h"
#include "platform/FileSystem.h"
#include "tests/core/settings/SettingsTestStore.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using platform::SettingsStore;
using test::ReadBytes;
using test::TempDir;

constexpr const char* kSettingsKey = "Software/Brindlewood/Keelson/1";
constexpr const char* kInstallerKey = "Software/Unreal Technology/Installed Apps/UnrealTournament";

// A game file's path as the program builds it from the game folder: the
// system's separator on either side of "System".
std::string Built(std::string path) {
    const std::string sep(1, platform::kPathSeparator);
    for (std::size_t at = path.find("/System/"); at != std::string::npos;
         at = path.find("/System/", at + 8)) {
        path.replace(at, 8, sep + "System" + sep);
    }
    return path;
}

class SettingsTest : public ::testing::Test {
  protected:
    TempDir dir;
    test::SettingsTestStore keys{dir.Path()};
    SettingsStore* store = &keys.Store();

    void WriteSettings(const std::string& values) { keys.WriteValues(kSettingsKey, values); }
    std::string SettingsText() const { return keys.ValuesText(kSettingsKey); }
    // What SettingsText shows once these values are saved in this order (a
    // "\" is written "\\" in a value line).
    std::string Stored(const std::string& values) const {
        std::string lines;
        for (char c : Built(values)) {
            lines += c == '\\' ? "\\\\" : std::string(1, c);
        }
        return keys.AsStored(lines);
    }
    std::string SettingsFile() const {
        return dir.File("registry/" + std::string(kSettingsKey) + "/values.reg");
    }

    // What the start-up does when the settings key exists.
    TAppSettings LoadExisting() {
        TAppSettings settings;
        SetExistingKeyDefaults(settings);
        LoadPathValues(*store, settings);
        LoadFlagValues(*store, settings);
        return settings;
    }
};

TEST_F(SettingsTest, ExistingKeyDefaultsAndFirstStartValues) {
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    EXPECT_EQ(settings.UtBasePath, "c:\\unrealtournament");
    EXPECT_EQ(settings.PathToUtSysIni, Built("c:\\unrealtournament/System/UnrealTournament.ini"));
    EXPECT_EQ(settings.PathToUtUserIni, Built("c:\\unrealtournament/System/User.ini"));
    EXPECT_EQ(settings.PathToUtExe, Built("c:\\unrealtournament/System/UnrealTournament.exe"));
    EXPECT_FALSE(settings.PromptToFindExe || settings.PromptToFindIni || settings.PromptToFindUser);
    EXPECT_TRUE(settings.ExitOnRunUT);

    TAppSettings first;
    first.PromptToFindIni = true;
    first.ExitOnRunUT = false;
    SetFirstStartValues(first, "/games/ut/");
    // The base is used unchanged: a trailing separator gives two in a row.
    EXPECT_EQ(first.PathToUtSysIni, Built("/games/ut//System/UnrealTournament.ini"));
    EXPECT_FALSE(first.PromptToFindIni);
    EXPECT_TRUE(first.ExitOnRunUT);
}

TEST_F(SettingsTest, KeyExistsOnlyWhenItCanBeOpenedAndCheckingCreatesNothing) {
    EXPECT_FALSE(SettingsKeyExists(*store));
    EXPECT_FALSE(keys.KeyExists("Software/Brindlewood"));
    keys.MakeKey(kSettingsKey);
    EXPECT_TRUE(SettingsKeyExists(*store));
    // A key the user may only read still counts, and still loads.
    WriteSettings("\"UtBasePath\"=\"/games/ut\"\n");
    keys.MakeReadOnly(kSettingsKey);
    EXPECT_TRUE(SettingsKeyExists(*store));
    EXPECT_EQ(LoadExisting().UtBasePath, "/games/ut");
}

TEST_F(SettingsTest, EmptyKeyKeepsDefaultsAndSomeValuesLoadOverThem) {
    keys.MakeKey(kSettingsKey);
    TAppSettings empty = LoadExisting();
    EXPECT_EQ(empty.UtBasePath, "c:\\unrealtournament");
    EXPECT_TRUE(empty.ExitOnRunUT);

    WriteSettings(
        "\"UtBasePath\"=\"/games/"
        "ut\"\n\"PromptToFindUser\"=dword:00000001\n\"ExitOnRunUT\"=dword:0\n");
    TAppSettings some = LoadExisting();
    EXPECT_EQ(some.UtBasePath, "/games/ut");
    // The file paths are not derived again from a loaded base.
    EXPECT_EQ(some.PathToUtSysIni, Built("c:\\unrealtournament/System/UnrealTournament.ini"));
    EXPECT_TRUE(some.PromptToFindUser);
    EXPECT_FALSE(some.PromptToFindExe);
    EXPECT_FALSE(some.ExitOnRunUT);
}

TEST_F(SettingsTest, SaveWritesAllEightInOrderAndLoadsBack) {
    TAppSettings settings;
    SetFirstStartValues(settings, "/games/ut");
    settings.PromptToFindIni = true;
    SaveSettings(*store, settings);
    EXPECT_EQ(SettingsText(),
              Stored("\"PathToUtExe\"=\"/games/ut/System/UnrealTournament.exe\"\n"
                     "\"PathToUtSysIni\"=\"/games/ut/System/UnrealTournament.ini\"\n"
                     "\"PathToUtUserIni\"=\"/games/ut/System/User.ini\"\n"
                     "\"UtBasePath\"=\"/games/ut\"\n"
                     "\"PromptToFindExe\"=dword:00000000\n"
                     "\"PromptToFindIni\"=dword:00000001\n"
                     "\"PromptToFindUser\"=dword:00000000\n"
                     "\"ExitOnRunUT\"=dword:00000001\n"));
    TAppSettings loaded = LoadExisting();
    EXPECT_EQ(loaded.PathToUtUserIni, settings.PathToUtUserIni);
    EXPECT_TRUE(loaded.PromptToFindIni);
}

TEST_F(SettingsTest, AnyNonZeroFlagIsTrueAndIsWrittenBackAsOne) {
    WriteSettings("\"PromptToFindExe\"=dword:00000002\n\"ExitOnRunUT\"=hex(4):00,01\n");
    TAppSettings settings = LoadExisting();
    EXPECT_TRUE(settings.PromptToFindExe);
    EXPECT_TRUE(settings.ExitOnRunUT);
    SaveFlagValues(*store, settings);
    EXPECT_EQ(SettingsText(),
              Stored("\"PromptToFindExe\"=dword:00000001\n\"ExitOnRunUT\"=dword:00000001\n"
                     "\"PromptToFindIni\"=dword:00000000\n\"PromptToFindUser\"=dword:00000000\n"));
}

TEST_F(SettingsTest, ExpandableTextIsTakenUnexpandedUpToItsFirstNul) {
    // "%HOME%\ut" as REG_EXPAND_SZ, and a REG_SZ with bytes after its NUL.
    WriteSettings(
        "\"UtBasePath\"=hex(2):25,48,4f,4d,45,25,5c,75,74,00\n\"PathToUtExe\"=hex(1):61,00,62,"
        "00\n");
    TAppSettings settings = LoadExisting();
    EXPECT_EQ(settings.UtBasePath, "%HOME%\\ut");
    EXPECT_EQ(settings.PathToUtExe, "a");
}

TEST_F(SettingsTest, WrongTypeStopsTheLoadAtThatValue) {
    WriteSettings(
        "\"PathToUtExe\"=\"/games/ut/ut.exe\"\n\"PathToUtSysIni\"=dword:00000001\n"
        "\"PathToUtUserIni\"=\"/games/ut/User.ini\"\n");
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    try {
        LoadPathValues(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'PathToUtSysIni'");
    }
    EXPECT_EQ(settings.PathToUtExe, "/games/ut/ut.exe");  // read before it
    EXPECT_EQ(settings.PathToUtUserIni, Built("c:\\unrealtournament/System/User.ini"));  // after it
}

TEST_F(SettingsTest, FlagOfTheWrongTypeOrTooLarge) {
    struct Case {
        const char* values;
        const char* message;
    } cases[] = {
        {"\"PromptToFindIni\"=dword:1\n\"ExitOnRunUT\"=\"1\"\n",
         "Invalid data type for 'ExitOnRunUT'"},
        {"\"PromptToFindIni\"=dword:1\n\"PromptToFindUser\"=hex(4):01,00,00,00,00\n",
         "Failed to get data for 'PromptToFindUser'"},
        {"\"PromptToFindIni\"=dword:1\n\"PromptToFindUser\"=hex(3):01,00,00,00,00,00,00,00\n",
         "Failed to get data for 'PromptToFindUser'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        WriteSettings(c.values);
        TAppSettings settings;
        SetExistingKeyDefaults(settings);
        settings.ExitOnRunUT = false;
        try {
            LoadFlagValues(*store, settings);
            FAIL() << "no error";
        } catch (const RegistryError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(settings.PromptToFindIni);
        EXPECT_FALSE(settings.ExitOnRunUT);
    }
}

TEST_F(SettingsTest, StoreThatCannotBeWrittenStopsTheSaveAtTheFirstValue) {
#ifdef _WIN32
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE\\Software is the system's own key: no test takes "
                    "the right to write it away";
#endif
    keys.MakeReadOnly("");
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    try {
        SavePathValues(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'PathToUtExe'");
    }
    try {
        SaveSettings(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'PathToUtExe'");
    }
    EXPECT_FALSE(keys.KeyExists("Software"));
}

// A store that refuses to write one value name, so that a save can be seen
// stopping in the middle.
class RefusingStore : public SettingsStore {
  public:
    RefusingStore(SettingsStore& inner, std::string refused)
        : inner_(inner), refused_(std::move(refused)) {}
    std::unique_ptr<platform::SettingsKey> Open(const std::string& path, Access access) override {
        return inner_.Open(path, access);
    }
    std::unique_ptr<platform::SettingsKey> Create(const std::string& path) override {
        auto key = inner_.Create(path);
        return key ? std::make_unique<Key>(std::move(key), refused_) : nullptr;
    }
    std::string Describe() const override { return inner_.Describe(); }

  private:
    struct Key : platform::SettingsKey {
        Key(std::unique_ptr<platform::SettingsKey> k, std::string r)
            : inner(std::move(k)), refused(std::move(r)) {}
        std::optional<platform::StoredValue> Query(const std::string& n) override {
            return inner->Query(n);
        }
        bool Set(const std::string& n, const platform::StoredValue& v) override {
            return n != refused && inner->Set(n, v);
        }
        std::size_t SubkeyCount() override { return inner->SubkeyCount(); }
        bool DeleteSubkeyTree(const std::string& n) override { return inner->DeleteSubkeyTree(n); }
        std::unique_ptr<platform::SettingsKey> inner;
        std::string refused;
    };
    SettingsStore& inner_;
    std::string refused_;
};

TEST_F(SettingsTest, SaveStopsAtTheFirstValueNotWritten) {
    RefusingStore refusing(*store, "PathToUtUserIni");
    TAppSettings settings;
    SetFirstStartValues(settings, "/games/ut");
    try {
        SaveSettings(refusing, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'PathToUtUserIni'");
    }
    EXPECT_EQ(SettingsText(),
              Stored("\"PathToUtExe\"=\"/games/ut/System/UnrealTournament.exe\"\n"
                     "\"PathToUtSysIni\"=\"/games/ut/System/UnrealTournament.ini\"\n"));
}

TEST_F(SettingsTest, UnparsableValuesFileIsNotOverwrittenByTheDefaults) {
#ifdef _WIN32
    GTEST_SKIP() << "the registry keeps its values in no file that could be broken";
#endif
    const std::string broken = "\"UtBasePath\"=\"/games/ut\"\nExitOnRunUT=1\n";
    WriteSettings(broken);
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    EXPECT_THROW(LoadPathValues(*store, settings), RegistryError);
    try {
        SaveSettings(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr(SettingsFile()));
    }
    EXPECT_EQ(ReadBytes(SettingsFile()), broken);
}

TEST_F(SettingsTest, DetectsTheGameFolderFromTheInstallersKey) {
    EXPECT_EQ(DetectGameFolder(*store), "c:\\UnrealTournament");  // no key
    keys.MakeKey(kInstallerKey);
    EXPECT_EQ(DetectGameFolder(*store), "c:\\UnrealTournament");  // no value
    keys.WriteValues(kInstallerKey, "\"Folder\"=\"\"\n");
    EXPECT_EQ(DetectGameFolder(*store), "c:\\UnrealTournament");  // empty
    keys.WriteValues(kInstallerKey, "\"folder\"=\"/opt/ut\"\n");
    EXPECT_EQ(DetectGameFolder(*store), "/opt/ut");
    keys.WriteValues(kInstallerKey, "\"Folder\"=dword:00000001\n");
    try {
        DetectGameFolder(*store);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Folder'");
    }
    // The installer's key is only read, even when it may not be written.
    keys.WriteValues(kInstallerKey, "\"Folder\"=\"/opt/ut\"\n");
    keys.MakeReadOnly(kInstallerKey);
    EXPECT_EQ(DetectGameFolder(*store), "/opt/ut");
}

class UninstallTest : public SettingsTest {
  protected:
    void Make(const std::string& key) { keys.MakeKey(key); }
    bool Exists(const std::string& key) { return keys.KeyExists(key); }
};

TEST_F(UninstallTest, RemovesTheSettingsAndTheEmptiedParents) {
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    SaveSettings(*store, settings);
    Make("Software/Unreal Technology/Installed Apps/UnrealTournament");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(Exists("Software/Brindlewood"));
    EXPECT_TRUE(Exists("Software/Unreal Technology/Installed Apps/UnrealTournament"));
    EXPECT_FALSE(SettingsKeyExists(*store));
}

TEST_F(UninstallTest, KeepsTheMakerKeyWithAnotherProduct) {
    Make("Software/brindlewood/KEELSON/1/Deeper");
    Make("Software/brindlewood/OtherTool/2");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(Exists("Software/brindlewood/KEELSON"));
    EXPECT_TRUE(Exists("Software/brindlewood/OtherTool/2"));
}

TEST_F(UninstallTest, KeepsTheProductKeyWithAnotherSubkey) {
    Make("Software/Brindlewood/Keelson/1");
    Make("Software/Brindlewood/Keelson/2");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(Exists("Software/Brindlewood/Keelson/1"));
    EXPECT_TRUE(Exists("Software/Brindlewood/Keelson/2"));
}

TEST_F(UninstallTest, DeletesNothingWithoutAProductKeyOrWhenTheSettingsCannotGo) {
    Make("Software/Brindlewood");
    RemoveSettingsKeys(*store);
    EXPECT_TRUE(Exists("Software/Brindlewood"));
    // Settings that cannot be deleted keep everything above them.
    Make("Software/Brindlewood/Keelson/1");
    keys.MakeReadOnly("Software/Brindlewood/Keelson");
    RemoveSettingsKeys(*store);
    EXPECT_TRUE(Exists("Software/Brindlewood/Keelson/1"));
}

class FakePrompter : public PathPrompter {
  public:
    std::optional<std::string> answer;
    std::vector<FilePrompt> asked;
    std::optional<std::string> AskForFile(const FilePrompt& prompt) override {
        asked.push_back(prompt);
        return answer;
    }
};

// Beside the executable (a build folder, an unpacked copy) first, then as
// installed under a prefix: PREFIX/bin/keelson, PREFIX/share/keelson/presets.
TEST_F(SettingsTest, PresetsFolderBesideTheProgramThenInstalled) {
    std::filesystem::create_directories(dir.File("build/presets"));
    std::filesystem::create_directories(dir.File("build/bin"));
    std::filesystem::create_directories(dir.File("prefix/bin"));
    std::filesystem::create_directories(dir.File("prefix/share/keelson/presets"));
    std::filesystem::create_directories(dir.File("both/bin/presets"));
    std::filesystem::create_directories(dir.File("both/share/keelson/presets"));
    std::filesystem::create_directories(dir.File("none/bin"));
    dir.Write("file/bin/presets", "not a folder");
    dir.Write("file/share/keelson/presets/Mod.ut_pre", "Mod\n\n\nBotPack\n");
    struct Case {
        const char* programFolder;
        const char* found;
    } cases[] = {
        {"build", "build/presets"},
        {"prefix/bin", "prefix/share/keelson/presets"},
        {"both/bin", "both/bin/presets"},
        {"none/bin", "none/bin/presets"},  // neither: the dialog opens where it can
        {"file/bin", "file/share/keelson/presets"},
    };
    // Paths as the program builds them, with the system's separator.
    auto file = [&](std::string name) {
        std::replace(name.begin(), name.end(), '/', platform::kPathSeparator);
        return dir.File(name);
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PresetsFolderOf(file(c.programFolder)), file(c.found)) << c.programFolder;
    }
    TAppSettings saved = AppSettings;
    AppSettings.ProgramFolder = file("prefix/bin");
    EXPECT_EQ(GetPresetsFolder(), file("prefix/share/keelson/presets"));
    AppSettings = saved;
}

TEST(Uninstall, OnlyTheSystemsOwnFoldersAreLeftToThePackageManager) {
    struct Case {
        const char* programFolder;
        bool packaged;
    } cases[] = {
        {"/usr/bin", true},          {"/usr/games", true},    {"/usr/lib/keelson", true},
        {"/usr/local/bin", false},   {"/usr/local", false},   {"/usr", false},
        {"/usrlocal/bin", false},    {"/opt/keelson", false}, {"/home/me/keelson/build", false},
        {"/home/me/usr/bin", false},
    };
    for (const Case& c : cases) {
#ifdef __linux__
        EXPECT_EQ(RunsFromSystemPackage(c.programFolder), c.packaged) << c.programFolder;
#else
        EXPECT_FALSE(RunsFromSystemPackage(c.programFolder)) << c.programFolder;
#endif
    }
}

class GetterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = AppSettings;
        SetExistingKeyDefaults(AppSettings);
        AppSettings.PathToUtSysIni = "/games/ut/System/UnrealTournament.ini";
    }
    void TearDown() override {
        AppSettings = saved_;
        SetPathPrompter(nullptr);
    }

  private:
    TAppSettings saved_;
};

TEST_F(GetterTest, WithThePromptOffTheStoredPathIsAnsweredUntouched) {
    FakePrompter prompter;
    SetPathPrompter(&prompter);
    AppSettings.PathToUtUserIni = "";
    EXPECT_EQ(GetSystemIniPath(), "/games/ut/System/UnrealTournament.ini");
    EXPECT_EQ(GetUserIniPath(), "");
    EXPECT_EQ(GetGameExePath(), Built("c:\\unrealtournament/System/UnrealTournament.exe"));
    EXPECT_EQ(GetGameFolder(), "c:\\unrealtournament");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(GetterTest, WithThePromptOnTheUserIsAskedEveryTime) {
    AppSettings.PromptToFindIni = true;
    AppSettings.PromptToFindExe = true;
    EXPECT_EQ(GetSystemIniPath(), "<cancelled>");  // no prompter yet
    FakePrompter prompter;
    SetPathPrompter(&prompter);
    prompter.answer = "/elsewhere/UT.ini";
    EXPECT_EQ(GetSystemIniPath(), "/elsewhere/UT.ini");
    EXPECT_EQ(AppSettings.PathToUtSysIni, "/games/ut/System/UnrealTournament.ini");
    prompter.answer.reset();
    EXPECT_EQ(GetSystemIniPath(), "<cancelled>");
    EXPECT_EQ(GetGameExePath(), "<cancelled>");
    // A cancel names no file, even where a file of that name exists.
    {
        std::ofstream("<cancelled>") << "x";
        EXPECT_FALSE(GameFileExists(GetSystemIniPath()));
        std::remove("<cancelled>");
        prompter.asked.pop_back();
    }
    ASSERT_EQ(prompter.asked.size(), 3u);
    const FilePrompt& again = prompter.asked[1];
    EXPECT_EQ(again.title, "Select UT system INI");
    EXPECT_EQ(again.fileName, "/games/ut/System/UnrealTournament.ini");
    EXPECT_EQ(again.filter, "UT system INI (*.ini)|*.ini");
    EXPECT_EQ(again.defaultExt, "ini");
    EXPECT_EQ(again.initialFolder, "/games/ut/System");
    EXPECT_EQ(prompter.asked[2].title, "Select UT executable");
#ifdef _WIN32
    EXPECT_EQ(prompter.asked[2].filter, "UT executable (*.exe)|*.exe");
    EXPECT_EQ(prompter.asked[2].defaultExt, "exe");
#else
    // Linux installs start the game with ut-bin, ucc-bin or ut.
    EXPECT_EQ(prompter.asked[2].filter,
              "UT executable (*.exe ut-bin ucc-bin ut)|*.exe;ut-bin;ucc-bin;ut|"
              "Programs (files with execute permission)|*");
    EXPECT_EQ(prompter.asked[2].defaultExt, "");
#endif
}

}  // namespace
}  // namespace keelson
