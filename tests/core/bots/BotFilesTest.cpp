#include <gtest/gtest.h>

#include <limits>

#include <sys/stat.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>

#include "core/bots/BotFiles.h"
#include "core/bots/BotLibrary.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

std::string Ini(std::initializer_list<std::string_view> lines, std::string_view end = "\r\n") {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append(end);
    }
    return text;
}

TBotRecord SampleBot(int n) {
    TBotRecord bot;
    bot.Name = "Name " + std::to_string(n);
    bot.Team = static_cast<std::uint8_t>(n * 37);
    bot.Skill = 0.25f * static_cast<float>(n);
    bot.Accuracy = -0.5f;
    bot.CombatStyle = 1.0f;
    bot.Alertness = 0.1f;
    bot.Camping = -1.0f;
    bot.StrafingAbility = 0.05f * static_cast<float>(n);
    bot.FavoriteWeapon = n % 2 ? "Botpack.Minigun2" : "";
    bot.Class = "Pkg.Class" + std::to_string(n);
    bot.Skin = "Pkg.Skin=" + std::to_string(n);  // an "=" inside a value
    bot.Face = " spaced \"quoted\" ";
    bot.Voice = "Pkg.Voice";
    bot.Jumpy = static_cast<std::uint8_t>(n % 3);
    return bot;
}

TBotSlotTable SampleSlots() {
    TBotSlotTable slots;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i] = SampleBot(static_cast<int>(i));
    }
    return slots;
}

TEST(BotKeyLine, RecognisesExactlyKeyIndexAndBracketEquals) {
    auto parsed = ParseBotKeyLine("botnames[3]= Ann=B ");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, BotKey::Name);
    EXPECT_EQ(parsed->slot, 3);
    EXPECT_EQ(parsed->value, " Ann=B ");  // after the first "=", unchanged
    EXPECT_EQ(ParseBotKeyLine("StrafingAbility[31]=1")->key, BotKey::StrafingAbility);
    EXPECT_EQ(ParseBotKeyLine("BOTJUMPY[0]=")->slot, 0);
    for (std::string_view bad :
         {"BotNames[32]=x", "BotNames[05]=x", "BotNames[00]=x", "BotNames[-1]=x", "BotNames [1]=x",
          "BotNames[ 1]=x", "BotNames[1] =x", "BotNames[1]", "BotNames[]=x", "BotName[1]=x",
          "XBotNames[1]=x", " BotNames[1]=x", "BotNames[100]=x", "BotNames"}) {
        EXPECT_FALSE(ParseBotKeyLine(bad)) << bad;
    }
    EXPECT_EQ(ParseBotKeyLine("BotNames[1]=" + std::string(300, 'n'))->value.size(), 255u);
    // The writer drops every line that begins with a key and "[".
    EXPECT_TRUE(IsBotKeyLine("BOTSKILLS[junk"));
    EXPECT_FALSE(IsBotKeyLine("BotSkill[1]=0"));
}

TEST(BotKeyLine, ValuesAreReadAsTheGameWritesThem) {
    TBotRecord bot = DefaultBot;
    auto team = [&](std::string_view v) {
        SetBotField(bot, BotKey::Team, v);
        return static_cast<int>(bot.Team);
    };
    EXPECT_EQ(team("-1"), 255);
    EXPECT_EQ(team("256"), 0);
    EXPECT_EQ(team("$FF"), 255);
    EXPECT_EQ(team("red"), 0);
    auto jumpy = [&](std::string_view v) {
        SetBotField(bot, BotKey::Jumpy, v);
        return static_cast<int>(bot.Jumpy);
    };
    EXPECT_EQ(jumpy("0"), 0);
    EXPECT_EQ(jumpy("00"), 0);
    EXPECT_EQ(jumpy(""), 1);
    EXPECT_EQ(jumpy("1"), 1);
    EXPECT_EQ(jumpy("false"), 1);
    SetBotField(bot, BotKey::Skill, "0,75");
    EXPECT_EQ(bot.Skill, 0.0f);
    SetBotField(bot, BotKey::Camping, " 0.75");
    EXPECT_EQ(bot.Camping, 0.75f);
}

TEST(UserIniReader, ReadsTheFirstSectionUntilAnEmptyLine) {
    std::string text =
        Ini({"[Other]", "BotNames[0]=Outside", "[botpack.challengebotinfo]", "BotNames[0]=Ann",
             "botteams[0]=2", "BotNames[0]=Anna", "BotSkills[15]=0.5", "[Next]",
             "BotNames[1]=ReadOnIntoNext", "", "BotNames[2]=AfterEmpty",
             "[BOTPACK.CHALLENGEBOTINFO]", "BotNames[3]=SecondSection"});
    TBotSlotTable slots = ReadUserIniBotSlots(text);
    EXPECT_EQ(slots[0].Name, "Anna");  // a later line wins
    EXPECT_EQ(slots[0].Team, 2);
    EXPECT_EQ(slots[15].Skill, 0.5f);
    EXPECT_EQ(slots[1].Name, "ReadOnIntoNext");
    EXPECT_EQ(slots[2], DefaultBot);
    EXPECT_EQ(slots[3], DefaultBot);
    EXPECT_EQ(slots[31], DefaultBot);
    // A blank around the header hides it.
    EXPECT_EQ(ReadUserIniBotSlots(Ini({"[BotPack.ChallengeBotInfo] ", "BotNames[0]=X"}))[0],
              DefaultBot);
}

TEST(UserIniReader, LoneLineFeedsEndLinesAndCtrlZEndsTheText) {
    std::string text = Ini({"[A]", "", "[BotPack.ChallengeBotInfo]", "BotNames[0]=Lf",
                            "BotNames[1]=Z\x1A"
                            "BotNames[2]=Gone"},
                           "\n");
    TBotSlotTable slots = ReadUserIniBotSlots(text);
    EXPECT_EQ(slots[0].Name, "Lf");
    EXPECT_EQ(slots[1].Name, "Z");
    EXPECT_EQ(slots[2], DefaultBot);
}

TEST(UserIniReader, SurvivesJunkNulBytesAndHugeLines) {
    std::mt19937 random(1);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random());
    }
    ReadUserIniBotSlots(junk);
    std::string nul = Ini({"[BotPack.ChallengeBotInfo]", std::string("BotNames[4]=a\0b", 15)});
    EXPECT_EQ(ReadUserIniBotSlots(nul)[4].Name.View(), std::string_view("a\0b", 3));
    std::string huge = "[BotPack.ChallengeBotInfo]\r\n" + std::string(8 << 20, '[') +
                       "\r\nBotNames[5]=" + std::string(8 << 20, 'n') + "\r\n";
    EXPECT_EQ(ReadUserIniBotSlots(huge)[5].Name.View(), std::string(255, 'n'));
}

TEST(UserIniWriter, ReplacesKeysInPlaceAndKeepsEverythingElse) {
    std::string text =
        Ini({"[Before]", "BotNames[0]=Untouched", "", "[BotPack.ChallengeBotInfo]", "Difficulty=3",
             "BotNames[0]=Old", "BOTSKILLS[junk", "  BotNames[1]=Kept", "", "[After]",
             "[BOTPACK.CHALLENGEBOTINFO]", "BotNames[9]=KeptToo"});
    TBotSlotTable slots = SampleSlots();
    std::optional<std::string> out = RewriteUserIniBots(text, slots);
    ASSERT_TRUE(out);
    std::vector<std::string_view> lines = SplitGameTextLines(*out);
    ASSERT_EQ(lines.size(), 6u + 448 + 4);
    EXPECT_EQ(lines[4], "Difficulty=3");
    EXPECT_EQ(lines[5], "  BotNames[1]=Kept");
    EXPECT_EQ(lines[6], "BotFaces[0]= spaced \"quoted\" ");
    EXPECT_EQ(lines[6 + 32], "BotNames[0]=Name 0");
    EXPECT_EQ(lines[6 + 64 + 1], "BotTeams[1]=37");
    EXPECT_EQ(lines[6 + 6 * 32 + 1], "BotSkills[1]=0.250000");
    EXPECT_EQ(lines[6 + 13 * 32 - 1], "FavoriteWeapon[31]=Botpack.Minigun2");
    EXPECT_EQ(lines[6 + 13 * 32 + 2], "BotJumpy[2]=1");  // any byte but 0 is written as 1
    EXPECT_EQ(lines[454], "");
    EXPECT_EQ(lines.back(), "BotNames[9]=KeptToo");
    EXPECT_TRUE(out->starts_with("[Before]\r\nBotNames[0]=Untouched\r\n\r\n"));
    EXPECT_TRUE(out->ends_with("\r\n"));
    EXPECT_EQ(out->find("\n\n"), std::string::npos);  // every line ends with CR LF

    // Reading back gives the same bots, the floats rounded to six decimals.
    TBotSlotTable back = ReadUserIniBotSlots(*out);
    for (std::size_t i = 0; i < 32; ++i) {
        TBotRecord expected = slots[i];
        expected.Jumpy = expected.Jumpy ? 1 : 0;
        for (float* f : {&expected.Skill, &expected.Accuracy, &expected.CombatStyle,
                         &expected.Alertness, &expected.Camping, &expected.StrafingAbility}) {
            *f = StrToFloatOrZero(FloatToFixedText(*f));
        }
        EXPECT_EQ(back[i], expected) << i;
    }
}

TEST(UserIniWriter, ASectionAtTheEndGetsItsLinesAtTheEnd) {
    // The game's stock user INI ends with its bot section.
    std::string text =
        Ini({"[A]", "x=1", "", "[BotPack.ChallengeBotInfo]", "BotNames[0]=Old"}, "\n");
    std::optional<std::string> out = RewriteUserIniBots(text, SampleSlots());
    ASSERT_TRUE(out);
    std::vector<std::string_view> lines = SplitGameTextLines(*out);
    ASSERT_EQ(lines.size(), 4u + 448);
    EXPECT_EQ(lines[4], "BotFaces[0]= spaced \"quoted\" ");
    EXPECT_EQ(lines.back(), "BotJumpy[31]=1");
    EXPECT_FALSE(RewriteUserIniBots(Ini({"[A]", "BotNames[0]=x", ""}), SampleSlots()));
    EXPECT_FALSE(RewriteUserIniBots("", SampleSlots()));
}

// Files as servers hold them: converted twice by FTP (CR CR LF), saved by an
// editor that puts a byte order mark first, and bots from a library whose
// floats are not finite.
TEST(UserIniWriter, OddLineEndsMarksAndNumbersSurviveARoundTrip) {
    std::string text = "\xEF\xBB\xBF[BotPack.ChallengeBotInfo]\r\r\n";
    for (int slot = 0; slot < 32; ++slot) {
        text += "BotNames[" + std::to_string(slot) + "]=N" + std::to_string(slot) + "\r\r\n";
    }
    text += "\r\r\n[After]\r\r\nX=1\r\r\n";
    TBotSlotTable slots = ReadUserIniBotSlots(text);
    EXPECT_EQ(slots[0].Name.View(), "N0");
    EXPECT_EQ(slots[31].Name.View(), "N31");

    slots[1].Skill = std::numeric_limits<float>::quiet_NaN();
    slots[1].Accuracy = std::numeric_limits<float>::infinity();
    slots[1].Camping = -std::numeric_limits<float>::infinity();
    slots[1].Alertness = 3.5f;  // finite values stand, even beyond the sliders
    std::optional<std::string> out = RewriteUserIniBots(text, slots);
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->starts_with("\xEF\xBB\xBF[BotPack.ChallengeBotInfo]\r\nBotFaces[0]="));
    EXPECT_TRUE(out->ends_with("BotJumpy[31]=0\r\n\r\n[After]\r\nX=1\r\n"));
    for (const char* line : {"\nBotSkills[1]=0.000000\r", "\nBotAccuracy[1]=1.000000\r",
                             "\nCamping[1]=-1.000000\r", "\nAlertness[1]=3.500000\r"}) {
        EXPECT_NE(out->find(line), std::string::npos) << line;
    }
    EXPECT_EQ(ReadUserIniBotSlots(*out)[31].Name.View(), "N31");
}

TEST(UserIniWriter, ALineBreakInAValueCannotAddLinesToTheFile) {
    TBotSlotTable slots = SampleSlots();
    slots[0].Name = "Evil\r\n\r\n[Engine.Engine]\x1A";
    std::optional<std::string> out =
        RewriteUserIniBots(Ini({"[BotPack.ChallengeBotInfo]", ""}), slots);
    ASSERT_TRUE(out);
    EXPECT_NE(out->find("BotNames[0]=Evil    [Engine.Engine] \r\n"), std::string::npos);
    EXPECT_EQ(SplitGameTextLines(*out).size(), 450u);
}

class BotFileTest : public ::testing::Test {
  protected:
    test::TempDir dir;
};

TEST_F(BotFileTest, WriteUserIniBotsLeavesTheFileAloneWhenItCannot) {
    std::string notIni = dir.Write("notini.ini", "[A]\r\nBotNames[0]=x\r\n\r\n");
    std::optional<ContentProblem> problem = WriteUserIniBots(SampleSlots(), notIni);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->texts, std::vector<std::string>{std::string(kNotUtIniMessage)});
    EXPECT_EQ(test::ReadBytes(notIni), "[A]\r\nBotNames[0]=x\r\n\r\n");

    EXPECT_THROW(
        {
            try {
                WriteUserIniBots(SampleSlots(), dir.File("missing.ini"));
            } catch (const FileError& e) {
                EXPECT_STREQ(e.what(), "File not found");
                throw;
            }
        },
        FileError);

    std::string readOnly = dir.Write("ro.ini", "[BotPack.ChallengeBotInfo]\r\n");
    chmod(readOnly.c_str(), 0444);
    try {
        WriteUserIniBots(SampleSlots(), readOnly);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + readOnly);
    }
    EXPECT_EQ(test::ReadBytes(readOnly), "[BotPack.ChallengeBotInfo]\r\n");
}

TEST_F(BotFileTest, ImportAppends32BotsAndAFailureChangesNothing) {
    std::string ini =
        dir.Write("User.ini", Ini({"[BotPack.ChallengeBotInfo]", "BotNames[0]=First"}));
    TBigKegOBots roster;
    roster.AddBot(DefaultBot);
    roster.ImportUserIni(ini);
    ASSERT_EQ(roster.Count(), 33);
    EXPECT_EQ(roster.Bot(1).Name, "First");
    EXPECT_EQ(roster.Bot(32), DefaultBot);
    EXPECT_THROW(roster.ImportUserIni(dir.File("missing.ini")), FileError);
    EXPECT_EQ(roster.Count(), 33);
}

TEST_F(BotFileTest, RecordImageIsLittleEndianWithLengthPrefixedTexts) {
    TBotRecord bot = SampleBot(3);
    bot.Skill = 1.0f;
    unsigned char image[kBotRecordSize];
    std::memset(image, 0xAA, sizeof image);
    EncodeBotRecord(bot, image);
    EXPECT_EQ(image[0], 6);
    EXPECT_EQ(std::memcmp(image + 1, "Name 3", 6), 0);
    EXPECT_EQ(image[7], 0);  // unused bytes are zero
    EXPECT_EQ(image[256], 111);
    const unsigned char one[] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(std::memcmp(image + 260, one, 4), 0);
    EXPECT_EQ(image[540], bot.Class.size());
    EXPECT_EQ(image[1308], 9);
    EXPECT_EQ(image[1564], 0);
    EXPECT_EQ(image[1567], 0);
    // Filler and the bytes behind a text's length carry no meaning.
    image[257] = image[7] = image[1566] = 0x55;
    image[1564] = 2;
    TBotRecord back = DecodeBotRecord(image);
    bot.Jumpy = 2;
    EXPECT_EQ(back, bot);
}

// A library image of random records: names built from pieces that differ
// only in case or share long prefixes, so that equal and nearly equal names
// are common, and every other byte random, filler and the bytes behind the
// texts included.
std::string RandomLibraryImage(std::mt19937& random, std::size_t records) {
    const std::string pieces[] = {
        "a", "A", "b", "B", "_", "z", std::string(1, '\0'), "\xe9", "Longname", "LONGNAME"};
    std::string image(records * kBotRecordSize, '\0');
    for (char& c : image) {
        c = static_cast<char>(random());
    }
    for (std::size_t r = 0; r < records; ++r) {
        std::string name;
        for (int n = static_cast<int>(random() % 4); n > 0; --n) {
            name += pieces[random() % std::size(pieces)];
        }
        char* record = image.data() + r * kBotRecordSize;
        record[0] = static_cast<char>(name.size());
        std::memcpy(record + 1, name.data(), name.size());
    }
    return image;
}

// What sorting a roster gives: decoded, SortByName, encoded again.
std::string SortedThroughRoster(const std::string& image) {
    TBigKegOBots roster;
    EXPECT_TRUE(DecodeLibrary(image, roster));
    roster.SortByName();
    return EncodeLibrary(roster);
}

// Sorts an image as the command line does, the records written in their
// order into a new image; false when the sort would write nothing.
bool SortImage(std::string& image) {
    const std::string before = image;
    const SortedRecords sorted = SortLibraryRecords(
        reinterpret_cast<const unsigned char*>(image.data()), image.size() / kBotRecordSize);
    EXPECT_TRUE(image == before);  // the image is only read
    if (sorted.records.empty()) {
        return false;
    }
    std::string written;  // the records lie in the image itself
    for (std::string_view record : sorted.records) {
        written += record;
    }
    image = written;
    return true;
}

TEST(LibraryImage, SortingInPlaceGivesTheBytesOfASortedRoster) {
    std::mt19937 random(11);
    for (std::size_t records : {0, 1, 2, 7, 300, 3000}) {
        std::string image = RandomLibraryImage(random, records);
        const std::string expected = SortedThroughRoster(image);
        EXPECT_EQ(SortImage(image), records != 0) << records;  // random filler is always cleared
        ASSERT_EQ(image.size(), expected.size());
        EXPECT_TRUE(image == expected) << records << " records";
        // Sorted and clean now: a second sort changes nothing.
        EXPECT_FALSE(SortImage(image));
        EXPECT_TRUE(image == expected) << records << " records";
        // Clean records out of order are written from where they lie.
        TBigKegOBots roster;
        ASSERT_TRUE(DecodeLibrary(RandomLibraryImage(random, records), roster));
        std::string clean = EncodeLibrary(roster);
        const std::string cleanExpected = SortedThroughRoster(clean);
        const bool unsorted = clean != cleanExpected;
        EXPECT_EQ(SortImage(clean), unsorted) << records;
        EXPECT_TRUE(clean == cleanExpected) << records << " clean records";
    }
}

TEST(LibraryImage, ASortedLibraryChangesOnlyWhereARecordIsNotClean) {
    std::mt19937 random(5);
    std::string image = SortedThroughRoster(RandomLibraryImage(random, 50));
    std::string clean = image;
    auto* bytes = reinterpret_cast<unsigned char*>(image.data());
    // Bytes that EncodeBotRecord writes as zero: behind the name (which is
    // short here), the team's filler, the last filler.
    for (std::size_t at :
         {std::size_t{100}, std::size_t{255}, std::size_t{258}, kBotRecordSize - 1}) {
        std::size_t record = random() % 50;
        bytes[record * kBotRecordSize + at] = 0x7F;
        EXPECT_TRUE(SortImage(image)) << at;
        bytes = reinterpret_cast<unsigned char*>(image.data());
        EXPECT_TRUE(image == clean) << at;
    }
    // Bytes that carry a value stay as they are.
    unsigned char record[kBotRecordSize];
    std::memcpy(record, bytes, kBotRecordSize);
    EXPECT_FALSE(NormaliseBotRecord(record));
    EXPECT_EQ(std::memcmp(record, bytes, kBotRecordSize), 0);
}

TEST_F(BotFileTest, SaveAndAppendKeepEveryBotInOrder) {
    TBigKegOBots roster;
    std::string empty = dir.File("empty.ut_botlib");
    roster.SaveToFile(empty);
    EXPECT_EQ(test::ReadBytes(empty), "");
    for (int i = 0; i < 3; ++i) {
        roster.AddBot(SampleBot(i));
    }
    std::string lib = dir.File("three.ut_botlib");
    roster.SaveToFile(lib);
    EXPECT_EQ(test::ReadBytes(lib).size(), 4704u);
    TBigKegOBots loaded;
    loaded.AppendFromFile(empty);
    loaded.AppendFromFile(lib);
    chmod(lib.c_str(), 0444);  // reading needs no write access
    loaded.AppendFromFile(lib);
    ASSERT_EQ(loaded.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(loaded.Bot(i), SampleBot(i % 3));
    }
    try {
        roster.SaveToFile(lib);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_EQ(test::ReadBytes(lib).size(), 4704u);
}

TEST_F(BotFileTest, ATruncatedLibraryAppendsItsCompleteRecordsThenFails) {
    TBigKegOBots one;
    one.AddBot(SampleBot(1));
    std::string lib = dir.File("one.ut_botlib");
    one.SaveToFile(lib);
    std::string bytes = test::ReadBytes(lib);
    std::string truncated = dir.Write("cut.ut_botlib", bytes + std::string(100, 'x'));
    TBigKegOBots roster;
    try {
        roster.AppendFromFile(truncated);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Read beyond end of file");
    }
    ASSERT_EQ(roster.Count(), 1);
    EXPECT_EQ(roster.Bot(0), SampleBot(1));
    EXPECT_THROW(roster.AppendFromFile(dir.Write("short.ut_botlib", "abc")), FileError);
    EXPECT_THROW(roster.AppendFromFile(dir.File("missing.ut_botlib")), FileError);
    EXPECT_EQ(roster.Count(), 1);

    // Any bytes of the right size load.
    std::mt19937 random(3);
    std::string junk(kBotRecordSize * 64, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random());
    }
    roster.AppendFromFile(dir.Write("junk.ut_botlib", junk));
    EXPECT_EQ(roster.Count(), 65);
}

// More records than one read takes, so that the reads meet the cut.
TBigKegOBots ManyBots(int count) {
    TBigKegOBots roster;
    for (int i = 0; i < count; ++i) {
        TBotRecord bot = SampleBot(i % 40);
        bot.Name = "Bot " + std::to_string(i);
        roster.AddBot(bot);
    }
    return roster;
}

TEST_F(BotFileTest, StreamedReadsGiveEveryCompleteRecordThenTheError) {
    TBigKegOBots roster = ManyBots(150);
    std::string lib = dir.File("many.ut_botlib");
    roster.SaveToFile(lib);
    const std::string bytes = test::ReadBytes(lib);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, kBotRecordSize - 1}) {
        std::string damaged = dir.Write("damaged.ut_botlib", bytes + std::string(cut, 'x'));
        int seen = 0;
        try {
            ForEachLibraryBot(damaged, [&](const TBotRecord& bot) {
                EXPECT_EQ(bot, roster.Bot(seen)) << seen;
                ++seen;
            });
            EXPECT_EQ(cut, 0u) << "no error";
        } catch (const FileError& e) {
            EXPECT_STREQ(e.what(), "Read beyond end of file");
            EXPECT_NE(cut, 0u);
        }
        EXPECT_EQ(seen, 150);
        TBigKegOBots loaded;
        loaded.AddBot(SampleBot(7));
        EXPECT_EQ(cut != 0, [&] {
            try {
                loaded.AppendFromFile(damaged);
                return false;
            } catch (const FileError&) {
                return true;
            }
        }());
        ASSERT_EQ(loaded.Count(), 151);
        EXPECT_EQ(loaded.Bot(150), roster.Bot(149));
    }
    EXPECT_THROW(ForEachLibraryBot(dir.File("missing"), [](const TBotRecord&) {}), FileError);
}

TEST_F(BotFileTest, AppendingABotWritesTheBytesOfAWholeSaveAndOnlyAddsThem) {
    TBigKegOBots roster = ManyBots(3);
    std::string lib = dir.File("lib.ut_botlib");
    AppendBotToLibrary(roster.Bot(0), lib);  // a missing library is created
    AppendBotToLibrary(roster.Bot(1), lib);
#ifdef _WIN32
    AppendBotToLibrary(roster.Bot(2), lib);  // Wine makes no links
#else
    std::string link = dir.File("link.ut_botlib");
    ASSERT_EQ(::symlink("lib.ut_botlib", link.c_str()), 0);
    AppendBotToLibrary(roster.Bot(2), link);  // through the link, which stays
#endif
    std::string saved = dir.File("saved.ut_botlib");
    roster.SaveToFile(saved);
    EXPECT_EQ(test::ReadBytes(lib), test::ReadBytes(saved));
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
#endif

    const std::string before = test::ReadBytes(lib);
    auto failure = [&](const std::string& path) -> std::string {
        try {
            AppendBotToLibrary(SampleBot(9), path);
            return "no error";
        } catch (const FileError& e) {
            return e.what();
        }
    };
    std::string damaged = dir.Write("damaged.ut_botlib", before + "xyz");
    EXPECT_EQ(failure(damaged), "Read beyond end of file");
    EXPECT_EQ(test::ReadBytes(damaged), before + "xyz");
    namespace fs = std::filesystem;
    fs::permissions(lib, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(failure(lib), "File access denied");  // also for root
    EXPECT_EQ(test::ReadBytes(lib), before);
    fs::permissions(lib, fs::perms::owner_write, fs::perm_options::add);
    std::filesystem::create_directories(dir.File("folder.ut_botlib"));
    EXPECT_NE(failure(dir.File("folder.ut_botlib")), "no error");
}

// A file size limit stops the write inside the record: the library is cut
// back to its old bytes and the error says so.
TEST_F(BotFileTest, AnAppendThatCannotBeWrittenWholeLeavesTheOldBytes) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit that a test could set";
#else
    std::string lib = dir.File("lib.ut_botlib");
    ManyBots(2).SaveToFile(lib);
    const std::string before = test::ReadBytes(lib);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{before.size() + 1000, before.size() + 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            AppendBotToLibrary(SampleBot(5), lib);
        } catch (const FileError& e) {
            ::_exit(std::string(e.what()) == "Disk full" ? 0 : 1);
        }
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: another error, 2: no error";
    EXPECT_EQ(test::ReadBytes(lib), before);
#endif
}

// The 32 slots drawn from the file are those drawn from a roster holding the
// library's bots, with the same generator state: the same bots in the same
// slots, so the same distribution, reading only the records drawn.
TEST_F(BotFileTest, FillingSlotsFromALibraryDrawsAsFromTheRoster) {
    for (int count : {0, 1, 5, 32, 33, 200}) {
        TBigKegOBots roster = ManyBots(count);
        std::string lib = dir.File("lib" + std::to_string(count));
        roster.SaveToFile(lib);
        for (std::uint32_t seed : {1u, 2u, 77u}) {
            std::mt19937 a(seed);
            std::mt19937 b(seed);
            TBotSlotTable fromRoster;
            TBotSlotTable fromFile;
            roster.FillGameSlots(fromRoster, a);
            FillGameSlotsFromLibrary(lib, fromFile, b);
            EXPECT_EQ(fromFile, fromRoster) << count << " bots, seed " << seed;
        }
    }
    // The draw itself: the last slot first, each from the bots not placed
    // yet, as drawing from a list and striking out each bot drawn.
    for (std::uint32_t seed = 0; seed < 20; ++seed) {
        std::mt19937 a(seed);
        std::mt19937 b(seed);
        std::vector<std::size_t> left(100);
        std::iota(left.begin(), left.end(), std::size_t{0});
        std::vector<std::size_t> expected(32);
        for (std::size_t s = 32; s-- > 0;) {
            std::uniform_int_distribution<std::size_t> pick(0, left.size() - 1);
            std::size_t r = pick(a);
            expected[s] = left[r];
            left.erase(left.begin() + static_cast<std::ptrdiff_t>(r));
        }
        EXPECT_EQ(DrawGameSlotBots(100, b), expected);
    }
    std::string damaged = dir.Write("damaged.ut_botlib", std::string(kBotRecordSize + 5, 'x'));
    TBotSlotTable slots;
    slots.fill(SampleBot(3));
    EXPECT_THROW(FillGameSlotsFromLibrary(damaged, slots), FileError);
    EXPECT_EQ(slots[0], SampleBot(3));  // nothing filled
}

}  // namespace
}  // namespace keelson
