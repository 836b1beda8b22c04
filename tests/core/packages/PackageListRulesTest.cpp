#include <gtest/gtest.h>

#include "core/common/Errors.h"
#include "core/packages/PackageListRules.h"

namespace keelson {
namespace {

using Names = std::vector<std::string>;

TEST(AddPack, ComparesWholeEntriesIgnoringLetterCase) {
    PackageList list{"FCommandoSkins", "RelicsBindings"};
    EXPECT_TRUE(AddPack(list, "CommandoSkins"));  // part of an entry is not the entry
    EXPECT_TRUE(AddPack(list, "Relics"));
    EXPECT_FALSE(AddPack(list, "fcommandoskins"));
    EXPECT_FALSE(AddPack(list, "RELICS"));
    EXPECT_EQ(list.Entries(),
              (Names{"FCommandoSkins", "RelicsBindings", "CommandoSkins", "Relics"}));
}

TEST(AddPack, EmptyNameIsNeverAddedAndOnlyAsciiLettersFold) {
    PackageList list{"A", "B"};
    EXPECT_FALSE(AddPack(list, ""));  // it would be a blank ServerPackages line
    EXPECT_FALSE(AddPackFile(list, "/ut/Textures/.utx"));
    EXPECT_TRUE(AddPack(list, "\xE9t\xE9"));   // lower-case e acute
    EXPECT_TRUE(AddPack(list, "\xC9T\xC9"));   // upper-case E acute: another name
    EXPECT_FALSE(AddPack(list, "\xE9T\xE9"));  // only t folds
    EXPECT_EQ(list.Size(), 4u);
}

TEST(AddPack, IndexFollowsRemovalsAndDuplicates) {
    PackageList list;
    list.Append("BotPack");
    list.Append("botpack");
    RemoveSelected(list, {0});
    EXPECT_TRUE(list.Holds("BOTPACK"));  // the second spelling is still listed
    RemoveSelected(list, {0});
    EXPECT_FALSE(list.Holds("BotPack"));
    EXPECT_TRUE(AddPack(list, "BotPack"));
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(list.Holds("BotPack"));
}

TEST(AddPack, IndexBuiltOnFirstTestSeesEveryEarlierChange) {
    PackageList list{"BotPack", "Relics"};
    list.AppendAll({"SoldierSkins", "relics"});
    RemoveSelected(list, {1});
    PackageList copy = list;
    PackageList moved = std::move(list);
    EXPECT_TRUE(copy.Holds("RELICS"));  // the second spelling is still listed
    EXPECT_TRUE(moved.Holds("soldierskins"));
    EXPECT_FALSE(AddPack(moved, "BOTPACK"));
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(list.Holds("BotPack"));
    list = copy;  // from a list that has its index
    RemoveByNames(copy, {"relics"});
    EXPECT_FALSE(copy.Holds("Relics"));
    EXPECT_TRUE(list.Holds("Relics"));
}

// One pass with every name gives what the text filter "is" gives name by
// name: letter case of a to z ignored, duplicates all go, the rest in order.
TEST(RemoveByNames, RemovesAsTheFilterIsDoesForEachName) {
    const Names entries{"BotPack", "", "Relics", "botpack", "\xE9t\xE9", "BOTPACK", "Relics2"};
    const std::vector<Names> cases{{"BOTPACK"},
                                   {"relics", "Missing"},
                                   {""},
                                   {"\xC9T\xC9"},
                                   {"\xE9T\xE9", "botpack", "botpack"},
                                   {},
                                   {"RELICS2", "Relics", "BotPack", "", "\xE9t\xE9"}};
    for (const Names& names : cases) {
        PackageList oneByOne;
        oneByOne.AppendAll(entries);
        std::size_t expected = 0;
        for (const std::string& name : names) {
            expected += RemoveByTextFilter(oneByOne, TextFilterMethod::Is, name);
        }
        PackageList list;
        list.AppendAll(entries);
        EXPECT_EQ(RemoveByNames(list, names), expected);
        EXPECT_EQ(list.Entries(), oneByOne.Entries());
    }
}

TEST(FixedGroups, AddEachNameOnceInTableOrder) {
    PackageList list;
    EXPECT_EQ(AddUTStandardPackages(list), 6u);
    EXPECT_EQ(AddUTStandardPackages(list), 0u);
    EXPECT_EQ(list.Entries(), (Names{"BotPack", "SoldierSkins", "SGirlSkins", "CommandoSkins",
                                     "FCommandoSkins", "BossSkins"}));

    PackageList loaded{"relicsbindings", "MultiMesh"};
    EXPECT_EQ(AddEpicBonusPackPackages(loaded), 5u);
    EXPECT_EQ(loaded.Entries(), (Names{"relicsbindings", "MultiMesh", "EpicCustomModels",
                                       "TSkMSkins", "TNaliMeshSkins", "TCowMeshSkins", "Relics"}));
}

TEST(AddPackFile, TakesTheFileNameUpToItsLastDot) {
    EXPECT_EQ(PackageNameOfFile("/ut/System/Foo.Bar.u"), "Foo.Bar");
    EXPECT_EQ(PackageNameOfFile("/ut/Textures/NoExtension"), "NoExtension");
    EXPECT_EQ(PackageNameOfFile("/ut/My.Mods/Skin"),
              "Skin");  // a dot in the folder is no extension
#ifdef _WIN32
    EXPECT_EQ(PackageNameOfFile("C:\\UT\\System\\Foo.Bar.u"), "Foo.Bar");
    EXPECT_EQ(PackageNameOfFile("D:Relics.u"), "Relics");
#endif
    EXPECT_EQ(PackageNameOfFile("Trailing."), "Trailing");

    PackageList list{"botpack"};
    EXPECT_FALSE(AddPackFile(list, "/games/ut/System/BotPack.u"));
    EXPECT_TRUE(AddPackFile(list, "/games/ut/System/Foo.Bar.u"));
    EXPECT_EQ(list.Entries(), (Names{"botpack", "Foo.Bar"}));
}

TEST(TextFilter, EachMethodAsTheEditorOffersIt) {
    struct Case {
        TextFilterMethod method;
        std::string_view entry, filter;
        bool matches;
    };
    const Case cases[] = {
        {TextFilterMethod::Is, "BotPack", "botpack", true},
        {TextFilterMethod::Is, "BotPack", "botpack ", false},  // not trimmed
        {TextFilterMethod::Is, "", "", true},
        {TextFilterMethod::Is, "BotPack", "", false},
        {TextFilterMethod::Contains, "FCommandoSkins", "commando", true},
        {TextFilterMethod::Contains, "BotPack", "", false},
        {TextFilterMethod::Contains, "", "", false},
        {TextFilterMethod::DoesntContain, "BotPack", "skins", true},
        {TextFilterMethod::DoesntContain, "SoldierSkins", "SKINS", false},
        {TextFilterMethod::DoesntContain, "BotPack", "", true},
        {TextFilterMethod::StartsWith, "SoldierSkins", "sold", true},
        {TextFilterMethod::StartsWith, "SoldierSkins", "skins", false},
        {TextFilterMethod::StartsWith, "Bot", "BotPack", false},
        {TextFilterMethod::StartsWith, "anything", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesTextFilter(c.entry, c.method, c.filter), c.matches)
            << static_cast<int>(c.method) << " '" << c.entry << "' '" << c.filter << "'";
    }
    EXPECT_EQ(TextFilterMethodAt(0), TextFilterMethod::Is);
    EXPECT_EQ(TextFilterMethodAt(3), TextFilterMethod::StartsWith);
    EXPECT_EQ(TextFilterMethodAt(-1), TextFilterMethod::Contains);  // nothing selected
}

TEST(TextFilter, RemovesMatchesAndKeepsTheOrderOfTheRest) {
    PackageList list{"SoldierSkins", "BotPack", "BossSkins", "Relics", "sgirlskins"};
    EXPECT_EQ(RemoveByTextFilter(list, TextFilterMethod::Contains, "skins"), 3u);
    EXPECT_EQ(list.Entries(), (Names{"BotPack", "Relics"}));

    PackageList all{"A", "B"};
    EXPECT_EQ(RemoveByTextFilter(all, TextFilterMethod::DoesntContain, ""), 2u);
    EXPECT_TRUE(all.Empty());
    EXPECT_EQ(RemoveByTextFilter(all, TextFilterMethod::StartsWith, ""), 0u);
}

TEST(RemoveSelected, RemovesExactlyTheSelectedEntries) {
    PackageList list{"A", "B", "C", "B"};
    EXPECT_EQ(RemoveSelected(list, {}), 0u);
    EXPECT_EQ(RemoveSelected(list, {3, 0, 3}), 2u);
    EXPECT_EQ(list.Entries(), (Names{"B", "C"}));
    try {
        RemoveSelected(list, {0, 2});
        FAIL() << "no error";
    } catch (const ListIndexError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    EXPECT_EQ(list.Entries(), (Names{"B", "C"}));  // nothing removed
    EXPECT_EQ(RemoveSelected(list, {0, 1}), 2u);
    EXPECT_TRUE(list.Empty());
}

TEST(PackageList, ChangesLetAViewMirrorTheList) {
    PackageList list;
    Names mirror;
    list.SetChangeListener([&](const PackageListChange& change) {
        if (change.kind == PackageListChange::Kind::Appended) {
            ASSERT_EQ(change.first, mirror.size());
            for (std::size_t i = 0; i < change.count; ++i) {
                mirror.push_back(list[change.first + i]);
            }
        } else {
            for (auto it = change.removed.rbegin(); it != change.removed.rend(); ++it) {
                mirror.erase(mirror.begin() + static_cast<std::ptrdiff_t>(*it));
            }
        }
    });
    AddUTStandardPackages(list);
    list.AppendAll({"X", "Y"});
    RemoveByTextFilter(list, TextFilterMethod::Contains, "skins");
    AddPack(list, "Relics");
    RemoveSelected(list, {0, 2});
    EXPECT_EQ(mirror, list.Entries());
    list.Clear();
    EXPECT_TRUE(mirror.empty());

    PackageList copy{"Copied", "copied"};
    list = copy;  // heard as an append
    EXPECT_EQ(mirror, (Names{"Copied", "copied"}));
    PackageList other = list;  // takes no listener along
    AddPack(other, "OnlyInTheCopy");
    EXPECT_EQ(mirror, list.Entries());
    EXPECT_TRUE(other.Holds("COPIED"));
}

}  // namespace
}  // namespace keelson
