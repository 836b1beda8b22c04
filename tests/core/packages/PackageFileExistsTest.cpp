#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using Names = std::vector<std::string>;
constexpr char kSep = platform::kPathSeparator;

TEST(ExpandPathPattern, ReplacesEveryStarAndEverySeparator) {
    const std::string sep(1, kSep);
    EXPECT_EQ(ExpandPathPattern("../Textures/*.utx", "SoldierSkins"),
              ".." + sep + "Textures" + sep + "SoldierSkins.utx");
    EXPECT_EQ(ExpandPathPattern("..\\*\\*.u", "Foo"), ".." + sep + "Foo" + sep + "Foo.u");
    EXPECT_EQ(ExpandPathPattern("NoStar.u", "Foo"), "NoStar.u");
    EXPECT_EQ(ExpandPathPattern("*", ""), "");
}

// A game folder as installs on Linux hold it: names in any letter case.
class PackageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ini = dir.Write("UT/System/UnrealTournament.ini", "");
        dir.Write("UT/System/BotPack.u", "");
        dir.Write("UT/Textures/Soldierskins.utx", "");
        dir.Write("UT/textures/Other.utx", "");  // a second spelling of the folder
        dir.Write("UT/MUSIC/Theme.umx", "");
        std::filesystem::create_directories(dir.File("UT/System/Folder.u"));
        folder = dir.File("UT/System");
    }
    bool Exists(const Names& paths, std::string_view name, PackageFileCache* cache = nullptr) {
        return PackageFileExists(paths, name, folder, cache);
    }
    test::TempDir dir;
    std::string ini, folder;
    const Names standard{"../System/*.u", "../Maps/*.unr", "../Textures/*.utx", "../Music/*.umx"};
};

TEST_F(PackageFiles, FindsFilesWhateverTheLetterCaseOfNameAndFolders) {
    EXPECT_TRUE(Exists(standard, "BotPack"));
    EXPECT_TRUE(Exists(standard, "Botpack"));
    EXPECT_TRUE(Exists(standard, "SoldierSkins"));  // the later pattern, another case
    EXPECT_TRUE(Exists(standard, "theme"));         // MUSIC for Music
    EXPECT_TRUE(Exists(standard, "other"));         // only under the spelling "textures"
    EXPECT_TRUE(Exists({"../TEXTURES/*.UTX"}, "soldierskins"));
    EXPECT_TRUE(Exists({"..//System/./*.u"}, "botpack"));
    EXPECT_FALSE(Exists(standard, "Folder"));  // a folder is no package file
    EXPECT_FALSE(Exists(standard, "Missing"));
    EXPECT_FALSE(Exists({}, "BotPack"));
    EXPECT_FALSE(Exists(standard, ""));
}

TEST_F(PackageFiles, OddPatternsOnlyAnswerWhetherAFileIsThere) {
    EXPECT_TRUE(Exists({"*.u"}, "botpack"));                      // the INI's own folder
    EXPECT_TRUE(Exists({dir.File("UT/system/*.u")}, "BOTPACK"));  // absolute
    EXPECT_TRUE(Exists({"../System/../System/*.u"}, "BotPack"));
    EXPECT_TRUE(Exists({"../../UT/System/*.u"}, "botpack"));
    EXPECT_FALSE(Exists({"../*/*.u"}, "System"));  // needs System/System.u
    dir.Write("UT/System/System.u", "");
    EXPECT_TRUE(Exists({"../*/*.u"}, "system"));
    EXPECT_FALSE(Exists({"../System/", "../System/..", "..", ".", "", "/"}, "BotPack"));
    EXPECT_FALSE(Exists({"../System/*.u"}, std::string("BotPack\0.x", 10)));
    EXPECT_FALSE(Exists({std::string("../System/BotPack.u\0*", 21)}, "x"));
    EXPECT_FALSE(Exists({std::string(100000, '*')}, std::string(5000, 'a')));  // no huge path
    EXPECT_FALSE(Exists({"../System/*.u"}, std::string(300, 'b')));
    EXPECT_FALSE(Exists({"\xFF\xFE/*"}, "\x01\x02"));
    std::string deep;  // 600 steps through folders that exist
    for (int i = 0; i < 300; ++i) {
        deep += "../System/";
    }
    EXPECT_TRUE(Exists({deep + "*.u"}, "botpack"));
    EXPECT_FALSE(Exists({deep + "*.u", "nowhere/" + deep + "*.u"}, "Missing"));
}

TEST_F(PackageFiles, EachFolderIsListedOnceAndOnlyWhenNeeded) {
    PackageFileCache cache;
    EXPECT_TRUE(Exists(standard, "BotPack", &cache));
    EXPECT_EQ(cache.FoldersListed(), 0u);  // the exact name needs no listing
    for (int i = 0; i < 200; ++i) {
        EXPECT_FALSE(Exists(standard, "Missing" + std::to_string(i), &cache));
    }
    EXPECT_TRUE(Exists(standard, "soldierskins", &cache));
    // UT, UT/System, UT/Textures, UT/textures, UT/MUSIC and the missing Maps.
    EXPECT_LE(cache.FoldersListed(), 6u);
}

// Once the folders are listed they answer for every later package; what a
// listing cannot tell (links) is still asked of the file system.
TEST_F(PackageFiles, ListedFoldersTellFilesFromFoldersLinksAndPipes) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX symbolic links and FIFOs";
#else
    dir.Write("UT/Textures/Real.utx", "");
    ASSERT_EQ(::symlink("Real.utx", dir.File("UT/Textures/ToFile.utx").c_str()), 0);
    ASSERT_EQ(::symlink("../System", dir.File("UT/Textures/ToFolder.utx").c_str()), 0);
    ASSERT_EQ(::symlink("Nowhere.utx", dir.File("UT/Textures/Dangling.utx").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("UT/Textures/Pipe.utx").c_str(), 0644), 0);
    std::filesystem::create_directories(dir.File("UT/Textures/Dir.utx"));
    PackageFileCache cache;
    EXPECT_FALSE(Exists(standard, "Missing", &cache));  // lists the folders
    ASSERT_GT(cache.FoldersListed(), 0u);
    const std::vector<std::pair<std::string, bool>> cases{
        {"Real", true},      {"REAL", true},      {"ToFile", true}, {"tofile", true},
        {"ToFolder", false}, {"Dangling", false}, {"Pipe", false},  {"pipe", false},
        {"Dir", false},      {"BotPack", true},   {"theme", true},  {"Folder", false}};
    for (const auto& [name, found] : cases) {
        EXPECT_EQ(Exists(standard, name, &cache), found) << name;
        EXPECT_EQ(Exists(standard, name), found) << name << " without a cache";
    }
#endif
}

TEST_F(PackageFiles, FoldersThatLinkToThemselvesEndTheSearch) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX symbolic links to folders";
#else
    ASSERT_EQ(::symlink(".", dir.File("UT/System/x").c_str()), 0);
    ASSERT_EQ(::symlink(".", dir.File("UT/System/X").c_str()), 0);
    std::string deep;
    for (int i = 0; i < 30; ++i) {
        deep += "x/";
    }
    EXPECT_TRUE(Exists({deep + "*.u"}, "BotPack"));
    EXPECT_FALSE(Exists({deep + "*.u"}, "Nothing"));  // returns, does not walk 2^30 ways
#endif
}

TEST_F(PackageFiles, UnlistableFoldersAreStillPassedThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX folder permission bits";
#else
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root lists every folder";
    }
    ASSERT_EQ(::chmod(dir.File("UT/Textures").c_str(), 0111), 0);
    EXPECT_TRUE(Exists({"../Textures/*.utx"}, "Soldierskins"));
    EXPECT_FALSE(Exists({"../Textures/*.utx"}, "SoldierSkins"));  // its case cannot be looked up
    ::chmod(dir.File("UT/Textures").c_str(), 0755);
#endif
}

TEST_F(PackageFiles, RemoveMissingPackagesKeepsFoundEntriesInOrder) {
    dir.Write("UT/System/UnrealTournament.ini",
              "[Core.System]\nPaths=../System/*.u\nPaths=../Textures/*.utx\n\n");
    PackageList list{"soldierskins", "Gone", "BOTPACK", "", "Gone", "BotPack"};
    EXPECT_EQ(RemoveMissingPackages(list, ini), 3u);
    EXPECT_EQ(list.Entries(), (Names{"soldierskins", "BOTPACK", "BotPack"}));

    dir.Write("UT/System/UnrealTournament.ini", "[Core.System]\n\n");
    EXPECT_EQ(RemoveMissingPackages(list, ini), 3u);  // no Paths: nothing is found
    EXPECT_TRUE(list.Empty());
}

// RemoveMissingPackages answers from listings made ready once per pattern;
// it must keep exactly the entries that the search finds one by one.
TEST_F(PackageFiles, RemoveMissingPackagesKeepsWhatTheOneByOneSearchFinds) {
    dir.Write("UT/Textures/Two_Parts.utx", "");
    dir.Write("UT/TEXTURES/Third.utx", "");  // a third spelling of the folder
    dir.Write("UT/Maps/DM-Deck.unr", "");
    dir.Write("UT/Maps/dm-deck.UNR", "");
    dir.Write("UT/System/Sub/Inner.u", "");
    dir.Write("UT/Theme/Theme.umx", "");
    std::filesystem::create_directories(dir.File("UT/Maps/Dir.unr"));
#ifndef _WIN32
    ASSERT_EQ(::symlink("DM-Deck.unr", dir.File("UT/Maps/Linked.unr").c_str()), 0);
    ASSERT_EQ(::symlink("Nowhere.unr", dir.File("UT/Maps/Dangling.unr").c_str()), 0);
    ASSERT_EQ(::symlink("../Textures", dir.File("UT/System/TexLink").c_str()), 0);
#endif
    const Names paths{
        "../System/*.u",   "../Maps/*.unr",       "..\\TEXTURES\\*.utx",    "*.u",
        "../*/*.umx",      "../Textures/*_*.utx", "../Textures/",           "../Music/Theme.umx",
        "./TexLink/*.utx", "../MUSIC/*.*",        dir.File("UT/Maps/*.unr")};
    std::string text = "[Core.System]\n";
    for (const std::string& pattern : paths) {
        text += "Paths=" + pattern + "\n";
    }
    dir.Write("UT/System/UnrealTournament.ini", text);
    Names names{"BotPack",
                "botpack",
                "SoldierSkins",
                "other",
                "third",
                "Two",
                "two_parts",
                "DM-Deck",
                "DM-DECK",
                "Linked",
                "Dangling",
                "Dir",
                "Folder",
                "Sub/Inner",
                "sub/inner",
                "Theme",
                "THEME",
                "theme.umx",
                "Missing",
                "",
                ".",
                "..",
                "../System/BotPack",
                "UnrealTournament.ini",
                "unrealtournament"};
    names.push_back(std::string("Bot\0Pack", 8));
    PackageList list;
    Names kept;
    for (const std::string& name : names) {
        list.Append(name);
        if (PackageFileExists(paths, name, folder)) {
            kept.push_back(name);
        }
    }
    EXPECT_GE(kept.size(), 10u);  // the case is not empty either way
    EXPECT_EQ(RemoveMissingPackages(list, ini), names.size() - kept.size());
    EXPECT_EQ(list.Entries(), kept);
}

}  // namespace
}  // namespace keelson
