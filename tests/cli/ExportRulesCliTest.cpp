// keelson-cli bots export with the export's rules, on files the tests make.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/bots/BotFiles.h"
#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::ReadBytes;
using test::RunCli;

using Words = std::vector<std::string>;

Words Concat(Words a, const Words& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ExportRulesCli : public ::testing::Test {
  protected:
    void SetUp() override {
        library = dir.File("lib.ut_botlib");
        // Ann: red, jumps, strafing at the slider's 7. ann: blue, aggression
        // 0.5. Bo: no team, a skin from a package whose name holds
        // SoldierSkins. Cy: team 7, accuracy 0.33 as read from a file.
        for (const Words& fields :
             {Words{"Name=Ann", "Team=0", "Jumpy=1", "StrafingAbility=0.35",
                    "Skin=SoldierSkins.blkt", "Face=SoldierSkins.Brock"},
              Words{"Name=ann", "Team=1", "CombatStyle=0.5", "Class=Botpack.TFemale1Bot",
                    "FavoriteWeapon=Botpack.ShockRifle"},
              Words{"Name=Bo", "Team=255", "Skin=SoldierSkinsHD.x", "Face=SoldierSkins.Brock"},
              Words{"Name=Cy", "Team=7", "Accuracy=0.33", "Voice=BotPack.VoiceMaleTwo"}}) {
            ASSERT_EQ(RunCli(Concat({"bots", "add", library}, fields)).status, 0);
        }
        userIni = dir.Write("User.ini", "[Botpack.ChallengeBotInfo]\r\nBotNames[0]=Old\r\n");
        systemIni = dir.Write("UnrealTournament.ini",
                              "[Engine.GameEngine]\r\nServerPackages=BotPack\r\n"
                              "ServerPackages=SoldierSkins\r\nServerPackages=CommandoSkins\r\n");
    }

    // The names that --dry-run says would be exported.
    std::string DryRun(const Words& rules) {
        test::CliResult r =
            RunCli(Concat({"bots", "export", library, userIni, "--dry-run"}, rules));
        EXPECT_EQ(r.status, 0) << r.err;
        std::string names;
        std::size_t start = 0;
        while (start < r.out.size()) {
            std::size_t end = r.out.find('\n', start);
            std::string line = r.out.substr(start, end - start);
            names += (names.empty() ? "" : " ") + line.substr(0, line.find(" ("));
            start = end + 1;
        }
        return names;
    }

    test::TempDir dir;
    std::string library;
    std::string userIni;
    std::string systemIni;
};

TEST_F(ExportRulesCli, RulesApplyInTheOrderGiven) {
    const std::string before = ReadBytes(userIni);
    struct Case {
        Words rules;
        std::string exported;
    };
    const Case cases[] = {
        {{}, "Ann ann Bo Cy"},
        {{"--text", "remove", "name", "is", "ANN"}, "Bo Cy"},
        {{"--text", "remove", "name", "is", "ANN", "--case-sensitive"}, "Ann ann Bo Cy"},
        {{"--text", "remove", "name", "is", "Ann", "--case-sensitive"}, "ann Bo Cy"},
        {{"--text", "remove", "name", "includes", ""}, "Ann ann Bo Cy"},
        {{"--text", "remove", "name", "doesnt-include", ""}, ""},
        {{"--text", "remove", "name", "starts-with", "", "--text", "add", "model", "includes",
          "female"},
         "ann"},
        {{"--text", "remove", "weapon", "starts-with", "botpack."}, "Ann Bo Cy"},
        {{"--text", "remove", "voice", "is", "botpack.voicemaletwo"}, "Ann ann Bo"},
        {{"--scale", "remove", "strafing", "eq", "7"}, "ann Bo Cy"},
        {{"--scale", "remove", "aggression", "ge", "1"}, "Ann Bo Cy"},
        {{"--scale", "remove", "accuracy", "eq", "0"}, "Cy"},
        {{"--scale", "remove", "accuracy", "gt", "6", "--scale", "remove", "accuracy", "lt", "7"},
         ""},
        {{"--scale", "remove", "skill", "le", "-20"}, "Ann ann Bo Cy"},
        {{"--team", "remove", "neutral"}, "Ann ann Cy"},
        {{"--team", "remove", "red", "--team", "remove", "blue", "--team", "add", "red"},
         "Ann Bo Cy"},
        {{"--jumpy", "remove", "yes"}, "ann Bo Cy"},
        {{"--jumpy", "remove", "no", "--jumpy", "add", "no", "--jumpy", "remove", "yes"},
         "ann Bo Cy"},
        // Whole entries: SoldierSkinsHD is not sent because SoldierSkins is.
        {{"--server-packages", "--system-ini", systemIni}, "Ann ann Cy"},
        // Each rule acts on the ticks that the rules before it left.
        {{"--team", "remove", "blue", "--server-packages", "--system-ini", systemIni, "--team",
          "add", "neutral"},
         "Ann Bo Cy"},
    };
    for (const Case& c : cases) {
        std::string args;
        for (const std::string& word : c.rules) {
            args += " " + word;
        }
        EXPECT_EQ(DryRun(c.rules), c.exported) << args;
    }
    EXPECT_EQ(ReadBytes(userIni), before);  // --dry-run writes nothing

    // An empty ServerPackages list: every bot with a package goes.
    std::string empty = dir.Write("Empty.ini", "[Engine.GameEngine]\r\n");
    EXPECT_EQ(DryRun({"--server-packages", "--system-ini", empty}), "");
    // A text that starts with "-" goes after "--".
    ASSERT_EQ(RunCli({"bots", "set", library, "3", "Name=-Cy"}).status, 0);
    EXPECT_EQ(DryRun({"--text", "remove", "name", "is", "--", "-Cy"}), "Ann ann Bo");
}

TEST_F(ExportRulesCli, WrongRuleWordsAreUsageErrorsAndWriteNothing) {
    const std::string before = ReadBytes(userIni);
    const Words wrong[] = {
        {"--text", "remove", "nam", "is", "x"},
        {"--text", "delete", "name", "is", "x"},
        {"--text", "remove", "name", "contains", "x"},
        {"--text", "remove", "name", "is"},
        {"--text", "remove", "name", "is", "--dry-run"},
        {"--case-sensitive", "--text", "remove", "name", "is", "x"},
        {"--team", "add", "red", "--case-sensitive"},
        {"--scale", "add", "aggression", "lt", "3"},
        {"--scale", "add", "skill", "lt", "21"},
        {"--scale", "add", "skill", "lt", "0.5"},
        {"--scale", "add", "skill", "less", "1"},
        {"--team", "add", "purple"},
        {"--team", "add"},
        {"--jumpy", "add", "true"},
        {"--system-ini", systemIni},
    };
    for (const Words& rules : wrong) {
        test::CliResult r = RunCli(Concat({"bots", "export", library, userIni}, rules));
        EXPECT_EQ(r.status, 2) << rules[0] << " " << rules.back() << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes(userIni), before);
    // A missing system INI is an error about it; the user INI stays.
    std::string missing = dir.File("Missing.ini");
    test::CliResult r =
        RunCli({"bots", "export", library, userIni, "--server-packages", "--system-ini", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(userIni), before);
}

TEST_F(ExportRulesCli, ExportWritesTheTickedBotsOnly) {
    auto slotNames = [&] {
        std::vector<std::string> names;
        for (const TBotRecord& slot : ReadUserIniBotSlots(ReadBytes(userIni))) {
            names.push_back(slot.Name.Str());
        }
        return names;
    };
    test::CliResult r = RunCli({"bots", "export", library, userIni, "--team", "remove", "red",
                                "--jumpy", "remove", "no", "--team", "add", "blue"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names = slotNames();
    EXPECT_EQ(names[0], "ann");
    EXPECT_EQ(names[1], "Bot_2");
    EXPECT_EQ(names[31], "Bot_32");

    // Nothing ticked: 32 placeholders.
    EXPECT_EQ(
        RunCli({"bots", "export", library, userIni, "--text", "remove", "name", "starts-with", ""})
            .status,
        0);
    names = slotNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], "Bot_" + std::to_string(i + 1));
    }

    // Of 40 ticked bots, 32 at random; --dry-run lists all 40.
    for (int i = 0; i < 36; ++i) {
        ASSERT_EQ(RunCli({"bots", "add", library, "Name=x" + std::to_string(i)}).status, 0);
    }
    r = RunCli({"bots", "export", library, userIni, "--dry-run"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 40);
    EXPECT_EQ(RunCli({"bots", "export", library, userIni}).status, 0);
    names = slotNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 32u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind("Bot_", 0), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace keelson
