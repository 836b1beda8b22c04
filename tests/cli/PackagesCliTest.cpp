#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::ReadBytes;
using test::RunCli;

constexpr std::string_view kIni =
    "[Core.System]\n"
    "Paths=../System/*.u\n"
    "Paths=../Textures/*.utx\n"
    "\n"
    "[Engine.GameEngine]\n"
    "ServerPackages=SoldierSkins\n"
    "ServerPackages=FCommandoSkins\n"
    "ServerPackages=Botpack\n"
    "ServerPackages=Retired\n"
    "\n"
    "[IpDrv.TcpNetDriver]\n"
    "AllowDownloads=True\n";

// A game folder with its files in the letter case that Linux installs have.
class PackagesCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ini = dir.Write("UT/System/UnrealTournament.ini", kIni);
        dir.Write("UT/System/BotPack.u", "");
        dir.Write("UT/Textures/Soldierskins.utx", "");
        dir.Write("UT/Textures/FCommandoSkins.utx", "");
    }
    test::CliResult Run(std::vector<std::string> words) {
        words.insert(words.begin(), "packages");
        return RunCli(words);
    }
    // The ServerPackages lines of the system INI, one per line.
    std::string Listed() { return Run({"list", "--system-ini", ini}).out; }

    test::TempDir dir;
    std::string ini;
};

TEST_F(PackagesCli, ListsPackagesAndPathsInFileOrder) {
    test::CliResult r = Run({"list", "--system-ini", ini});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\n");
    EXPECT_EQ(r.err, "");
    r = Run({"paths", "--system-ini", ini});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "../System/*.u\n../Textures/*.utx\n");
}

TEST_F(PackagesCli, WithoutSystemIniUsesTheStoredGameFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "set-game-folder is for Keelson's own store; on Windows the installer records "
                    "the folder";
#endif
    const std::map<std::string, std::string> env{{"KEELSON_REGISTRY", dir.File("store")}};
    test::CliResult r = RunCli({"packages", "list"}, env);
    EXPECT_EQ(r.status, 1);  // the stored default names no file yet
    EXPECT_EQ(r.err, "File not found.\n");
    ASSERT_EQ(RunCli({"settings", "set-game-folder", dir.File("UT")}, env).status, 0);
    r = RunCli({"packages", "remove", "--missing"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCli({"packages", "list"}, env).out, "SoldierSkins\nFCommandoSkins\nBotpack\n");
}

TEST_F(PackagesCli, AddsNamesGroupsAndFilesAndSavesWithCrLf) {
    test::CliResult r = Run({"add", "--system-ini", ini, "botpack", "Relics", "relics"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(), "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\nRelics\n");
    const std::string saved = ReadBytes(ini);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 13);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\r'), 13);  // every line ends with CR LF
    EXPECT_NE(ReadBytes(ini).find("ServerPackages=Relics\r\n\r\n[IpDrv.TcpNetDriver]\r\n"),
              std::string::npos);

    // FCommandoSkins being listed does not hide CommandoSkins.
    r = Run({"add", "--group", "ut", "--system-ini", ini});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(),
              "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\nRelics\nSGirlSkins\nCommandoSkins\n"
              "BossSkins\n");

    std::string file = dir.Write("Elsewhere/Foo.Bar.u", "");
    r = Run({"add", "--system-ini", ini, "--file", file, dir.File("UT/System/BotPack.u")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed().substr(Listed().rfind("BossSkins")), "BossSkins\nFoo.Bar\n");

    r = Run({"add", "--system-ini", ini, "--group", "bonus-pack", "--dry-run"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nRelicsBindings\n"), std::string::npos);
    EXPECT_EQ(Listed().find("RelicsBindings"), std::string::npos);  // dry run saved nothing
}

TEST_F(PackagesCli, NamesAndFileTakeEveryWordThatFollows) {
    // Options first, in any order; after a name, every word is a name.
    test::CliResult r = Run({"add", "--dry-run", "--system-ini", ini, "A", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\nA\n--dry-run\n");

    // "--system-ini" is a name here, so the stored system INI is meant, and
    // the test's store names none.
    r = Run({"add", "A", "--system-ini", ini});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File not found.\n");
    EXPECT_EQ(ReadBytes(ini), kIni);
}

TEST_F(PackagesCli, RemovesByNameFilterAndMissingFile) {
    test::CliResult r = Run({"remove", "--system-ini", ini, "botpack", "nothing"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(), "SoldierSkins\nFCommandoSkins\nRetired\n");

    r = Run({"remove", "--filter", "starts-with", "fcomm", "--system-ini", ini});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(), "SoldierSkins\nRetired\n");

    // The files of the packages are found whatever their letter case.
    ASSERT_EQ(Run({"add", "--system-ini", ini, "Botpack"}).status, 0);
    r = Run({"remove", "--system-ini", ini, "--missing"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(), "SoldierSkins\nBotpack\n");

    for (auto [method, expected] : std::vector<std::pair<std::string, std::string>>{
             {"is", "SoldierSkins\nFCommandoSkins\nBotpack\n"},
             {"contains", "Botpack\nRetired\n"},
             {"doesnt-contain", "SoldierSkins\nFCommandoSkins\n"}}) {
        dir.Write("UT/System/UnrealTournament.ini", kIni);
        std::string text = method == "is" ? "RETIRED" : (method == "contains" ? "skins" : "s");
        r = Run({"remove", "--system-ini", ini, "--filter", method, text});
        EXPECT_EQ(r.status, 0) << method << r.err;
        EXPECT_EQ(Listed(), expected) << method;
    }
}

TEST_F(PackagesCli, AnEmptyResultIsNeverSaved) {
    test::CliResult r = Run({"remove", "--system-ini", ini, "--filter", "doesnt-contain", ""});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(ini), kIni);

    dir.Write("UT/System/UnrealTournament.ini", "[Engine.GameEngine]\nServerPackages=Gone\n");
    r = Run({"remove", "--system-ini", ini, "--missing", "--dry-run"});  // no Paths at all
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(ReadBytes(ini), "[Engine.GameEngine]\nServerPackages=Gone\n");
}

TEST_F(PackagesCli, PresetsAddAllOrReportWhatIsMissing) {
    std::string good =
        dir.Write("presets/Good.ut_pre", "Good Mod\r\n\r\nhttp://x\r\nbotpack\r\nSOLDIERSKINS\r\n");
    std::string missing =
        dir.Write("presets/Missing.ut_pre", "Missing Mod\n\n\nBotPack\nNoSuchThing\n");
    std::string shortOne = dir.Write("presets/Short.ut_pre", "Mod\n\nBotPack\n");

    test::CliResult r = Run({"add", "--system-ini", ini, "--preset", missing});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.rfind("Missing.ut_pre\nMissing Mod\n<", 0), 0u) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3);

    r = Run({"add", "--preset", shortOne, "--system-ini", ini});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "Invalid preset file: " + shortOne + "\n");

    r = Run({"add", "--preset", dir.File("presets/None.ut_pre"), "--system-ini", ini});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File not found.\n");
    EXPECT_EQ(ReadBytes(ini), kIni);

    r = Run({"add", "--system-ini", ini, "--preset", good});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Listed(), "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\nbotpack\nSOLDIERSKINS\n");
}

TEST_F(PackagesCli, BadFilesGiveTheirMessageAndStayUnchanged) {
    test::CliResult r = Run({"list", "--system-ini", dir.File("None.ini")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File not found.\n");
    r = Run({"add", "--system-ini", ini, "--file", dir.File("None.u")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(ini), kIni);

    std::string junk = std::string("\0\x01\xFFjunk\r\n\x7F", 9) + std::string(1 << 20, 'j');
    std::string junkIni = dir.Write("Junk.ini", junk);
    r = Run({"list", "--system-ini", junkIni});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    for (bool dryRun : {false, true}) {
        std::vector<std::string> words{"add", "--system-ini", junkIni, "BotPack"};
        if (dryRun) {
            words.insert(words.begin() + 1, "--dry-run");
        }
        r = Run(words);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "Error: This doesn't seem to be a UT INI file\n");
        EXPECT_EQ(ReadBytes(junkIni), junk);
    }

    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    r = Run({"add", "--system-ini", ini, "Relics"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create file " + ini + ".\n");
    EXPECT_EQ(ReadBytes(ini), kIni);

    ASSERT_EQ(::chmod(ini.c_str(), 0644), 0);
    r = Run({"add", "--system-ini", ini, "Two\nLines"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(ini), kIni);
}

TEST_F(PackagesCli, WrongWordsAreUsageErrors) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"sort", "--system-ini", ini},
        {"list", "--system-ini"},
        {"list", "--system-ini", ini, "extra"},
        {"paths", "--system-ini", ini, "--dry-run"},
        {"add", "--system-ini", ini},
        {"add", "--system-ini", ini, "--group", "ut2004"},
        {"add", "--system-ini", ini, "--group", "ut", "--preset", "x.ut_pre"},
        {"add", "--system-ini", ini, "--file"},
        {"add", "--system-ini", ini, "--missing"},
        {"add", "--system-ini", ini, "--system-ini", ini, "A"},
        {"add", "--system-ini", ini, "--dryrun", "A"},
        {"remove", "--system-ini", ini},
        {"remove", "--system-ini", ini, "--filter", "equals", "A"},
        {"remove", "--system-ini", ini, "--filter", "is"},
        {"remove", "--system-ini", ini, "--missing", "--filter", "is", "A"},
        {"remove", "--system-ini", ini, "--group", "ut"},
    };
    for (const auto& words : wrong) {
        test::CliResult r = Run(words);
        std::string shown;
        for (const std::string& w : words) {
            shown += w + " ";
        }
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.err.rfind("usage: ", 0), 0u) << shown << r.err;
    }
    EXPECT_EQ(ReadBytes(ini), kIni);
}

}  // namespace
}  // namespace keelson
