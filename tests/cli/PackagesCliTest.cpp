#include <gtest/gtest.h>

#include <sys/stat.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

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
    const std::map<std::string, std::string> env{{"KEELSON_REGISTRY", dir.File("store")}};
    test::CliResult r = RunCli({"packages", "list"}, env);
    EXPECT_EQ(r.status, 1);  // the stored default names no file yet
    EXPECT_EQ(r.err,
              "keelson-cli: c:\\UnrealTournament/System/UnrealTournament.ini: File not found.\n");
    ASSERT_EQ(RunCli({"settings", "set-game-folder", dir.File("UT")}, env).status, 0);
    r = RunCli({"packages", "remove", "--missing"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "- Retired\n");
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

TEST_F(PackagesCli, OptionsStandAnywhereAndNeverBecomeNames) {
    // Each case: the words, and the list that the system INI (or the dry run)
    // ends up with. An option after the names is an option still.
    const std::string other = dir.Write("UT/System/Other.ini", kIni);
    const std::string listed = "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\n";
    test::CliResult r = Run({"add", "--system-ini", ini, "MyMod", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, listed + "MyMod\n");
    EXPECT_EQ(ReadBytes(ini), kIni);

    r = Run({"remove", "Retired", "--dry-run", "--system-ini", ini});
    EXPECT_EQ(r.out, "SoldierSkins\nFCommandoSkins\nBotpack\n");
    EXPECT_EQ(ReadBytes(ini), kIni);

    r = Run({"add", "MyMod", "--system-ini", other});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "+ MyMod\n");
    EXPECT_EQ(ReadBytes(ini), kIni);
    EXPECT_EQ(Run({"list", "--system-ini", other}).out, listed + "MyMod\n");

    r = Run({"add", "--system-ini", ini, "--file", dir.File("UT/System/BotPack.u"), "--dry-run"});
    EXPECT_EQ(r.out, listed);  // BotPack is listed already: the file is not written
    r = Run({"add", "--system-ini", ini, "--quiet", "--", "-Dash", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Listed(), listed + "-Dash\n--dry-run\n");

    // A word that starts with "-" is never a name unless it comes after --.
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"add", "--system-ini", ini, "A", "--dryrun"},
             {"add", "--system-ini", ini, "-x"},
             {"remove", "--system-ini", ini, "A", "-5"},
         }) {
        r = Run(words);
        EXPECT_EQ(r.status, 2) << words.back();
        EXPECT_THAT(r.err, ::testing::StartsWith("keelson-cli: "));
        EXPECT_THAT(r.err, ::testing::HasSubstr(words.back()));
        EXPECT_THAT(r.err, ::testing::HasSubstr("\nusage: keelson-cli packages " + words[0]));
    }
    EXPECT_EQ(Listed(), listed + "-Dash\n--dry-run\n");
}

TEST_F(PackagesCli, ACommandThatChangesNothingWritesNothing) {
    // An LF file with a ServerPackages line outside its block: a rewrite
    // would change both, so nothing may be written.
    const std::string lf = std::string(kIni) + "\n[Other]\nServerPackages=Stray\n";
    dir.Write("UT/System/UnrealTournament.ini", lf);
    const auto old = std::filesystem::last_write_time(ini) - std::chrono::hours(1);
    std::filesystem::last_write_time(ini, old);
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"add", "--system-ini", ini, "botpack", "SOLDIERSKINS"},
             {"remove", "--system-ini", ini, "NotListed"},
             {"remove", "--system-ini", ini, "--filter", "contains", "zz"},
             {"add", "--system-ini", ini, "Retired", "--dry-run"},
         }) {
        test::CliResult r = Run(words);
        EXPECT_EQ(r.status, 0) << words[3] << r.err;
        if (words.back() != "--dry-run") {
            EXPECT_EQ(r.out, ini + ": unchanged\n");
        }
    }
    EXPECT_EQ(Run({"add", "--system-ini", ini, "--quiet", "Botpack"}).out, "");
    EXPECT_EQ(ReadBytes(ini), lf);
    EXPECT_EQ(std::filesystem::last_write_time(ini), old);

    test::CliResult r = Run({"remove", "--system-ini", ini, "--filter", "contains", "SKINS"});
    EXPECT_EQ(r.out, "- SoldierSkins\n- FCommandoSkins\n");
    EXPECT_NE(ReadBytes(ini), lf);
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
    EXPECT_EQ(r.err.rfind("keelson-cli: " + missing +
                              ": a modification that this preset needs is not installed: "
                              "NoSuchThing\nMissing Mod\n<",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3);

    r = Run({"add", "--preset", shortOne, "--system-ini", ini});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "keelson-cli: Invalid preset file: " + shortOne + "\n");

    // Which of the two files is missing is told.
    r = Run({"add", "--preset", dir.File("presets/None.ut_pre"), "--system-ini", ini});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: " + dir.File("presets/None.ut_pre") + ": File not found.\n");
    r = Run({"add", "--preset", good, "--system-ini", dir.File("None.ini")});
    EXPECT_EQ(r.err, "keelson-cli: " + dir.File("None.ini") + ": File not found.\n");
    EXPECT_EQ(ReadBytes(ini), kIni);

    r = Run({"add", "--system-ini", ini, "--preset", good});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "+ botpack\n+ SOLDIERSKINS\n");
    EXPECT_EQ(Listed(), "SoldierSkins\nFCommandoSkins\nBotpack\nRetired\nbotpack\nSOLDIERSKINS\n");
}

TEST_F(PackagesCli, BadFilesGiveTheirMessageAndStayUnchanged) {
    test::CliResult r = Run({"list", "--system-ini", dir.File("None.ini")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: " + dir.File("None.ini") + ": File not found.\n");
    r = Run({"add", "--system-ini", ini, "--file", dir.File("None.u")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: " + dir.File("None.u") + ": File not found.\n");
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
        EXPECT_EQ(r.err,
                  "keelson-cli: " + junkIni + ": Error: This doesn't seem to be a UT INI file\n");
        EXPECT_EQ(ReadBytes(junkIni), junk);
    }

    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    r = Run({"add", "--system-ini", ini, "Relics"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "keelson-cli: Cannot create file " + ini + ".\n");
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
        EXPECT_EQ(r.err.rfind("keelson-cli: ", 0), 0u) << shown << r.err;
        EXPECT_NE(r.err.find("\nusage: keelson-cli packages"), std::string::npos) << shown << r.err;
    }
    EXPECT_EQ(ReadBytes(ini), kIni);
}

}  // namespace
}  // namespace keelson
