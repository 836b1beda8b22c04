// The settings kept in the registry that Wine keeps, as on Windows: the
// machine-wide key in the 32-bit view, the game installer's key, the
// uninstall's walk.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/settings/Settings.h"
#include "core/common/Errors.h"
#include "platform/SettingsStore.h"

namespace keelson {
namespace {

using platform::SettingsStore;

// A key opened in one view of the registry, or null.
HKEY OpenRaw(const char* path, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool KeyExists(const char* path, REGSAM view = KEY_WOW64_32KEY) {
    HKEY key = OpenRaw(path, view);
    if (key != nullptr) {
        ::RegCloseKey(key);
    }
    return key != nullptr;
}

void SetRaw(const char* path, const char* name, DWORD type, const void* data, DWORD size,
            REGSAM view = KEY_WOW64_32KEY) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

void SetText(const char* path, const char* name, const std::string& text, DWORD type = REG_SZ) {
    SetRaw(path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void MakeKey(const char* path) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

// Every test starts without the keys it touches, in both views.
class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY software = nullptr;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | view,
                                &software) == ERROR_SUCCESS) {
                ::RegDeleteTreeA(software, "Brindlewood");
                ::RegDeleteTreeA(software, "Unreal Technology");
                ::RegCloseKey(software);
            }
        }
    }
    TAppSettings LoadExisting() {
        TAppSettings settings;
        SetExistingKeyDefaults(settings);
        LoadPathValues(*store, settings);
        LoadFlagValues(*store, settings);
        return settings;
    }
    std::unique_ptr<SettingsStore> store = platform::OpenMachineStore();
};

TEST_F(RegistryStoreTest, FirstStartWritesTheEightValuesInThe32BitViewOnly) {
    EXPECT_EQ(store->Describe(), "Windows registry");
    EXPECT_FALSE(SettingsKeyExists(*store));
    EXPECT_FALSE(KeyExists("Software\\Brindlewood"));  // checking created nothing

    TAppSettings settings;
    SetFirstStartValues(settings, "D:\\Games\\UT");
    settings.PromptToFindIni = true;
    SaveSettings(*store, settings);
    EXPECT_TRUE(SettingsKeyExists(*store));
    EXPECT_TRUE(KeyExists("Software\\Wow6432Node\\Brindlewood\\Keelson\\1", KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists("Software\\Brindlewood", KEY_WOW64_64KEY));

    HKEY key = OpenRaw("Software\\Brindlewood\\Keelson\\1", KEY_WOW64_32KEY);
    ASSERT_NE(key, nullptr);
    char text[MAX_PATH] = {};
    DWORD type = 0, size = sizeof text;
    ASSERT_EQ(::RegQueryValueExA(key, "PathToUtSysIni", nullptr, &type,
                                 reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(text, "D:\\Games\\UT\\System\\UnrealTournament.ini");
    DWORD flag = 7;
    size = sizeof flag;
    ASSERT_EQ(::RegQueryValueExA(key, "PromptToFindIni", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&flag), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(flag, 1u);
    DWORD values = 0;
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr);
    EXPECT_EQ(values, 8u);
    ::RegCloseKey(key);

    TAppSettings loaded = LoadExisting();
    EXPECT_EQ(loaded.UtBasePath, "D:\\Games\\UT");
    EXPECT_EQ(loaded.PathToUtUserIni, "D:\\Games\\UT\\System\\User.ini");
    EXPECT_TRUE(loaded.PromptToFindIni);
    EXPECT_TRUE(loaded.ExitOnRunUT);
}

// The first save makes the key under a temporary name and renames it when
// its values are in: what a killed save left is no key, and goes.
TEST_F(RegistryStoreTest, FirstSaveMakesTheKeyWholeUnderATemporaryName) {
    const char* left = "Software\\Brindlewood\\Keelson\\1.keelson-new-4000000";
    SetText(left, "UtBasePath", "D:\\Killed");
    EXPECT_FALSE(SettingsKeyExists(*store));
    TAppSettings settings;
    SetFirstStartValues(settings, "D:\\Games\\UT");
    SaveSettings(*store, settings);
    EXPECT_EQ(LoadExisting().UtBasePath, "D:\\Games\\UT");
    EXPECT_FALSE(KeyExists(left));
    auto product = store->Open("Software\\Brindlewood\\Keelson", SettingsStore::Access::Read);
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->SubkeyCount(), 1u);
    // A key that is there is not made again.
    EXPECT_EQ(store->CreateWithValues(std::string(kSettingsKeyPath),
                                      {{"UtBasePath", {REG_SZ, std::string("E:\\UT", 6)}}}),
              std::nullopt);
    EXPECT_EQ(LoadExisting().UtBasePath, "D:\\Games\\UT");
}

TEST_F(RegistryStoreTest, ExistingKeyLoadsOverTheDefaultsAndWrongTypesStopTheLoad) {
    const char* key = "Software\\Brindlewood\\Keelson\\1";
    MakeKey(key);
    TAppSettings empty = LoadExisting();  // an empty key keeps every default
    EXPECT_EQ(empty.PathToUtExe, "c:\\unrealtournament\\System\\UnrealTournament.exe");

    SetText(key, "UtBasePath", "%ProgramFiles%\\UT", REG_EXPAND_SZ);  // taken unexpanded
    DWORD two = 2;
    SetRaw(key, "PromptToFindUser", REG_DWORD, &two, sizeof two);
    TAppSettings some = LoadExisting();
    EXPECT_EQ(some.UtBasePath, "%ProgramFiles%\\UT");
    EXPECT_TRUE(some.PromptToFindUser);

    SetText(key, "PathToUtExe", "E:\\ut.exe");
    SetRaw(key, "PathToUtSysIni", REG_DWORD, &two, sizeof two);
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    try {
        LoadPathValues(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'PathToUtSysIni'");
    }
    EXPECT_EQ(settings.PathToUtExe, "E:\\ut.exe");

    // A flag is a REG_DWORD of four bytes, nothing else.
    SetText(key, "ExitOnRunUT", "1");
    try {
        LoadFlagValues(*store, settings);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'ExitOnRunUT'");
    }
    const char eight[8] = {1};
    SetRaw(key, "ExitOnRunUT", REG_BINARY, eight, sizeof eight);
    EXPECT_THROW(LoadFlagValues(*store, settings), RegistryError);
}

TEST_F(RegistryStoreTest, GameFolderComesFromTheInstallersKeyIn32BitView) {
    const char* installer = "Software\\Unreal Technology\\Installed Apps\\UnrealTournament";
    EXPECT_EQ(DetectGameFolder(*store), "c:\\UnrealTournament");
    // A 64-bit entry is not the 32-bit installer's.
    const std::string elsewhere = "F:\\Elsewhere";
    SetRaw(installer, "Folder", REG_SZ, elsewhere.c_str(), static_cast<DWORD>(elsewhere.size() + 1),
           KEY_WOW64_64KEY);
    EXPECT_EQ(DetectGameFolder(*store), "c:\\UnrealTournament");
    SetText(installer, "Folder", "D:\\UnrealTournament");
    EXPECT_EQ(DetectGameFolder(*store), "D:\\UnrealTournament");
    EXPECT_FALSE(SettingsKeyExists(*store));  // detecting writes nothing
}

TEST_F(RegistryStoreTest, UninstallRemovesOnlyWhatIsKeelsons) {
    TAppSettings settings;
    SetExistingKeyDefaults(settings);
    SaveSettings(*store, settings);
    MakeKey("Software\\Brindlewood\\Keelson\\1\\Deeper\\Still");
    SetText("Software\\Unreal Technology\\Installed Apps\\UnrealTournament", "Folder", "D:\\UT");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(KeyExists("Software\\Brindlewood"));
    EXPECT_TRUE(KeyExists("Software\\Unreal Technology\\Installed Apps\\UnrealTournament"));

    // Another product of the maker keeps the maker's key.
    SaveSettings(*store, settings);
    MakeKey("Software\\Brindlewood\\OtherTool\\2");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(KeyExists("Software\\Brindlewood\\Keelson"));
    EXPECT_TRUE(KeyExists("Software\\Brindlewood\\OtherTool\\2"));

    // Another version of the program keeps the product's key.
    SaveSettings(*store, settings);
    MakeKey("Software\\Brindlewood\\Keelson\\2");
    RemoveSettingsKeys(*store);
    EXPECT_FALSE(SettingsKeyExists(*store));
    EXPECT_TRUE(KeyExists("Software\\Brindlewood\\Keelson\\2"));
}

}  // namespace
}  // namespace keelson
