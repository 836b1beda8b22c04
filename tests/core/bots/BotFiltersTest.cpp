#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bots/BotFilters.h"
#include "core/common/UTSharedUtils1.h"

namespace keelson {
namespace {

TBotRecord Bot(std::string_view name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

TBigKegOBots Roster(const std::vector<TBotRecord>& bots) {
    TBigKegOBots roster;
    for (const TBotRecord& bot : bots) {
        roster.AddBot(bot);
    }
    return roster;
}

TEST(BotFilters, TextRuleComparesTheChosenFieldByTheCaseRule) {
    TBotRecord bot = Bot("Ann");
    bot.Class = "Botpack.TFemale1Bot";
    bot.Skin = "SGirlSkins.army";
    bot.Face = "SGirlSkins.Lilith";
    bot.Voice = "BotPack.VoiceFemaleOne";
    bot.FavoriteWeapon = "Botpack.SniperRifle";
    struct Case {
        TextField field;
        TextComparison comparison;
        std::string text;
        bool caseSensitive;
        bool matches;
    };
    using F = TextField;
    using C = TextComparison;
    const Case cases[] = {
        {F::Name, C::Is, "Ann", false, true},
        {F::Name, C::Is, "aNN", false, true},  // letter case ignored...
        {F::Name, C::Is, "aNN", true, false},  // ...unless asked for
        {F::Name, C::Is, "An", false, false},
        {F::Name, C::Is, "", false, false},
        {F::Name, C::Includes, "", false, false},  // an empty text occurs nowhere
        {F::Name, C::DoesntInclude, "", true, true},
        {F::Name, C::StartsWith, "", true, true},
        {F::Name, C::StartsWith, "AnnA", false, false},  // longer than the field
        {F::Name, C::StartsWith, "an", false, true},
        {F::Name, C::StartsWith, "an", true, false},
        {F::Class, C::Includes, "female", false, true},
        {F::Class, C::Includes, "female", true, false},
        {F::Class, C::DoesntInclude, "female", true, true},
        {F::Class, C::DoesntInclude, "Female", true, false},
        {F::Skin, C::Is, "sgirlskins.ARMY", false, true},
        {F::Face, C::StartsWith, "SGirlSkins.L", true, true},
        {F::Voice, C::Includes, "voicefemale", false, true},
        {F::FavoriteWeapon, C::Includes, "Sniper", true, true},
        {F::FavoriteWeapon, C::Is, "Ann", false, false},  // each field is its own
    };
    for (const Case& c : cases) {
        TextRule rule{c.field, c.comparison, c.text, c.caseSensitive};
        EXPECT_EQ(Matches(bot, rule), c.matches)
            << static_cast<int>(c.field) << " " << static_cast<int>(c.comparison) << " '" << c.text
            << "' " << c.caseSensitive;
    }

    // Only a to z change case: accented letters must match as they stand.
    TBotRecord accented = Bot("J\xE9r\xF4me");
    EXPECT_TRUE(Matches(accented, TextRule{F::Name, C::Is, "j\xE9R\xF4ME", false}));
    EXPECT_FALSE(Matches(accented, TextRule{F::Name, C::Is, "J\xC9R\xD4ME", false}));
    // A field of the full 255 bytes is compared whole.
    TBotRecord full = Bot(std::string(255, 'x'));
    EXPECT_TRUE(Matches(full, TextRule{F::Name, C::Is, std::string(255, 'X'), false}));
}

TEST(BotFilters, AddTicksAndRemoveUnticksOnlyTheBotsThatMatch) {
    TBigKegOBots roster = Roster({Bot("Ann"), Bot("Bob"), Bot("ann"), Bot("Cy")});
    BotTicks ticks = AllTicked(roster);
    const TextRule isAnn{TextField::Name, TextComparison::Is, "ann", false};
    EXPECT_EQ(ApplyRule(roster, ticks, FilterAction::Remove, isAnn), 2u);
    EXPECT_EQ(ticks, (BotTicks{false, true, false, true}));
    EXPECT_EQ(ApplyRule(roster, ticks, FilterAction::Remove, isAnn), 0u);

    // Bob unticked by hand: "Add" of a rule that matches him ticks him again,
    // and leaves the unticked bots that it does not match alone.
    ticks[1] = false;
    const TextRule startsB{TextField::Name, TextComparison::StartsWith, "B", true};
    EXPECT_EQ(ApplyRule(roster, ticks, FilterAction::Add, startsB), 1u);
    EXPECT_EQ(ticks, (BotTicks{false, true, false, true}));

    TBigKegOBots none;
    BotTicks noTicks = AllTicked(none);
    EXPECT_EQ(ApplyRule(none, noTicks, FilterAction::Add, startsB), 0u);
}

TEST(BotFilters, ThresholdFollowsTheSliderStepsOfItsField) {
    struct Case {
        ScaleField field;
        int position;
        std::string shown;
    };
    const Case cases[] = {
        {ScaleField::StrafingAbility, 7, "0.350000"}, {ScaleField::Aggression, -1, "-0.500000"},
        {ScaleField::Aggression, 2, "1.000000"},      {ScaleField::Skill, -20, "-1.000000"},
        {ScaleField::Accuracy, 0, "0.000000"},        {ScaleField::Camping, 13, "0.650000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FloatToFixedText(ThresholdAt(c.field, c.position)), c.shown) << c.position;
        // Computed in double, then rounded once to float: the editor's value.
        EXPECT_EQ(
            ThresholdAt(c.field, c.position),
            static_cast<float>(c.position * (c.field == ScaleField::Aggression ? 0.5 : 0.05)));
    }
    EXPECT_EQ(ThresholdRange(ScaleField::Aggression).minimum, -2);
    EXPECT_EQ(ThresholdRange(ScaleField::Aggression).maximum, 2);
    for (ScaleField field : {ScaleField::StrafingAbility, ScaleField::Alertness,
                             ScaleField::Camping, ScaleField::Accuracy, ScaleField::Skill}) {
        EXPECT_EQ(ThresholdRange(field).minimum, -20);
        EXPECT_EQ(ThresholdRange(field).maximum, 20);
    }
}

TEST(BotFilters, ScaleRuleComparesTheChosenValueWithTheThreshold) {
    TBotRecord bot = Bot("Ann");
    bot.CombatStyle = 0.5f;
    bot.StrafingAbility = static_cast<float>(7 * 0.05);  // as the editor's slider stores 7
    bot.Alertness = -1.0f;
    bot.Camping = 0.33f;  // read from a file: on no slider position
    bot.Accuracy = 0.0f;
    bot.Skill = 1.0f;
    using S = ScaleComparison;
    struct Case {
        ScaleField field;
        int position;
        bool less, lessOrEqual, equal, greaterOrEqual, greater;
    };
    const Case cases[] = {
        {ScaleField::Aggression, 1, false, true, true, true, false},
        {ScaleField::Aggression, 0, false, false, false, true, true},
        {ScaleField::StrafingAbility, 7, false, true, true, true, false},
        {ScaleField::StrafingAbility, 8, true, true, false, false, false},
        {ScaleField::Alertness, -20, false, true, true, true, false},
        {ScaleField::Camping, 6, false, false, false, true, true},
        {ScaleField::Camping, 7, true, true, false, false, false},
        {ScaleField::Accuracy, 0, false, true, true, true, false},
        {ScaleField::Skill, 20, false, true, true, true, false},
    };
    for (const Case& c : cases) {
        const bool expected[] = {c.less, c.lessOrEqual, c.equal, c.greaterOrEqual, c.greater};
        int k = 0;
        for (S comparison : {S::Less, S::LessOrEqual, S::Equal, S::GreaterOrEqual, S::Greater}) {
            ScaleRule rule{c.field, comparison, ThresholdAt(c.field, c.position)};
            EXPECT_EQ(Matches(bot, rule), expected[k])
                << static_cast<int>(c.field) << " at " << c.position << ", comparison " << k;
            ++k;
        }
    }
    // 0.33 equals no position at all.
    for (int position = -20; position <= 20; ++position) {
        EXPECT_FALSE(Matches(bot, ScaleRule{ScaleField::Camping, S::Equal,
                                            ThresholdAt(ScaleField::Camping, position)}));
    }
}

TEST(BotFilters, TeamAndJumpyRulesMatchTheirBytesExactly) {
    const int teams[] = {0, 1, 2, 3, 4, 200, 254, 255};
    for (int team : teams) {
        TBotRecord bot = Bot("x");
        bot.Team = static_cast<std::uint8_t>(team);
        int k = 0;
        for (TeamChoice choice : {TeamChoice::Red, TeamChoice::Blue, TeamChoice::Green,
                                  TeamChoice::Gold, TeamChoice::Neutral}) {
            const bool expected = choice == TeamChoice::Neutral ? team == 255 : team == k;
            EXPECT_EQ(Matches(bot, TeamRule{choice}), expected) << team << " " << k;
            ++k;
        }
    }
    // Any byte but 0 jumps, as the writer writes it and the editor shows it.
    for (int jumpy : {0, 1, 2, 255}) {
        TBotRecord bot = Bot("x");
        bot.Jumpy = static_cast<std::uint8_t>(jumpy);
        EXPECT_EQ(Matches(bot, JumpyRule{JumpyCondition::Jumps}), jumpy != 0) << jumpy;
        EXPECT_EQ(Matches(bot, JumpyRule{JumpyCondition::DoesntJump}), jumpy == 0) << jumpy;
    }
}

TEST(BotFilters, ServerPackagesRuleWantsEveryPackageAsAWholeEntry) {
    EXPECT_EQ(PackageOfField("Botpack.TMale1Bot"), "Botpack");
    EXPECT_EQ(PackageOfField("A.B.C"), "A");
    EXPECT_EQ(PackageOfField("NoDot"), "");
    EXPECT_EQ(PackageOfField(".Lead"), "");

    auto bot = [](std::string_view cls, std::string_view skin, std::string_view face,
                  std::string_view voice) {
        TBotRecord b = Bot("x");
        b.Class = cls;
        b.Skin = skin;
        b.Face = face;
        b.Voice = voice;
        b.FavoriteWeapon = "NotSent.Weapon";  // never tested
        return b;
    };
    const PackageList listed{"BotPack", "SoldierSkins", "Commando"};
    struct Case {
        TBotRecord bot;
        bool sent;
    };
    const Case cases[] = {
        {bot("botpack.TMale1Bot", "soldierskins.blkt", "SoldierSkins.Brock", "BotPack.V"), true},
        // Names that hold, or are held by, a listed name are not listed.
        {bot("Botpack.T", "Soldier.blkt", "SoldierSkins.Brock", "BotPack.V"), false},
        {bot("Botpack.T", "SoldierSkins.blkt", "CommandoSkins.Blake", "BotPack.V"), false},
        {bot("Botpack.T", "SoldierSkins.x", "SoldierSkins.y", "BotPacks.V"), false},
        {bot("Bot.T", "SoldierSkins.x", "SoldierSkins.y", "BotPack.V"), false},
        // Fields without a package need nothing.
        {bot("NoPackage", "", "Commando.face", ""), true},
        {bot("", "", "", ".Voice"), true},
    };
    int k = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(ServerSendsPackagesOf(c.bot, listed), c.sent) << k;
        ++k;
    }

    // The rule only unticks. With an empty list every bot with a package goes.
    TBigKegOBots roster =
        Roster({cases[0].bot, cases[1].bot, cases[5].bot, cases[6].bot, cases[2].bot});
    BotTicks ticks{true, true, true, false, true};
    EXPECT_EQ(UntickBotsNotInServerPackages(roster, ticks, listed), 2u);
    EXPECT_EQ(ticks, (BotTicks{true, false, true, false, false}));
    ticks = AllTicked(roster);
    EXPECT_EQ(UntickBotsNotInServerPackages(roster, ticks, PackageList{}), 4u);
    EXPECT_EQ(ticks, (BotTicks{false, false, false, true, false}));
}

TEST(BotFilters, FiltersInSequenceAndTheTickedBotsInOrder) {
    TBotRecord ann = Bot("Ann");
    ann.Team = kTeamRed;
    TBotRecord bob = Bot("Bob");
    bob.Team = kTeamBlue;
    bob.Jumpy = 1;
    TBotRecord cy = Bot("Cy");
    cy.Team = kTeamRed;
    cy.Skin = "Missing.skin";
    TBigKegOBots roster = Roster({ann, bob, cy});
    BotTicks ticks = AllTicked(roster);
    const BotFilter filters[] = {
        {FilterAction::Remove, TeamRule{TeamChoice::Red}},
        {FilterAction::Add, TextRule{TextField::Name, TextComparison::Includes, "y", false}},
        {FilterAction::Remove, JumpyRule{JumpyCondition::Jumps}},
    };
    std::size_t changed = 0;
    for (const BotFilter& filter : filters) {
        changed += ApplyFilter(roster, ticks, filter);
    }
    EXPECT_EQ(changed, 4u);
    EXPECT_EQ(ticks, (BotTicks{false, false, true}));
    BotFilter packages{FilterAction::Add,
                       ServerPackagesRule{PackageList{"Botpack", "CommandoSkins"}}};
    EXPECT_EQ(ApplyFilter(roster, ticks, packages), 1u);  // unticks, whatever the action
    EXPECT_EQ(ticks, (BotTicks{false, false, false}));

    ticks = {true, false, true};
    TBigKegOBots ticked = TickedBots(roster, ticks);
    ASSERT_EQ(ticked.Count(), 2);
    EXPECT_EQ(ticked.Bot(0), ann);
    EXPECT_EQ(ticked.Bot(1), cy);
    EXPECT_EQ(roster.Count(), 3);  // a copy: the roster keeps every bot
}

}  // namespace
}  // namespace keelson
