#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/CliRun.h"
#include "tests/support/PackageBuilder.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::PackageBytes;
using test::PackageNeeding;
using test::ReadBytes;
using test::RunCli;

const std::string kIni =
    "[Core.System]\r\nPaths=../System/*.u\r\n\r\n"
    "[Engine.GameEngine]\r\nServerPackages=Core\r\nServerPackages=MyMod\r\n\r\n"
    "[XServer.XGameEngine]\r\nServerPackages=Core\r\n";

// A game folder where MyMod needs EnhancedItems, which has no file.
class PackageCheckCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ini = dir.Write("System/UnrealTournament.ini", kIni);
        dir.Write("System/Core.u", PackageBytes(PackageNeeding({})));
        dir.Write("System/MyMod.u", PackageBytes(PackageNeeding({"Core", "EnhancedItems"})));
    }
    test::CliResult Run(std::vector<std::string> words) {
        words.insert(words.begin(), "packages");
        words.push_back("--system-ini");
        words.push_back(ini);
        return RunCli(words);
    }
    test::TempDir dir;
    std::string ini;
};

TEST_F(PackageCheckCli, CheckPrintsFindingsAndFailsOnErrorsWithoutWriting) {
    test::CliResult r = Run({"check"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out,
              "error: MyMod: needs package EnhancedItems, which has no file through Paths\n" + ini +
                  ": 1 error, 0 warnings, 0 notes in 2 entries\n");
    EXPECT_EQ(ReadBytes(ini), kIni);
    // The other section's list has no error.
    r = Run({"check", "--section", "XServer.XGameEngine"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "warning: " + ini +
                         ": the game reads ServerPackages from [Engine.GameEngine], not from "
                         "[XServer.XGameEngine]\n" +
                         ini + ": 0 errors, 1 warning, 0 notes in 1 entry\n");
}

TEST_F(PackageCheckCli, CheckJsonHoldsFindingsAndEntries) {
    test::CliResult r = Run({"check", "--json"});
    EXPECT_EQ(r.status, 4);
    nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["findings"][0]["severity"], "error");
    EXPECT_EQ(j["findings"][0]["entry"], "MyMod");
    ASSERT_EQ(j["entries"].size(), 2u);
    const nlohmann::json& mod = j["entries"][1];
    EXPECT_EQ(mod["name"], "MyMod");
    EXPECT_EQ(mod["version"], 69);
    EXPECT_EQ(mod["flags"], 1);
    EXPECT_EQ(mod["guid"], "123456789ABCDEF00F1E2D3C4B5A6978");
    EXPECT_EQ(mod["generations"][0]["exports"], 3);
    EXPECT_EQ(mod["dependencies"], nlohmann::json({"Core", "EnhancedItems"}));
}

TEST_F(PackageCheckCli, InfoReadsANameOrAFile) {
    const std::string expected =
        "Version: 69\nLicensee version: 0\nFlags: AllowDownload (0x00000001)\n"
        "GUID: 123456789ABCDEF00F1E2D3C4B5A6978\nGenerations: 3 exports, 12 names\n"
        "Dependencies: Core, EnhancedItems\n";
    test::CliResult r = Run({"info", "MyMod"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "File: " + dir.NativeFile("System/../System/MyMod.u") + "\n" + expected);
    r = RunCli({"packages", "info", dir.File("System/MyMod.u")});
    EXPECT_EQ(r.out, "File: " + dir.File("System/MyMod.u") + "\n" + expected);
    r = RunCli({"packages", "info", dir.Write("Text.u", "text")});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "keelson-cli: " + dir.File("Text.u") + ": not a package file\n");
    r = Run({"info", "EnhancedItems"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: " + ini + ": EnhancedItems has no file through Paths.\n");
}

TEST_F(PackageCheckCli, DepsPrintsTheTreeEitherWay) {
    const std::string system = dir.NativeFile("System/../System/");
    test::CliResult r = Run({"deps", "MyMod"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "MyMod (" + system + "MyMod.u)\n  Core (" + system +
                         "Core.u)\n  EnhancedItems (missing)\n");
    r = Run({"deps", "--reverse", "EnhancedItems"});
    EXPECT_EQ(r.out, "EnhancedItems (missing)\n  MyMod (" + system + "MyMod.u)\n");
}

TEST_F(PackageCheckCli, SectionAndMisplacedWords) {
    EXPECT_EQ(Run({"deps"}).status, 2);
    EXPECT_EQ(Run({"info", "A", "B"}).status, 2);
    EXPECT_EQ(Run({"check", "MyMod"}).status, 2);
    EXPECT_EQ(Run({"list", "--section", "A]B"}).status, 2);
    EXPECT_EQ(Run({"list", "--section", "[XServer.XGameEngine]"}).out, "Core\n");
    // An edit of another section leaves the engine section alone.
    EXPECT_EQ(Run({"add", "--section", "XServer.XGameEngine", "MyMod"}).status, 0);
    EXPECT_EQ(Run({"list", "--section", "xserver.xgameengine"}).out, "Core\nMyMod\n");
    EXPECT_EQ(Run({"list"}).out, "Core\nMyMod\n");
    EXPECT_EQ(Run({"remove", "--section", "XServer.XGameEngine", "MyMod"}).status, 0);
    EXPECT_EQ(Run({"list", "--section", "XServer.XGameEngine"}).out, "Core\n");
    EXPECT_EQ(Run({"list"}).out, "Core\nMyMod\n");
}

}  // namespace
}  // namespace keelson
