#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"

namespace keelson {
namespace {

TEST(SharedUtils, SpacesToUnderscoresReplacesControlsAndBlanksOnly) {
    EXPECT_EQ(SpacesToUnderscores("Big Bob"), "Big_Bob");
    EXPECT_EQ(SpacesToUnderscores("a\tb\x01"), "a_b_");
    EXPECT_EQ(SpacesToUnderscores("\xE9t\xE9\x7F"), "\xE9t\xE9\x7F");
    EXPECT_EQ(SpacesToUnderscores(std::string("x\0y", 3)), "x_y");
    EXPECT_EQ(SpacesToUnderscores(""), "");
}

TEST(SharedUtils, StartsWithIsCaseSensitiveAndExact) {
    EXPECT_TRUE(StartsWith("BotNames[3]=x", "BotNames["));
    EXPECT_FALSE(StartsWith("botnames[3]", "BotNames["));
    EXPECT_TRUE(StartsWith("", ""));
    EXPECT_TRUE(StartsWith("abc", ""));
    EXPECT_FALSE(StartsWith("ab", "abc"));
}

TEST(SharedUtils, StrToIntOrZeroAcceptsOnlyWholeNumbers) {
    EXPECT_EQ(StrToIntOrZero("  42"), 42);
    EXPECT_EQ(StrToIntOrZero("42 "), 0);
    EXPECT_EQ(StrToIntOrZero("\t42"), 0);
    EXPECT_EQ(StrToIntOrZero("-7"), -7);
    EXPECT_EQ(StrToIntOrZero("+7"), 7);
    EXPECT_EQ(StrToIntOrZero("$1F"), 31);
    EXPECT_EQ(StrToIntOrZero("$ffffffff"), -1);
    EXPECT_EQ(StrToIntOrZero("$123456789"), 0);
    EXPECT_EQ(StrToIntOrZero("$"), 0);
    EXPECT_EQ(StrToIntOrZero("-$1F"), 0);
    EXPECT_EQ(StrToIntOrZero("2147483647"), 2147483647);
    EXPECT_EQ(StrToIntOrZero("2147483648"), 0);
    EXPECT_EQ(StrToIntOrZero("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(StrToIntOrZero("-2147483649"), 0);
    EXPECT_EQ(StrToIntOrZero("99999999999999999999999"), 0);
    EXPECT_EQ(StrToIntOrZero(""), 0);
    EXPECT_EQ(StrToIntOrZero("   "), 0);
    EXPECT_EQ(StrToIntOrZero("-"), 0);
    EXPECT_EQ(StrToIntOrZero("1.5"), 0);
}

TEST(SharedUtils, StrToFloatOrZeroReadsPointNumbersWhateverTheLocale) {
    EXPECT_FLOAT_EQ(StrToFloatOrZero(" 0.75"), 0.75f);
    EXPECT_FLOAT_EQ(StrToFloatOrZero("1e2"), 100.0f);
    EXPECT_FLOAT_EQ(StrToFloatOrZero("-2.5E-1"), -0.25f);
    EXPECT_FLOAT_EQ(StrToFloatOrZero("+.5"), 0.5f);
    EXPECT_FLOAT_EQ(StrToFloatOrZero("5."), 5.0f);
    EXPECT_EQ(StrToFloatOrZero("0.1"), 0.1f);  // nearest float, not a double rounded twice
    EXPECT_EQ(StrToFloatOrZero("0,75"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("abc"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero(""), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("."), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("1e"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("1.2.3"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("0.5 "), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("inf"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("nan"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("0x10"), 0.0f);
    EXPECT_EQ(StrToFloatOrZero("1e999999999999"), 0.0f);
}

TEST(SharedUtils, FloatToFixedTextWritesSixDecimals) {
    EXPECT_EQ(FloatToFixedText(1.0f), "1.000000");
    EXPECT_EQ(FloatToFixedText(-0.25f), "-0.250000");
    EXPECT_EQ(FloatToFixedText(0.0f), "0.000000");
    EXPECT_EQ(FloatToFixedText(-0.0f), "0.000000");
    EXPECT_EQ(FloatToFixedText(0.5f), "0.500000");
    EXPECT_EQ(FloatToFixedText(0.1f), "0.100000");
    EXPECT_EQ(FloatToFixedText(0.05f * 7), "0.350000");
    EXPECT_EQ(FloatToFixedText(1234567.0f), "1234567.000000");
}

TEST(SharedUtils, FixedTextReadsBackToTheSameSixDecimals) {
    for (int pos = -20; pos <= 20; ++pos) {
        float v = static_cast<float>(pos) * 0.05f;
        std::string text = FloatToFixedText(v);
        EXPECT_EQ(FloatToFixedText(StrToFloatOrZero(text)), text);
    }
}

TEST(SharedUtils, FolderOfPathFollowsThePlatformsSeparators) {
    EXPECT_EQ(FolderOfPath("User.ini"), "");
    EXPECT_EQ(FolderOfPath("/home/ut/System/User.ini"), "/home/ut/System");
    EXPECT_EQ(FolderOfPath("/User.ini"), "/");
    EXPECT_EQ(FolderOfPath(""), "");
    EXPECT_EQ(FileNameOfPath("/srv/ut/presets/mod.ut_pre"), "mod.ut_pre");
    EXPECT_EQ(FileNameOfPath("mod"), "mod");
#ifdef _WIN32
    EXPECT_EQ(FolderOfPath("C:\\UT\\System\\User.ini"), "C:\\UT\\System");
    EXPECT_EQ(FolderOfPath("C:\\User.ini"), "C:\\");
    EXPECT_EQ(FolderOfPath("C:User.ini"), "C:");
    EXPECT_EQ(FolderOfPath("C:\\UT\\"), "C:\\UT");
    EXPECT_EQ(FolderOfPath("\\\\server\\share"), "\\\\server");
    EXPECT_EQ(FolderOfPath("\\file"), "\\");
    EXPECT_EQ(FileNameOfPath("C:\\presets\\mod.ut_pre"), "mod.ut_pre");
    EXPECT_EQ(FileNameOfPath("D:mod.ut_pre"), "mod.ut_pre");
#else
    // ":" and "\" are ordinary characters of Linux file names.
    EXPECT_EQ(FolderOfPath("/srv/UT:srv.ini"), "/srv");
    EXPECT_EQ(FolderOfPath("my:lib.ut_botlib"), "");
    EXPECT_EQ(FolderOfPath("/srv/a\\b/c\\d.ini"), "/srv/a\\b");
    EXPECT_EQ(FileNameOfPath("/srv/UT:srv.ini"), "UT:srv.ini");
    EXPECT_EQ(FileNameOfPath("a\\b"), "a\\b");
#endif
}

TEST(SharedUtils, UpperCasingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("abz\xE9\xFF_1"), "ABZ\xE9\xFF_1");
    EXPECT_TRUE(EqualsUpper("[botpack.ChallengeBotInfo]", "[BOTPACK.CHALLENGEBOTINFO]"));
    EXPECT_FALSE(EqualsUpper(" [BOTPACK.CHALLENGEBOTINFO]", "[BOTPACK.CHALLENGEBOTINFO]"));
    EXPECT_TRUE(StartsWithUpper("serverpackages=Foo", "SERVERPACKAGES="));
    EXPECT_FALSE(StartsWithUpper("ServerPackages =Foo", "SERVERPACKAGES="));
}

TEST(SharedUtils, ExecuteFileOnAMissingFileReturnsQuietly) {
    EXPECT_NO_THROW(ExecuteFile("/no/such/program-keelson", "", "/", kShowNormal));
}

TEST(Errors, ErrorBoxAddsAFullStopAfterHigherCharacters) {
    EXPECT_EQ(ErrorBoxText("File not found"), "File not found.");
    EXPECT_EQ(ErrorBoxText("List index out of bounds (5)"), "List index out of bounds (5)");
    EXPECT_EQ(ErrorBoxText("Invalid data type for 'ExitOnRunUT'"),
              "Invalid data type for 'ExitOnRunUT'");
    EXPECT_EQ(ErrorBoxText("Done!"), "Done!");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("I/O error 5"), "I/O error 5.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(Errors, SystemErrorsCarryTheProgramsWording) {
    // The system's own error numbers: Windows error codes there, errno here.
#ifdef _WIN32
    const int notFound = 2, denied = 5, full = 112, other = 1117;  // 1117: ERROR_IO_DEVICE
#else
    const int notFound = ENOENT, denied = EACCES, full = ENOSPC, other = EIO;
#endif
    EXPECT_EQ(SystemErrorText(notFound), "File not found");
    EXPECT_EQ(SystemErrorText(denied), "File access denied");
    EXPECT_EQ(SystemErrorText(full), "Disk full");
    EXPECT_EQ(SystemErrorText(kReadBeyondEndOfFile), "Read beyond end of file");
    EXPECT_EQ(SystemErrorText(other), "I/O error " + std::to_string(other));
    EXPECT_EQ(ListIndexError(5).what(), std::string("List index out of bounds (5)"));
}

}  // namespace
}  // namespace keelson
