// What every keelson-cli command shares: --version, --help, unknown words,
// and --json documents that say what the line output says.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "core/common/UTSharedUtils1.h"
#include "tests/support/CliRun.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using test::RunCli;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CommandLine, VersionHelpAndUnknownWords) {
    test::CliResult r = RunCli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "keelson-cli 1.0\n");

    // Every command has its own help, which shows its synopsis.
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"bots", "export"}, {"packages", "remove"}, {"settings", "set-game-folder"}}) {
        r = RunCli({words[0], words[1], "--help"});
        EXPECT_EQ(r.status, 0) << words[1];
        EXPECT_THAT(r.out, StartsWith("keelson-cli " + words[0] + " " + words[1]));
        EXPECT_THAT(r.out, HasSubstr("Usage: keelson-cli " + words[0] + " " + words[1]));
    }

    // Each case: the words and the one that is wrong.
    for (const auto& [words, wrong] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"bot", "list"}, "bot"},
             {{"bots", "lsit", "x"}, "lsit"},
             {{"settings", "show", "--jsn"}, "--jsn"}}) {
        r = RunCli(words);
        EXPECT_EQ(r.status, 2);
        EXPECT_THAT(r.err, StartsWith("keelson-cli: "));
        EXPECT_THAT(r.err, HasSubstr(wrong));
        EXPECT_EQ(r.out, "");
    }
}

// The Field=value lines of `bots show` as a map per bot.
std::vector<std::map<std::string, std::string>> ShownBots(const std::string& text) {
    std::vector<std::map<std::string, std::string>> bots(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            bots.emplace_back();
        } else {
            bots.back()[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    bots.pop_back();
    return bots;
}

TEST(CommandLine, JsonSaysWhatTheLinesSay) {
    test::TempDir dir;
    const std::string lib = dir.File("lib.ut_botlib");
    // Windows-1252 texts: e acute, the euro sign and an undefined byte.
    ASSERT_EQ(RunCli({"bots", "add", lib, "Name=Andr\xE9", "Skin=\x80\x81", "Team=3", "Skill=0.1",
                      "Jumpy=1", "Camping=-2.5"})
                  .status,
              0);
    ASSERT_EQ(RunCli({"bots", "add", lib}).status, 0);

    test::CliResult json = RunCli({"bots", "show", lib, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("\"\xE2\x82\xAC\\u0081\""));
    const nlohmann::json bots = nlohmann::json::parse(json.out);
    const auto shown = ShownBots(RunCli({"bots", "show", lib}).out);
    ASSERT_EQ(bots.size(), shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        ASSERT_EQ(bots[i].size(), 14u);
        for (const auto& [field, value] : shown[i]) {
            const nlohmann::json& v = bots[i].at(field);
            if (v.is_string()) {
                continue;  // the texts are compared below
            }
            ASSERT_TRUE(v.is_number()) << field;
            std::string asShown = v.is_number_integer()
                                      ? std::to_string(v.get<long>())
                                      : FloatToFixedText(static_cast<float>(v.get<double>()));
            EXPECT_EQ(asShown, value) << field;
        }
        EXPECT_EQ(bots[i]["Class"], shown[i].at("Class"));
    }
    EXPECT_EQ(bots[0]["Name"], "Andr\xC3\xA9");
    EXPECT_EQ(bots[0]["Skill"], 0.1);
    EXPECT_EQ(bots[0]["Skin"], "\xE2\x82\xAC\xC2\x81");
    EXPECT_EQ(nlohmann::json::parse(RunCli({"bots", "list", lib, "--json"}).out), bots);
    EXPECT_EQ(nlohmann::json::parse(RunCli({"bots", "show", lib, "1", "--json"}).out), bots[1]);

    const std::string ini = dir.Write("UT.ini",
                                      "[Core.System]\nPaths=../System/*.u\n\n[Engine.GameEngine]\n"
                                      "ServerPackages=Botpack\nServerPackages=Caf\xE9\n\n");
    EXPECT_EQ(
        nlohmann::json::parse(RunCli({"packages", "list", "--json", "--system-ini", ini}).out),
        nlohmann::json::parse(R"(["Botpack", "Caf\u00e9"])"));
    EXPECT_EQ(
        nlohmann::json::parse(RunCli({"packages", "paths", "--system-ini", ini, "--json"}).out),
        nlohmann::json::parse(R"(["../System/*.u"])"));

    const std::map<std::string, std::string> env{{"KEELSON_REGISTRY", dir.File("store")}};
    ASSERT_EQ(RunCli({"settings", "set", "PromptToFindIni", "1"}, env).status, 0);
    const nlohmann::json settings =
        nlohmann::json::parse(RunCli({"settings", "show", "--json"}, env).out);
    std::istringstream lines(RunCli({"settings", "show"}, env).out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ("Store: " + settings.at("Store").get<std::string>(), line);
    std::getline(lines, line);
    EXPECT_EQ(line, settings.at("KeyPresent").get<bool>() ? "Key: present" : "Key: absent");
    std::size_t count = 0;
    while (std::getline(lines, line)) {
        const std::string name = line.substr(0, line.find('='));
        const nlohmann::json& v = settings.at(name);
        EXPECT_EQ(v.is_boolean() ? (v.get<bool>() ? "1" : "0") : v.get<std::string>(),
                  line.substr(line.find('=') + 1))
            << name;
        ++count;
    }
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(settings.size(), 10u);
}

}  // namespace
}  // namespace keelson
