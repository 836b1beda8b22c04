#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::ReadBytes;
using test::RunCli;

// A user INI with three named bots and sections around the bot section.
std::string UserIni(std::string_view end = "\r\n") {
    std::string text;
    for (std::string_view line :
         {"[Engine.Input]", "F1=ShowScores", "", "[BotPack.ChallengeBotInfo]", "Difficulty=2",
          "BotNames[0]=Ann", "BotTeams[0]=1", "BotNames[1]=bob", "BotSkills[1]=0.75",
          "BotJumpy[1]=1", "BotNames[2]=Cy", "BotClasses[2]=Botpack.TFemale1Bot", "", "[After]",
          "x=1"}) {
        text.append(line).append(end);
    }
    return text;
}

class BotsCli : public ::testing::Test {
  protected:
    std::string Library(std::string_view name = "lib.ut_botlib") {
        std::string lib = dir.File(name);
        EXPECT_EQ(RunCli({"bots", "import", dir.Write("User.ini", UserIni()), lib}).status, 0);
        return lib;
    }
    std::string List(const std::string& lib) { return RunCli({"bots", "list", lib}).out; }
    test::TempDir dir;
};

constexpr std::string_view kNull = "__Null__ (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)\n";

std::string Nulls(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += kNull;
    }
    return s;
}

TEST_F(BotsCli, ImportThenListGivesOneLabelPerBot) {
    std::string lib = Library();
    EXPECT_EQ(ReadBytes(lib).size(), 32u * 1568);
    std::string expected =
        "Ann (Blue Botpack.TMale1Bot / CommandoSkins.cmdo)\n"
        "bob (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)\n"
        "Cy (neutral Botpack.TFemale1Bot / CommandoSkins.cmdo)\n" +
        Nulls(29);
    test::CliResult listed = RunCli({"bots", "list", lib});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, expected);
    EXPECT_EQ(listed.err, "");

    // Lines ended by lone line feeds read the same; --append keeps the old bots first.
    std::string lf = dir.Write("lf.ini", UserIni("\n"));
    EXPECT_EQ(RunCli({"bots", "import", lf, lib, "--append"}).status, 0);
    EXPECT_EQ(List(lib), expected + expected);
    std::string fresh = dir.File("fresh.ut_botlib");
    EXPECT_EQ(RunCli({"bots", "import", "--append", lf, fresh}).status, 0);
    EXPECT_EQ(List(fresh), expected);
}

TEST_F(BotsCli, ShowPrintsFourteenFieldsAndAnEmptyLine) {
    std::string lib = Library();
    test::CliResult shown = RunCli({"bots", "show", lib, "1"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out,
              "Name=bob\nTeam=255\nSkill=0.750000\nAccuracy=0.000000\nCombatStyle=0.000000\n"
              "Alertness=0.000000\nCamping=0.000000\nStrafingAbility=0.000000\nFavoriteWeapon=\n"
              "Class=Botpack.TMale1Bot\nSkin=CommandoSkins.cmdo\nFace=CommandoSkins.Blake\n"
              "Voice=BotPack.VoiceMaleOne\nJumpy=1\n\n");
    std::string all = RunCli({"bots", "show", lib}).out;
    EXPECT_TRUE(all.starts_with("Name=Ann\nTeam=1\n"));
    EXPECT_NE(all.find("\n\n" + shown.out + "Name=Cy\n"), std::string::npos);
    EXPECT_TRUE(all.ends_with("Jumpy=0\n\n"));
    test::CliResult outside = RunCli({"bots", "show", lib, "32"});
    EXPECT_EQ(outside.status, 1);
    EXPECT_EQ(outside.err, "keelson-cli: " + lib + ": List index out of bounds (32)\n");
}

TEST_F(BotsCli, AddSetDeleteAndSortChangeTheLibrary) {
    std::string lib = dir.File("new.ut_botlib");
    EXPECT_EQ(RunCli({"bots", "add", lib}).status, 0);  // a missing library is created
    EXPECT_EQ(RunCli({"bots", "add", lib, "Name=zoe", "Team=-1", "Jumpy=00", "Skill=abc",
                      "Camping= .5", "Class=" + std::string(300, 'c')})
                  .status,
              0);
    std::string zoe = RunCli({"bots", "show", lib, "1"}).out;
    EXPECT_NE(zoe.find("Name=zoe\nTeam=255\nSkill=0.000000\n"), std::string::npos);
    EXPECT_NE(zoe.find("Camping=0.500000\n"), std::string::npos);
    EXPECT_NE(zoe.find("Class=" + std::string(255, 'c') + "\n"), std::string::npos);
    EXPECT_NE(zoe.find("Jumpy=0\n"), std::string::npos);

    EXPECT_EQ(RunCli({"bots", "set", lib, "0", "Name=Al", "Team=3", "Skin=a=b"}).status, 0);
    EXPECT_EQ(List(lib), "Al (Gold Botpack.TMale1Bot / a=b)\nzoe (neutral " +
                             std::string(255, 'c') + " / CommandoSkins.cmdo)\n");
    EXPECT_EQ(RunCli({"bots", "add", lib, "Name=Bea"}).status, 0);
    EXPECT_EQ(RunCli({"bots", "sort", lib}).status, 0);
    std::string sorted = List(lib);
    EXPECT_TRUE(sorted.starts_with("Al (")) << sorted;
    EXPECT_NE(sorted.find(")\nBea ("), std::string::npos);
    EXPECT_EQ(RunCli({"bots", "delete", lib, "0"}).status, 0);
    EXPECT_TRUE(List(lib).starts_with("Bea ("));

    test::CliResult bad = RunCli({"bots", "delete", lib, "5"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "keelson-cli: " + lib + ": List index out of bounds (5)\n");
    EXPECT_EQ(RunCli({"bots", "set", lib, "--", "-1", "Name=x"}).err,
              "keelson-cli: " + lib + ": List index out of bounds (-1)\n");
}

TEST_F(BotsCli, WithoutUserIniTheStoredOneIsUsed) {
#ifdef _WIN32
    GTEST_SKIP() << "set-game-folder is for Keelson's own store; on Windows the installer records "
                    "the folder";
#endif
    const std::map<std::string, std::string> env{{"KEELSON_REGISTRY", dir.File("store")}};
    std::string lib = dir.File("stored.ut_botlib");
    test::CliResult r = RunCli({"bots", "import", lib}, env);
    EXPECT_EQ(r.status, 1);  // nothing recorded yet: the default names no file
    EXPECT_EQ(r.err, "keelson-cli: c:\\UnrealTournament/System/User.ini: File not found.\n");
    EXPECT_EQ(ReadBytes(lib), "<missing>");

    std::string userIni = dir.Write("UT/System/User.ini", UserIni("\n"));
    ASSERT_EQ(RunCli({"settings", "set-game-folder", dir.File("UT")}, env).status, 0);
    r = RunCli({"bots", "import", lib}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunCli({"bots", "list", lib}).out.starts_with("Ann (Blue "));
    ASSERT_EQ(RunCli({"bots", "delete", lib, "0"}).status, 0);
    r = RunCli({"bots", "export", lib}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadBytes(userIni).find("BotNames[0]="), std::string::npos);
    EXPECT_EQ(ReadBytes(userIni).find("=Ann\r\n"), std::string::npos);

    // --user-ini names it explicitly; naming it twice is a usage error.
    std::string other = dir.Write("Other.ini", UserIni());
    r = RunCli({"bots", "import", "--user-ini", other, lib}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RunCli({"bots", "list", lib}).out.starts_with("Ann (Blue "));
    r = RunCli({"bots", "export", lib, other, "--user-ini", other}, env);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadBytes(other), UserIni());
    EXPECT_EQ(RunCli({"bots", "export", lib, "--user-ini"}, env).status, 2);
}

TEST_F(BotsCli, WrongWordsAreUsageErrorsThatChangeNothing) {
    std::string lib = Library();
    std::string before = ReadBytes(lib);
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"bots"},
             {"bots", "frobnicate", lib},
             {"bots", "list"},
             {"bots", "list", lib, lib},
             {"bots", "sort", lib, "--append"},
             {"bots", "show", lib, "x"},
             {"bots", "show", lib, "1.5"},
             {"bots", "delete", lib, "99999999999"},
             {"bots", "set", lib, "0"},
             {"bots", "set", lib, "0", "Nickname=x"},
             {"bots", "set", lib, "0", "name=x"},
             {"bots", "add", lib, "Name"},
             {"bots", "add", lib, "=x"},
         }) {
        test::CliResult r = RunCli(words);
        EXPECT_EQ(r.status, 2) << words.back();
        EXPECT_TRUE(r.err.starts_with("keelson-cli: ")) << r.err;
        EXPECT_NE(r.err.find("\nusage: keelson-cli bots"), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadBytes(lib), before);
    test::CliResult help = RunCli({"--help"});
    for (std::string_view command :
         {"import", "list", "show", "add", "set", "delete", "sort", "export"}) {
        EXPECT_NE(help.out.find("keelson-cli bots " + std::string(command) + " "),
                  std::string::npos);
    }
}

// A library name that starts with "-" reads as an option: every command
// names that word, not the operand it left missing, and writes nothing.
TEST_F(BotsCli, AWordTakenForAnOptionIsNamed) {
    std::string lib = Library();
    std::string before = ReadBytes(lib);
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"list", "-x.ut_botlib"},
             {"show", "-x.ut_botlib"},
             {"add", "-x.ut_botlib"},
             {"set", "-x.ut_botlib", "0", "Name=x"},
             {"delete", "-x.ut_botlib", "0"},
             {"sort", "-x.ut_botlib"},
             {"export", "-x.ut_botlib"},
             {"import", "-x.ut_botlib"},
             {"delete", lib, "-x"},
         }) {
        std::vector<std::string> command{"bots"};
        command.insert(command.end(), words.begin(), words.end());
        test::CliResult r = RunCli(command);
        const std::string wrong = words[1] == lib ? words[2] : words[1];
        EXPECT_EQ(r.status, 2) << words[0];
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
                  "keelson-cli: unknown option " + wrong +
                      " (a name that starts with \"-\" goes after --)")
            << words[0];
        EXPECT_NE(r.err.find("\nusage: keelson-cli bots " + words[0] + " "), std::string::npos)
            << r.err;
    }
    EXPECT_EQ(ReadBytes(lib), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("-x.ut_botlib")));
}

TEST_F(BotsCli, MissingAndDamagedFilesAreErrors) {
    std::string lib = Library();
    test::CliResult missing =
        RunCli({"bots", "import", dir.File("none.ini"), dir.File("x.ut_botlib")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "keelson-cli: " + dir.File("none.ini") + ": File not found.\n");
    EXPECT_EQ(ReadBytes(dir.File("x.ut_botlib")), "<missing>");
    EXPECT_EQ(RunCli({"bots", "list", dir.File("none.ut_botlib")}).err,
              "keelson-cli: " + dir.File("none.ut_botlib") + ": File not found.\n");
    EXPECT_EQ(RunCli({"bots", "sort", dir.File("none.ut_botlib")}).status, 1);

    // A truncated library lists its complete bots, then reports the rest;
    // nothing rewrites it.
    std::string cut = dir.Write("cut.ut_botlib", ReadBytes(lib).substr(0, 2 * 1568 + 7));
    test::CliResult listed = RunCli({"bots", "list", cut});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out,
              "Ann (Blue Botpack.TMale1Bot / CommandoSkins.cmdo)\n"
              "bob (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)\n");
    EXPECT_EQ(listed.err, "keelson-cli: " + cut + ": Read beyond end of file.\n");
    EXPECT_EQ(RunCli({"bots", "show", cut, "2"}).err,
              "keelson-cli: " + cut + ": Read beyond end of file.\n");
    for (std::string command : {"sort", "add"}) {
        EXPECT_EQ(RunCli({"bots", command, cut}).status, 1);
    }
    EXPECT_EQ(ReadBytes(cut).size(), 2u * 1568 + 7);

    // A read-only library can be read but not changed.
    chmod(lib.c_str(), 0444);
    EXPECT_EQ(RunCli({"bots", "list", lib}).status, 0);
    test::CliResult sorted = RunCli({"bots", "set", lib, "0", "Name=Zed"});
    EXPECT_EQ(sorted.status, 1);
    EXPECT_EQ(sorted.err, "keelson-cli: " + lib + ": File access denied.\n");
    EXPECT_EQ(RunCli({"bots", "sort", lib}).status, 0);  // sorted already: nothing to write

    // Junk and a user INI with a line of megabytes import without trouble.
    std::string junk(3 << 20, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>(i * 2654435761u >> 13);
        if (junk[i] == '\x1A') {
            junk[i] = 'x';  // Ctrl-Z would end the text here
        }
    }
    junk += "\r\n[BotPack.ChallengeBotInfo]\r\nBotNames[0]=" + std::string(4 << 20, 'n') + "\r\n";
    std::string big = dir.File("big.ut_botlib");
    EXPECT_EQ(RunCli({"bots", "import", dir.Write("junk.ini", junk), big}).status, 0);
    EXPECT_EQ(List(big), std::string(255, 'n') +
                             " (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)\n" + Nulls(31));
}

TEST_F(BotsCli, ExportFillsTheSlotsOrReportsAFileThatIsNoUserIni) {
    std::string lib = dir.File("one.ut_botlib");
    RunCli({"bots", "add", lib, "Name=Solo", "Team=2"});
    // A lone-LF user INI whose bot section runs to the end of the file.
    std::string ini =
        dir.Write("User.ini", "[A]\nx=1\n\n[BotPack.ChallengeBotInfo]\nBotNames[0]=Old\n");
    test::CliResult exported = RunCli({"bots", "export", lib, ini});
    EXPECT_EQ(exported.status, 0) << exported.err;
    std::string text = ReadBytes(ini);
    EXPECT_TRUE(text.starts_with("[A]\r\nx=1\r\n\r\n[BotPack.ChallengeBotInfo]\r\nBotFaces[0]="));
    EXPECT_NE(text.find("\r\nBotNames[0]=Solo\r\nBotNames[1]=Bot_2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nBotNames[31]=Bot_32\r\nBotTeams[0]=2\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("BotJumpy[31]=0\r\n"));

    std::string other = dir.Write("Other.ini", "[A]\r\nBotNames[0]=x\r\n");
    test::CliResult refused = RunCli({"bots", "export", lib, other});
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.err,
              "keelson-cli: " + other + ": Error: This doesn't seem to be a UT INI file\n");
    EXPECT_EQ(ReadBytes(other), "[A]\r\nBotNames[0]=x\r\n");
    EXPECT_EQ(RunCli({"bots", "export", lib, dir.File("none.ini")}).err,
              "keelson-cli: " + dir.File("none.ini") + ": File not found.\n");

    RunCli({"bots", "add", lib, "Name=Duo"});
    chmod(ini.c_str(), 0444);
    EXPECT_EQ(RunCli({"bots", "export", lib, ini}).err,
              "keelson-cli: Cannot create file " + ini + ".\n");
    EXPECT_EQ(ReadBytes(ini), text);
}

TEST_F(BotsCli, ImportNeverReplacesAFileThatIsNoBotLibrary) {
    const std::string userIni = dir.Write("User.ini", UserIni());
    const std::string lib = Library();
    const std::string libBytes = ReadBytes(lib);

    // The two paths swapped: the library has no bot section.
    test::CliResult r = RunCli({"bots", "import", lib, userIni});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "keelson-cli: " + lib + ": Error: This doesn't seem to be a UT INI file\n");
    EXPECT_EQ(ReadBytes(userIni), UserIni());

    // A text file as LIBRARY, replaced or appended to, is refused whole.
    const std::string notes = dir.Write("notes.txt", "keep me\n");
    for (bool append : {false, true}) {
        std::vector<std::string> words{"bots", "import", userIni, notes};
        if (append) {
            words.push_back("--append");
        }
        r = RunCli(words);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "keelson-cli: " + notes + " is not a bot library: nothing written\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes(notes), "keep me\n");

    // A file with no bot section gives 32 empty slots only on purpose.
    const std::string passwd = dir.Write("passwd", "root:x:0:0:root:/root:/bin/sh\n[x]\n");
    const std::string fresh = dir.File("fresh.ut_botlib");
    EXPECT_EQ(RunCli({"bots", "import", passwd, fresh}).status, 3);
    EXPECT_EQ(ReadBytes(fresh), "<missing>");
    r = RunCli({"bots", "import", "--allow-no-bots", passwd, fresh});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(List(fresh), Nulls(32));

    // One operand: the stored user INI is the library named, even when its
    // size happens to be a whole number of records. (Windows leaves the
    // game's folder to the game's installer.)
#ifndef _WIN32
    const std::map<std::string, std::string> env{{"KEELSON_REGISTRY", dir.File("store")}};
    std::string padded = UserIni();
    padded += std::string(3 * 1568 - padded.size() - 2, 'x') + "\r\n";
    const std::string stored = dir.Write("UT/System/User.ini", padded);
    ASSERT_EQ(RunCli({"settings", "set-game-folder", dir.File("UT")}, env).status, 0);
    r = RunCli({"bots", "import", dir.File("UT/System/../System/User.ini")}, env);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(ReadBytes(stored), padded);
#endif

    // An empty file is an empty library.
    const std::string empty = dir.Write("empty.ut_botlib", "");
    EXPECT_EQ(RunCli({"bots", "import", "--append", userIni, empty}).status, 0);
    EXPECT_EQ(ReadBytes(empty), libBytes);
}

TEST_F(BotsCli, EditsSayWhatTheyDidAndLeaveAnEqualFileAlone) {
    const std::string userIni = dir.Write("User.ini", UserIni());
    const std::string lib = dir.File("lib.ut_botlib");
    test::CliResult r = RunCli({"bots", "import", userIni, lib});
    EXPECT_EQ(r.out, "32 bots imported from " + userIni + " into " + lib + "\n");
    const std::string bytes = ReadBytes(lib);
    const auto old = std::filesystem::last_write_time(lib) - std::chrono::hours(1);
    std::filesystem::last_write_time(lib, old);
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"bots", "import", userIni, lib},
             {"bots", "set", lib, "1", "Name=bob", "Skill=0.75"},
             {"bots", "sort", lib},
         }) {
        r = RunCli(words);
        EXPECT_EQ(r.status, 0) << words[1] << r.err;
        EXPECT_EQ(r.out, lib + ": unchanged\n") << words[1];
    }
    EXPECT_EQ(ReadBytes(lib), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(lib), old);

    const std::string raven = "Raven (Blue Botpack.TMale1Bot / CommandoSkins.cmdo)";
    EXPECT_EQ(RunCli({"bots", "add", lib, "Name=Raven", "Team=1"}).out,
              "bot 32 added to " + lib + ": " + raven + "\n");
    EXPECT_EQ(
        RunCli({"bots", "set", lib, "32", "Team=3"}).out,
        "bot 32 of " + lib + " changed: Raven (Gold Botpack.TMale1Bot / CommandoSkins.cmdo)\n");
    EXPECT_EQ(RunCli({"bots", "sort", "--quiet", lib}).out, "");
    EXPECT_EQ(
        RunCli({"bots", "delete", lib, "0"}).out,
        "bot 0 deleted from " + lib + ": Ann (Blue Botpack.TMale1Bot / CommandoSkins.cmdo)\n");
    EXPECT_EQ(RunCli({"bots", "export", lib, userIni}).out,
              "32 bots exported from " + lib + " into " + userIni + "\n");
}

}  // namespace
}  // namespace keelson
