#include "platform/posix/FileSettingsStore.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/common/Errors.h"
#include "tests/support/TempDir.h"

namespace keelson::platform {
namespace {

using test::ReadBytes;
using test::TempDir;
using ::testing::HasSubstr;

StoredValue Text(const std::string& text) {
    return {kRegSz, text + '\0'};
}
StoredValue Dword(std::uint32_t n) {
    std::string data;
    for (int i = 0; i < 4; ++i) {
        data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    return {kRegDword, data};
}

class FileStoreTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string root = dir.File("registry");
    std::unique_ptr<SettingsStore> store = OpenFileStore(root);
};

TEST_F(FileStoreTest, CreateMakesOneFolderPerComponentWithBlanksKept) {
    auto key = store->Create("Software\\Unreal Technology\\Installed Apps\\UnrealTournament");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(
        root + "/Software/Unreal Technology/Installed Apps/UnrealTournament"));
    // A key with no values has no file.
    EXPECT_FALSE(std::filesystem::exists(
        root + "/Software/Unreal Technology/Installed Apps/UnrealTournament/values.reg"));
    EXPECT_EQ(store->Describe(), root);
}

TEST_F(FileStoreTest, AKeyMadeWithItsValuesAppearsWholeOrNotAtAll) {
    const StoredValues values{{"A", Dword(1)}, {"B", Text("b")}};
    const std::string maker = root + "/Software/Maker";
    EXPECT_EQ(store->CreateWithValues("Software\\Maker\\Key", values), 2u);
    const std::string made = "\"A\"=dword:00000001\n\"B\"=\"b\"\n";
    EXPECT_EQ(ReadBytes(maker + "/Key/values.reg"), made);
    // Only once: a key that is there is left as it is.
    EXPECT_EQ(store->CreateWithValues("software\\maker\\KEY", {{"A", Dword(2)}}), std::nullopt);
    EXPECT_EQ(ReadBytes(maker + "/Key/values.reg"), made);
    // A value that cannot be written makes nothing.
    EXPECT_EQ(store->CreateWithValues("Software\\Maker\\Other", {{"Bad\nName", Dword(1)}}), 0u);
    EXPECT_FALSE(std::filesystem::exists(maker + "/Other"));

    // The folders of unfinished creations are no keys. A live creation's is
    // left alone, one that a killed creation left is removed.
    const std::string live = maker + "/.New.keelson-new-aaaaaa";
    const std::string dead = maker + "/.New.keelson-new-bbbbbb";
    dir.Write("registry/Software/Maker/.New.keelson-new-aaaaaa/values.reg", made);
    dir.Write("registry/Software/Maker/.New.keelson-new-bbbbbb/values.reg", made);
    int held = ::open(live.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(store->Open("Software\\Maker\\.New.keelson-new-bbbbbb", SettingsStore::Access::Read),
              nullptr);
    EXPECT_EQ(store->Open("Software\\Maker", SettingsStore::Access::Read)->SubkeyCount(), 1u);
    EXPECT_EQ(store->CreateWithValues("Software\\Maker\\New", values), 2u);
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_FALSE(std::filesystem::exists(dead));
    ::close(held);

    // A folder that may not be written gets no key and nothing else.
    ::chmod(maker.c_str(), 0555);
    EXPECT_EQ(store->CreateWithValues("Software\\Maker\\Third", values), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(maker), {}), 3);
}

TEST_F(FileStoreTest, OpenCreatesNothing) {
    EXPECT_EQ(store->Open("Software\\Brindlewood", SettingsStore::Access::Read), nullptr);
    EXPECT_FALSE(std::filesystem::exists(root));
    ASSERT_NE(store->Create("Software"), nullptr);
    EXPECT_EQ(store->Open("Software\\Brindlewood", SettingsStore::Access::Full), nullptr);
    EXPECT_FALSE(std::filesystem::exists(root + "/Software/Brindlewood"));
}

TEST_F(FileStoreTest, KeyAndValueNamesIgnoreLetterCase) {
    dir.Write("registry/software/BRINDLEWOOD/keelson/1/values.reg",
              "\"utbasepath\"=\"/games/ut\"\n");
    auto key = store->Open("Software\\Brindlewood\\Keelson\\1", SettingsStore::Access::Full);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Query("UtBasePath"), Text("/games/ut"));
    // Writing keeps the existing folders and the stored spelling of the name.
    ASSERT_NE(store->Create("SOFTWARE\\Brindlewood\\Keelson\\1"), nullptr);
    EXPECT_EQ(test::ReadBytes(root + "/software/BRINDLEWOOD/keelson/1/values.reg"),
              "\"utbasepath\"=\"/games/ut\"\n");
    EXPECT_TRUE(key->Set("UTBASEPATH", Text("/srv/ut")));
    EXPECT_EQ(ReadBytes(root + "/software/BRINDLEWOOD/keelson/1/values.reg"),
              "\"utbasepath\"=\"/srv/ut\"\n");
    EXPECT_FALSE(std::filesystem::exists(root + "/Software"));
}

TEST_F(FileStoreTest, WritesEachTypeInRegeditValueSyntax) {
    auto key = store->Create("Software\\Test");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->Set("Path", Text("c:\\UT \"Goty\"")));
    EXPECT_TRUE(key->Set("Flag", Dword(1)));
    EXPECT_TRUE(key->Set("Expand", {kRegExpandSz, std::string("c:\0", 3)}));
    EXPECT_TRUE(key->Set("Lines", Text("a\r\nb")));
    EXPECT_TRUE(key->Set("Raw", {3, "\x01\xff"}));
    EXPECT_TRUE(key->Set("Short", {kRegDword, std::string("\x02", 1)}));
    EXPECT_TRUE(key->Set("Unended", {kRegSz, "ab"}));
    EXPECT_EQ(ReadBytes(root + "/Software/Test/values.reg"),
              "\"Path\"=\"c:\\\\UT \\\"Goty\\\"\"\n"
              "\"Flag\"=dword:00000001\n"
              "\"Expand\"=hex(2):63,3a,00\n"
              "\"Lines\"=hex(1):61,0d,0a,62,00\n"
              "\"Raw\"=hex(3):01,ff\n"
              "\"Short\"=hex(4):02\n"
              "\"Unended\"=hex(1):61,62\n");
    // What was written reads back byte for byte, type for type.
    auto again = store->Open("software\\test", SettingsStore::Access::Read);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Query("Path"), Text("c:\\UT \"Goty\""));
    EXPECT_EQ(again->Query("Flag"), Dword(1));
    EXPECT_EQ(again->Query("Expand"), (StoredValue{kRegExpandSz, std::string("c:\0", 3)}));
    EXPECT_EQ(again->Query("Lines"), Text("a\r\nb"));
    EXPECT_EQ(again->Query("Raw"), (StoredValue{3, "\x01\xff"}));
    EXPECT_EQ(again->Query("Short"), (StoredValue{kRegDword, "\x02"}));
    EXPECT_EQ(again->Query("Unended"), (StoredValue{kRegSz, "ab"}));
    EXPECT_FALSE(again->Query("Missing").has_value());
}

TEST_F(FileStoreTest, ReadsHandWrittenFilesAndKeepsTheirOtherLines) {
    const std::string file =
        "REGEDIT4\r\n"
        "; written by hand\r\n"
        "\r\n"
        "  \"Folder\" = \"/games/ut\"  \r\n"
        "\"Long\"=hex(2):61,62,\\\r\n"
        "  63,00\r\n"
        "\"Bin\"=hex:0A, 0b\r\n"
        "\"Big\"=DWORD:FFFFFFFF\r\n"
        "@=\"default\"\r\n";
    dir.Write("registry/Key/values.reg", file);
    auto key = store->Open("Key", SettingsStore::Access::Full);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Query("folder"), Text("/games/ut"));
    EXPECT_EQ(key->Query("Long"), (StoredValue{kRegExpandSz, std::string("abc\0", 4)}));
    EXPECT_EQ(key->Query("Bin"), (StoredValue{3, "\x0a\x0b"}));
    EXPECT_EQ(key->Query("Big"), Dword(0xFFFFFFFF));
    EXPECT_EQ(key->Query(""), Text("default"));
    ASSERT_TRUE(key->Set("Big", Dword(7)));
    EXPECT_EQ(ReadBytes(root + "/Key/values.reg"),
              "REGEDIT4\n; written by hand\n\n  \"Folder\" = \"/games/ut\"  \n"
              "\"Long\"=hex(2):61,62,\\\n  63,00\n\"Bin\"=hex:0A, "
              "0b\n\"Big\"=dword:00000007\n@=\"default\"\n");
}

TEST_F(FileStoreTest, UnparsableValuesFileRaisesAnErrorNamingItAndIsNeverRewritten) {
    const std::string broken =
        "\"UtBasePath\"=\"/games/ut\"\n\"PathToUtExe\"=c:\\ut\\System\\ut.exe\n";
    for (const std::string& content :
         {broken, std::string("\"A\"=\"unterminated\n"), std::string("\"A\"=dword:123456789\n"),
          std::string("\"A\"=hex(2):6\n"), std::string("\"A\"=\"c:\\ut\"\n"),
          std::string("\"A\"=dword:1\n\"a\"=dword:2\n"),
          std::string("[HKEY_LOCAL_MACHINE\\Software]\n")}) {
        SCOPED_TRACE(content);
        std::string path = dir.Write("registry/Key/values.reg", content);
        auto key = store->Open("Key", SettingsStore::Access::Full);
        ASSERT_NE(key, nullptr);
        try {
            key->Query("UtBasePath");
            FAIL() << "no error";
        } catch (const RegistryError& e) {
            EXPECT_THAT(e.what(), HasSubstr("'" + path + "'"));
        }
        EXPECT_THROW(key->Set("UtBasePath", Text("c:\\unrealtournament")), RegistryError);
        EXPECT_EQ(ReadBytes(path), content);
    }
}

TEST_F(FileStoreTest, ErrorNamesTheLineThatIsWrong) {
    std::string path = dir.Write("registry/Key/values.reg", "; ok\n\"A\"=dword:1\n\"B\"=maybe\n");
    auto key = store->Open("Key", SettingsStore::Access::Read);
    ASSERT_NE(key, nullptr);
    try {
        key->Query("A");
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid values file '" + path + "' (line 3)");
    }
}

TEST_F(FileStoreTest, FolderWithoutWriteBitsIsReadOnlyEvenToRoot) {
    auto key = store->Create("Software\\Brindlewood");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->Set("Kept", Text("yes")));
    const std::string folder = root + "/Software/Brindlewood";
    ::chmod(folder.c_str(), 0555);
    EXPECT_FALSE(key->Set("Kept", Text("no")));
    EXPECT_FALSE(key->Set("Other", Text("no")));
    EXPECT_EQ(store->Open("Software\\Brindlewood", SettingsStore::Access::Full), nullptr);
    EXPECT_EQ(store->Create("Software\\Brindlewood"), nullptr);
    EXPECT_EQ(store->Create("Software\\Brindlewood\\Keelson"), nullptr);
    auto reading = store->Open("Software\\Brindlewood", SettingsStore::Access::Read);
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->Query("Kept"), Text("yes"));
    EXPECT_FALSE(reading->Set("Kept", Text("no")));
    EXPECT_EQ(ReadBytes(folder + "/values.reg"), "\"Kept\"=\"yes\"\n");
}

TEST_F(FileStoreTest, ReadOnlyValuesFileKeepsItsValues) {
    auto key = store->Create("Key");
    ASSERT_TRUE(key->Set("A", Dword(1)));
    ::chmod((root + "/Key/values.reg").c_str(), 0444);
    EXPECT_FALSE(key->Set("B", Dword(2)));
    EXPECT_EQ(ReadBytes(root + "/Key/values.reg"), "\"A\"=dword:00000001\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/Key"), {}), 1);
}

TEST_F(FileStoreTest, KeyPathsStayInsideTheStore) {
    ASSERT_NE(store->Create("Software"), nullptr);
    for (const char* path :
         {"Software\\..\\..", "..", "Software\\a/b", "Software\\\\x", "Software\\values.reg"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(store->Create(path), nullptr);
        EXPECT_EQ(store->Open(path, SettingsStore::Access::Read), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("x")));
    // Separators at the ends are ignored, as in "\Software\...".
    EXPECT_NE(store->Open("\\Software\\", SettingsStore::Access::Full), nullptr);
}

TEST_F(FileStoreTest, CountsAndDeletesSubkeyTrees) {
    ASSERT_NE(store->Create("Software\\Maker\\Product\\1\\Deep"), nullptr);
    ASSERT_TRUE(store->Create("Software\\Maker\\Product\\1")->Set("V", Dword(1)));
    ASSERT_NE(store->Create("Software\\Maker\\Other"), nullptr);
    ASSERT_TRUE(store->Create("Software\\Maker")->Set("V", Dword(1)));
    auto maker = store->Open("Software\\maker", SettingsStore::Access::Full);
    ASSERT_NE(maker, nullptr);
    EXPECT_EQ(maker->SubkeyCount(), 2u);  // values.reg is no subkey
    EXPECT_TRUE(maker->DeleteSubkeyTree("PRODUCT"));
    EXPECT_EQ(maker->SubkeyCount(), 1u);
    EXPECT_FALSE(maker->DeleteSubkeyTree("Product"));
    EXPECT_FALSE(maker->DeleteSubkeyTree("Other\\..\\.."));
    EXPECT_TRUE(std::filesystem::exists(root + "/Software/Maker/Other"));
    auto reading = store->Open("Software\\Maker", SettingsStore::Access::Read);
    EXPECT_FALSE(reading->DeleteSubkeyTree("Other"));
    EXPECT_TRUE(std::filesystem::exists(root + "/Software/Maker/Other"));
}

TEST_F(FileStoreTest, TreeWithAFolderWithoutWriteBitsIsNotDeleted) {
    ASSERT_NE(store->Create("Software\\Maker\\Product\\Locked"), nullptr);
    ::chmod((root + "/Software/Maker/Product/Locked").c_str(), 0555);
    auto maker = store->Open("Software\\Maker", SettingsStore::Access::Full);
    EXPECT_FALSE(maker->DeleteSubkeyTree("Product"));
    EXPECT_TRUE(std::filesystem::exists(root + "/Software/Maker/Product/Locked"));
}

TEST_F(FileStoreTest, DeletingALinkedKeyRemovesOnlyTheLink) {
    TempDir outside;
    outside.Write("keep/values.reg", "\"A\"=dword:1\n");
    ASSERT_NE(store->Create("Software"), nullptr);
    std::filesystem::create_directory_symlink(outside.File("keep"), root + "/Software/Linked");
    auto software = store->Open("Software", SettingsStore::Access::Full);
    EXPECT_TRUE(software->DeleteSubkeyTree("Linked"));
    EXPECT_EQ(ReadBytes(outside.File("keep/values.reg")), "\"A\"=dword:1\n");
}

TEST(MachineStoreRootTest, FollowsTheEnvironment) {
    std::string saved[3];
    const char* names[3] = {"KEELSON_REGISTRY", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        saved[i] = v ? v : "";
    }
    ::setenv("KEELSON_REGISTRY", "/tmp/store", 1);
    ::setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    ::setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(MachineStoreRoot(), "/tmp/store");
    ::setenv("KEELSON_REGISTRY", "", 1);
    EXPECT_EQ(MachineStoreRoot(), "/tmp/config/keelson/registry");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(MachineStoreRoot(), "/tmp/home/.config/keelson/registry");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(MachineStoreRoot(), "/tmp/home/.config/keelson/registry");
    for (int i = 0; i < 3; ++i) {
        if (saved[i].empty()) {
            ::unsetenv(names[i]);
        } else {
            ::setenv(names[i], saved[i].c_str(), 1);
        }
    }
}

}  // namespace
}  // namespace keelson::platform
