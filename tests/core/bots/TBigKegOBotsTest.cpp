#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/Errors.h"

namespace keelson {
namespace {

TBotRecord Named(std::string_view name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

// "b" and a number (built by appending: GCC 12 warns wrongly on literal + string).
std::string Numbered(int i) {
    std::string name = "b";
    name += std::to_string(i);
    return name;
}

std::vector<std::string> Names(const TBigKegOBots& roster) {
    std::vector<std::string> names;
    for (int i = 0; i < roster.Count(); ++i) {
        names.push_back(roster.Bot(i).Name.Str());
    }
    return names;
}

TEST(Roster, KeepsOrderAndDuplicatesAndMovesBotsDownOnDelete) {
    TBigKegOBots roster;
    EXPECT_EQ(roster.AddBot(Named("A")), 0);
    EXPECT_EQ(roster.AddBot(Named("B")), 1);
    EXPECT_EQ(roster.AddBot(Named("B")), 2);
    roster.SetBot(0, Named("C"));
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"C", "B", "B"}));
    roster.DeleteBot(0);
    EXPECT_EQ(Names(roster), (std::vector<std::string>{"B", "B"}));
    // A copy out is a copy: changing it leaves the roster alone.
    TBotRecord out;
    roster.GetBot(1, out);
    out.Name = "changed";
    EXPECT_EQ(roster.Bot(1).Name, "B");
    roster.ClearBots();
    EXPECT_EQ(roster.Count(), 0);
}

TEST(Roster, BadIndexRaisesListErrorAndChangesNothing) {
    TBigKegOBots roster;
    roster.AddBot(Named("A"));
    TBotRecord out;
    for (int index : {-1, 1, 5}) {
        try {
            roster.GetBot(index, out);
            FAIL() << index;
        } catch (const ListIndexError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "List index out of bounds (" + std::to_string(index) + ")");
        }
        EXPECT_THROW(roster.SetBot(index, Named("X")), ListIndexError);
        EXPECT_THROW(roster.DeleteBot(index), ListIndexError);
    }
    EXPECT_EQ(Names(roster), std::vector<std::string>{"A"});
}

TEST(Roster, SortByNameMatchesTheNameOrderAndKeepsEqualNamesInOrder) {
    // Names sharing long prefixes, names that differ only in case, NUL
    // bytes and bytes above 127 all take the careful path of the sort.
    std::mt19937 random(7);
    const std::string pieces[] = {"a",    "A",       "_", "z", "Bot", "bot", std::string(1, '\0'),
                                  "\xe9", "Longname"};
    TBigKegOBots roster;
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (int n = static_cast<int>(random() % 5); n > 0; --n) {
            name += pieces[random() % std::size(pieces)];
        }
        TBotRecord bot = Named(name);
        bot.Skill = static_cast<float>(i);  // the original position
        roster.AddBot(bot);
    }
    std::vector<TBotRecord> expected;
    for (int i = 0; i < roster.Count(); ++i) {
        expected.push_back(roster.Bot(i));
    }
    std::stable_sort(
        expected.begin(), expected.end(),
        [](const TBotRecord& a, const TBotRecord& b) { return CompareBotNames(a, b) < 0; });
    roster.SortByName();
    ASSERT_EQ(roster.Count(), 3000);
    for (int i = 0; i < roster.Count(); ++i) {
        ASSERT_EQ(roster.Bot(i), expected[static_cast<std::size_t>(i)]) << i;
    }
}

TEST(FillGameSlots, EmptyRosterGivesPlaceholdersBot1ToBot32) {
    TBigKegOBots roster;
    TBotSlotTable slots;
    roster.FillGameSlots(slots);
    for (std::size_t i = 0; i < 32; ++i) {
        TBotRecord expected = DefaultBot;
        expected.Name = "Bot_" + std::to_string(i + 1);
        EXPECT_EQ(slots[i], expected);
    }
}

TEST(FillGameSlots, PutsFewBotsFirstAndPicks32DistinctOfMany) {
    TBigKegOBots five;
    for (int i = 0; i < 5; ++i) {
        five.AddBot(Named(Numbered(i)));
    }
    TBotSlotTable slots;
    five.FillGameSlots(slots);
    std::set<std::string> picked;
    for (std::size_t i = 0; i < 5; ++i) {
        picked.insert(slots[i].Name.Str());
    }
    EXPECT_EQ(picked, (std::set<std::string>{"b0", "b1", "b2", "b3", "b4"}));
    EXPECT_EQ(slots[5].Name, "Bot_6");
    EXPECT_EQ(slots[31].Name, "Bot_32");

    TBigKegOBots forty;
    for (int i = 0; i < 40; ++i) {
        forty.AddBot(Named(Numbered(i)));
    }
    std::set<std::string> orders;
    for (int run = 0; run < 5; ++run) {
        forty.FillGameSlots(slots);
        std::set<std::string> names;
        std::string order;
        for (const TBotRecord& bot : slots) {
            names.insert(bot.Name.Str());
            order += bot.Name.Str() + ",";
        }
        EXPECT_EQ(names.size(), 32u);
        EXPECT_EQ(names.count("Bot_1"), 0u);
        orders.insert(order);
    }
    EXPECT_GT(orders.size(), 1u);  // a new order on each call
    EXPECT_EQ(forty.Count(), 40);
    EXPECT_EQ(forty.Bot(39).Name, "b39");
}

}  // namespace
}  // namespace keelson
