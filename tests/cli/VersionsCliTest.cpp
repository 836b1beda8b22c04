// keelson-cli versions as an admin uses it after a wrong change: list what
// was kept, look at it, compare it with the file, put it back.

#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/CliRun.h"
#include "tests/support/FakeGame.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::ReadBytes;
using ::testing::HasSubstr;

constexpr std::string_view kIni =
    "[Engine.GameEngine]\r\n"
    "ServerPackages=Botpack\r\n"
    "ServerPackages=Relics\r\n"
    "\r\n"
    "[IpDrv.TcpNetDriver]\r\n"
    "AllowDownloads=True\r\n";

class VersionsCli : public ::testing::Test {
  protected:
    void SetUp() override { ini = dir.Write("UT/System/UnrealTournament.ini", kIni); }
    test::CliResult Run(const std::vector<std::string>& words) { return test::RunCli(words, env); }
    test::TempDir dir;
    std::string ini;
    // The versions folder of the test's own (LOCALAPPDATA on Windows).
    std::map<std::string, std::string> env{{"XDG_STATE_HOME", dir.NativeFile("state")},
                                           {"LOCALAPPDATA", dir.NativeFile("state")}};
};

TEST_F(VersionsCli, AWrongChangeIsFoundComparedAndPutBack) {
    ASSERT_EQ(Run({"packages", "remove", "--system-ini", ini, "Relics"}).status, 0);
    ASSERT_EQ(Run({"packages", "add", "--system-ini", ini, "Soldiers"}).status, 0);
    const std::string changed = ReadBytes(ini);

    test::CliResult listed = Run({"versions", "list", ini});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("2  20"));
    EXPECT_THAT(listed.out, HasSubstr("packages add --system-ini " + ini + " Soldiers"));
    EXPECT_LT(listed.out.find("\n1  "), listed.out.size()) << "newest first";

    auto json = nlohmann::json::parse(Run({"versions", "list", ini, "--json"}).out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["number"], 2);
    EXPECT_EQ(json[1]["size"], kIni.size());
    EXPECT_FALSE(json[0].contains("readable"));

    EXPECT_EQ(Run({"versions", "show", ini, "1"}).out, kIni);
    EXPECT_EQ(Run({"versions", "diff", ini}).out, "--- " + ini + " (version 2, " +
                                                      json[0]["time"].get<std::string>() + ")\n" +
                                                      "+++ " + ini + " (now)\n" +
                                                      "@@ -1,5 +1,6 @@\n"
                                                      " [Engine.GameEngine]\n"
                                                      " ServerPackages=Botpack\n"
                                                      "+ServerPackages=Soldiers\n"
                                                      " \n"
                                                      " [IpDrv.TcpNetDriver]\n"
                                                      " AllowDownloads=True\n");

    test::CliResult restored = Run({"versions", "restore", ini, "1"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_THAT(restored.out, HasSubstr(ini + ": version 1 of "));
    EXPECT_EQ(ReadBytes(ini), kIni);
    // The restore kept what it replaced, so it can itself be undone.
    EXPECT_EQ(Run({"versions", "show", ini, "3"}).out, changed);
    // Restoring what is there already writes nothing and keeps nothing.
    EXPECT_THAT(Run({"versions", "restore", ini, "1"}).out, HasSubstr(": unchanged"));
    EXPECT_EQ(nlohmann::json::parse(Run({"versions", "list", ini, "--json"}).out).size(), 3u);
}

TEST_F(VersionsCli, ALibraryIsComparedBotByBot) {
    const std::string lib = dir.File("lib.ut_botlib");
    ASSERT_EQ(Run({"bots", "add", lib, "Name=Zed"}).status, 0);
    ASSERT_EQ(Run({"bots", "add", lib, "Name=Amy"}).status, 0);
    ASSERT_EQ(Run({"bots", "sort", lib}).status, 0);
    const std::string diff = Run({"versions", "diff", lib}).out;
    EXPECT_THAT(diff, HasSubstr("-Name=Zed\n"));
    EXPECT_THAT(diff, HasSubstr("+Name=Amy\n"));
    EXPECT_THAT(diff, HasSubstr(" Skill="));
    ASSERT_EQ(Run({"versions", "restore", lib, "1"}).status, 0);
    EXPECT_THAT(Run({"bots", "list", lib}).out, ::testing::StartsWith("Zed "));
}

TEST_F(VersionsCli, WrongFilesNumbersAndOptionsAreRefused) {
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string message;
    } cases[] = {
        {{"versions", "list", dir.Write("notes.txt", "hello\n")},
         1,
         "is not a user INI, system INI or bot library"},
        {{"versions", "show", ini, "7"}, 1, ini + " has no version 7"},
        {{"versions", "diff", ini}, 1, ini + " has no earlier versions"},
        {{"versions", "restore", ini, "0"}, 2, "not a version number: 0"},
        {{"versions", "restore", ini, "x1"}, 2, "not a version number: x1"},
        {{"bots", "sort", dir.File("lib.ut_botlib"), "--force"}, 2, "--force"},
        {{"versions", "list", dir.File("gone.ini")}, 1, "File not found"},
    };
    for (const Case& c : cases) {
        test::CliResult result = Run(c.words);
        EXPECT_EQ(result.status, c.status) << c.words[1] << " " << result.err;
        EXPECT_THAT(result.err, HasSubstr(c.message)) << c.words[1];
    }
    EXPECT_EQ(ReadBytes(ini), kIni);
}

TEST_F(VersionsCli, NoVersionsFolderNoChangeUnlessTurnedOff) {
    dir.Write("blocked", "a file");
    env["XDG_STATE_HOME"] = env["LOCALAPPDATA"] = dir.NativeFile("blocked/state");
    test::CliResult refused = Run({"packages", "add", "--system-ini", ini, "Soldiers"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("Cannot keep a version of " + ini));
    EXPECT_EQ(ReadBytes(ini), kIni);

    test::CliResult done =
        Run({"packages", "add", "--system-ini", ini, "Soldiers", "--no-versions"});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_THAT(ReadBytes(ini), HasSubstr("ServerPackages=Soldiers"));
}

// A server started from the game's folder holds its INI in memory: a change
// made beside it would be undone when it saves or exits.
TEST_F(VersionsCli, ARunningServerStopsARewriteOfItsIniUnlessForced) {
#ifdef _WIN32
    const std::string program = dir.NativeFile("UT/System/UCC.exe");
#else
    const std::string program = dir.NativeFile("UT/System/ucc-bin");
#endif
    ASSERT_TRUE(test::CopyProgram(test::FakeGamePath(), program));
    test::Game server(program, dir.NativeFile("UT/System"), {"server", "ini=UnrealTournament.ini"},
                      dir.NativeFile("ready"));
    ASSERT_TRUE(server.Running());

    test::CliResult refused = Run({"packages", "add", "--system-ini", ini, "Soldiers"});
    EXPECT_EQ(refused.status, 5);
    const std::string name = program.substr(program.find_last_of("/\\") + 1);
    EXPECT_EQ(refused.err, "keelson-cli: " + ini + " is in use by a running game (pid " +
                               std::to_string(server.Pid()) + ", " + name +
                               "); it will write its own copy back when it saves or exits. Stop "
                               "it first, or use --force\n");
    EXPECT_EQ(ReadBytes(ini), kIni);
    EXPECT_TRUE(Run({"versions", "list", ini, "--json"}).out.starts_with("[]"));
    // A dry run and a command that changes nothing ask nothing.
    EXPECT_EQ(Run({"packages", "add", "--system-ini", ini, "Relics"}).status, 0);
    EXPECT_EQ(Run({"packages", "add", "--system-ini", ini, "X", "--dry-run"}).status, 0);

    test::CliResult forced = Run({"packages", "add", "--system-ini", ini, "Soldiers", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_THAT(ReadBytes(ini), HasSubstr("ServerPackages=Soldiers"));
    server.Stop();
    EXPECT_EQ(Run({"versions", "restore", ini, "1"}).status, 0);
    EXPECT_EQ(ReadBytes(ini), kIni);
}

}  // namespace
}  // namespace keelson
