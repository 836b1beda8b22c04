#include <gtest/gtest.h>

#include <string>

#include "core/bots/TBotDefine.h"

namespace keelson {
namespace {

TBotRecord Named(std::string_view name, std::uint8_t team = kNoTeam) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    bot.Team = team;
    return bot;
}

TEST(BotText, KeepsAtMost255BytesOfAnyKind) {
    BotText text(std::string(300, 'x'));
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.View(), std::string(255, 'x'));
    std::string odd("a\0\xff\r\n", 5);
    EXPECT_EQ(BotText(odd).View(), odd);
    // A shorter text stored over a longer one equals the shorter text.
    text = "ab";
    EXPECT_EQ(text, BotText("ab"));
}

TEST(BotDisplayLabel, NamesTheTeamOrNeutral) {
    EXPECT_EQ(BotDisplayLabel(DefaultBot),
              "__Null__ (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)");
    const char* teams[] = {"Red", "Blue", "Green", "Gold"};
    for (std::uint8_t t = 0; t < 4; ++t) {
        EXPECT_EQ(BotDisplayLabel(Named("A", t)),
                  std::string("A (") + teams[t] + " Botpack.TMale1Bot / CommandoSkins.cmdo)");
    }
    EXPECT_EQ(BotDisplayLabel(Named("A", 4)), BotDisplayLabel(Named("A", 255)));
    EXPECT_EQ(BotDisplayLabel(Named("A", 254)), BotDisplayLabel(Named("A", 255)));
}

TEST(CompareBotNames, UpperCasesOnlyAToZAndComparesUnsignedBytes) {
    auto cmp = [](std::string_view a, std::string_view b) {
        return CompareBotNames(Named(a), Named(b));
    };
    EXPECT_EQ(cmp("alpha", "ALPHA"), 0);
    EXPECT_EQ(cmp("Alpha", "beta"), -1);
    EXPECT_EQ(cmp("Al", "Alpha"), -1);  // a prefix comes first
    EXPECT_EQ(cmp("Alpha", "Al"), 1);
    EXPECT_EQ(cmp("__Null__", "Zed"), 1);  // "_" lies above the letters and digits
    EXPECT_EQ(cmp("_", "9"), 1);
    EXPECT_EQ(cmp("\xe9", "Z"), 1);     // bytes above 127 are not negative
    EXPECT_NE(cmp("\xe9", "\xc9"), 0);  // only a to z change case
    EXPECT_EQ(cmp("", ""), 0);
}

}  // namespace
}  // namespace keelson
