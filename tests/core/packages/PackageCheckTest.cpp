#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "core/packages/PackageCheck.h"
#include "tests/support/PackageBuilder.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::PackageBytes;
using test::PackageNeeding;
using Files = std::map<std::string, std::string>;
constexpr auto E = FindingSeverity::Error;
constexpr auto W = FindingSeverity::Warning;
constexpr auto N = FindingSeverity::Note;

const std::string kIni =
    "[Engine.Engine]\r\nGameEngine=Engine.GameEngine\r\n\r\n"
    "[Core.System]\r\nPaths=../System/*.u\r\nPaths=../Textures/*.utx\r\n"
    "Paths=../system/*.u\r\n\r\n[Engine.GameEngine]\r\nServerPackages=Core\r\n";

std::string Needing(std::vector<std::string> dependencies) {
    return PackageBytes(PackageNeeding(std::move(dependencies)));
}

std::string ServerSideOnly() {
    PackageInfo info = PackageNeeding({"Core"});
    info.flags = kPackageServerSideOnly;
    return PackageBytes(info);
}

// A game folder with the files given beside Core.u and Engine.u.
struct Game {
    test::TempDir dir;
    std::string ini;
    explicit Game(const Files& files, const std::string& iniText = kIni) {
        ini = dir.Write("System/UnrealTournament.ini", iniText);
        dir.Write("System/Core.u", Needing({}));
        dir.Write("System/Engine.u", Needing({"Core"}));
        for (const auto& [name, bytes] : files) {
            dir.Write(name, bytes);
        }
    }
};

// Every finding, as the sentence that a server admin reads; the list's
// other entries give none.
TEST(PackageCheck, FindsWhatStopsTheServerOrItsClients) {
    struct Case {
        std::string what;
        Files files;
        std::vector<std::string> list;
        std::vector<PackageFinding> findings;
        std::string ini = kIni;
    };
    const std::string sys = "System/";
    const std::vector<Case> cases = {
        {"all fine", {{"System/Mod.u", Needing({"Core", "Engine"})}}, {"Core", "Mod"}, {}},
        {"no file",
         {},
         {"Gone"},
         {{E, "Gone",
           "has no file through Paths: the server stops with \"Failed to load 'Gone': Can't "
           "find file 'Gone'\""}}},
        {"extension",
         {{"System/Mod.u", Needing({})}},
         {"Mod.u", "Models.int"},
         {{E, "Mod.u",
           "is written with an extension or a path: the game looks for a package named exactly "
           "\"Mod.u\"; write it as \"Mod\""},
          {E, "Models.int",
           "is written with an extension or a path: the game looks for a package named exactly "
           "\"Models.int\"; write it as \"Models\""}}},
        {"path",
         {},
         {"..\\System\\Mod"},
         {{E, "..\\System\\Mod",
           "is written with an extension or a path: the game looks for a package named exactly "
           "\"..\\System\\Mod\"; write it as \"Mod\""}}},
        {"not a package", {{"System/Text.u", "hello"}}, {"Text"}, {}},
        {"missing dependency",
         {{"System/Mod.u", Needing({"Core", "EnhancedItems"})}},
         {"Mod"},
         {{E, "Mod", "needs package EnhancedItems, which has no file through Paths"}}},
        {"missing through another",
         {{"System/Mod.u", Needing({"Lib"})}, {"System/Lib.u", Needing({"Deep"})}},
         {"Lib", "Mod"},
         {{E, "Lib", "needs package Deep, which has no file through Paths"},
          {E, "Mod", "needs package Deep through Lib, which has no file through Paths"}}},
        {"damaged dependency",
         {{"System/Mod.u", Needing({"Lib"})}, {"System/Lib.u", "\xC1\x83"}},
         {"Mod"},
         {}},
        {"cycle",
         {{"System/A.u", Needing({"B"})}, {"System/B.u", Needing({"A"})}},
         {"A", "B"},
         {{N, "A", "needs package B, which is listed after it"}}},
        {"twice", {{"System/Mod.u", Needing({})}}, {"Mod", "mod"}, {{W, "mod", "is listed twice"}}},
        {"server-side only",
         {{"System/Mod.u", ServerSideOnly()}},
         {"Mod"},
         {{W, "Mod", "is marked server-side only, so listing it sends nothing to clients"}}},
        {"dependency not listed, listed later, game's own",
         {{"System/Mod.u", Needing({"Core", "BotPack", "Lib", "Later"})},
          {"System/Lib.u", Needing({})},
          {"System/Later.u", Needing({})},
          {"System/BotPack.u", Needing({})}},
         {"Mod", "Later"},
         {{N, "Mod",
           "needs package Lib, which is not in the list (the game usually sends it "
           "anyway)"},
          {N, "Mod", "needs package Later, which is listed after it"}}},
        {"engine extension",
         {},
         {"Core"},
         {{W, "",
           "the server does not use [Engine.GameEngine]: its [Engine.Engine] names "
           "GameEngine=XServer.XGameEngine, so the game reads ServerPackages from "
           "[XServer.XGameEngine], not from [Engine.GameEngine]"}},
         "[Engine.Engine]\r\nGameEngine=XServer.XGameEngine\r\n[Core.System]\r\n"
         "Paths=../System/*.u\r\n"},
    };
    for (const Case& c : cases) {
        Game game(c.files, c.ini);
        std::vector<PackageFinding> findings = CheckPackages(c.list, game.ini).findings;
        for (PackageFinding& f : findings) {
            // The place of each entry is checked below, its text here.
            f.index = kWholeFile;
        }
        if (c.what == "not a package") {
            ASSERT_EQ(findings.size(), 1u);
            EXPECT_EQ(findings[0].message, "its file " +
                                               game.dir.NativeFile(sys + "../System/Text.u") +
                                               " cannot be loaded: not a package file");
            continue;
        }
        if (c.what == "damaged dependency") {
            ASSERT_EQ(findings.size(), 1u);
            EXPECT_EQ(findings[0].message, "needs package Lib, whose file " +
                                               game.dir.NativeFile(sys + "../System/Lib.u") +
                                               " cannot be loaded: not a package file");
            continue;
        }
        EXPECT_EQ(findings, c.findings) << c.what;
    }
}

TEST(PackageCheck, ErrorsComeFirst) {
    Game game({{"System/Mod.u", ServerSideOnly()}, {"System/Lib.u", Needing({"Gone"})}});
    std::vector<PackageFinding> f = CheckPackages({"Mod", "Mod", "Lib"}, game.ini).findings;
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].severity, E);
    EXPECT_EQ(f[0].entry, "Lib");
    EXPECT_EQ(f[0].index, 2u);
    EXPECT_EQ(f[2].message, "is listed twice");
    EXPECT_EQ(f[2].index, 1u);
    EXPECT_EQ(f[1].severity, W);
    EXPECT_EQ(f[2].severity, W);
}

// Two files that the game could take for one package, and files that are
// no candidates at all.
TEST(PackageCheck, WarnsOfTwoFilesForOnePackageButNotOfOneFileReachedTwice) {
    Files files{{"System/Mod.u", Needing({})},
                {"Textures/Mod.utx", Needing({})},
                {"System/Skin.u", Needing({})}};
#ifndef _WIN32  // on Windows these two names are one file
    files["System/SKIN.u"] = Needing({});
    const std::size_t expected = 2;
#else
    const std::size_t expected = 1;
#endif
    Game game(files);
    // Paths=../system/*.u reaches System/*.u again on a case-sensitive
    // system: still one file each.
    PackageCheckResult r = CheckPackages({"Mod", "Skin", "Core"}, game.ini);
    ASSERT_EQ(r.findings.size(), expected);
    EXPECT_EQ(r.findings[0].entry, "Mod");
    EXPECT_NE(r.findings[0].message.find("more than one file could be this package"),
              std::string::npos);
    if (expected == 2) {
        EXPECT_EQ(r.findings[1].entry, "Skin");
    }
    EXPECT_EQ(r.entries[2].files.size(), 1u);
}

TEST(PackageCheck, FoldersAndFifosNamedLikePackagesAreNoFiles) {
    Game game(Files{{"System/Dir.u/x", ""}});
    std::vector<std::string> names{"Dir"};
#ifndef _WIN32  // Windows has no FIFOs in its folders
    ASSERT_EQ(::mkfifo(game.dir.File("System/Pipe.u").c_str(), 0600), 0);
    names.push_back("Pipe");
#endif
    std::vector<PackageFinding> f = CheckPackages(names, game.ini).findings;
    ASSERT_EQ(f.size(), names.size());
    for (const PackageFinding& finding : f) {
        EXPECT_NE(finding.message.find("has no file through Paths"), std::string::npos);
    }
}

TEST(PackageCheck, LongChainsAreFollowedWithoutRecursion) {
    Files files;
    for (int i = 0; i < 2000; ++i) {
        files["System/P" + std::to_string(i) + ".u"] = Needing({"P" + std::to_string(i + 1)});
    }
    Game game(files);
    std::vector<PackageFinding> f = CheckPackages({"P0"}, game.ini).findings;
    // The last link has no file; the first is not in the list.
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].message, "needs package P2000 through P1999, which has no file through Paths");
    EXPECT_EQ(f[1].severity, N);
}

}  // namespace
}  // namespace keelson
