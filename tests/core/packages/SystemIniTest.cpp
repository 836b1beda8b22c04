#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <random>

#include "core/common/Errors.h"
#include "core/common/GameText.h"
#include "core/packages/SvPackFiles.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using Names = std::vector<std::string>;

class SystemIni : public ::testing::Test {
  protected:
    Names Read(std::string_view bytes) {
        PackageList list;
        ReadServerPackages(list, dir.Write("UnrealTournament.ini", bytes));
        return list.Entries();
    }
    // What saving the list makes of a file with these bytes.
    std::string Saved(std::string_view bytes, const PackageList& list) {
        std::string path = dir.Write("UnrealTournament.ini", bytes);
        EXPECT_EQ(WriteServerPackages(list, path), std::nullopt);
        return test::ReadBytes(path);
    }
    test::TempDir dir;
};

TEST_F(SystemIni, ReadsTheEngineBlockInFileOrder) {
    EXPECT_EQ(Read("[Engine.Engine]\r\nServerPackages=NotThis\r\n\r\n"
                   "[Engine.GameEngine]\r\nCacheSizeMegs=4\r\nServerPackages=BotPack\r\n"
                   "; comment\r\nserverpackages=Foo\r\nServerPackages=BotPack\r\n\r\n"
                   "ServerPackages=AfterAnEmptyLine\r\n[Next]\r\nServerPackages=NotThis\r\n"),
              (Names{"BotPack", "Foo", "BotPack", "AfterAnEmptyLine"}));
    // Values stand as written; a blank before the key or the "=" hides a line.
    EXPECT_EQ(Read("[ENGINE.GAMEENGINE]\n ServerPackages=A\nServerPackages =B\n"
                   "ServerPackages= \"Q\" \nServerPackages=\n"),
              (Names{" \"Q\" ", ""}));
    // The section runs to the next line that begins with "[": empty lines
    // and lines of blanks do not end it.
    EXPECT_EQ(Read("[engine.gameengine]\r\n   \r\nServerPackages=A\r\n\r\nServerPackages=B\r\n"
                   "[IpDrv.TcpNetDriver]\r\nServerPackages=C"),
              (Names{"A", "B"}));
    // CR CR LF (FTP's text mode applied twice) and a byte order mark.
    EXPECT_EQ(
        Read("\xEF\xBB\xBF[Engine.GameEngine]\r\r\nServerPackages=A\r\r\nServerPackages=B\r\r\n"),
        (Names{"A", "B"}));
    // Lone line feeds and lone carriage returns end lines too.
    EXPECT_EQ(Read("[Engine.GameEngine]\nServerPackages=A\rServerPackages=B\n"), (Names{"A", "B"}));
    EXPECT_EQ(Read("[Engine.GameEngine] \nServerPackages=A\n"), Names{});  // header with a blank
    EXPECT_EQ(Read("ServerPackages=A\n"), Names{});
    EXPECT_EQ(Read(""), Names{});
}

TEST_F(SystemIni, ReadingAppendsToWhatIsListed) {
    std::string path = dir.Write("UnrealTournament.ini", "[Engine.GameEngine]\nServerPackages=A\n");
    PackageList list{"Z"};
    ReadServerPackages(list, path);
    ReadServerPackages(list, path);
    EXPECT_EQ(list.Entries(), (Names{"Z", "A", "A"}));
}

TEST_F(SystemIni, SavingReplacesEveryServerPackagesLineAtTheEndOfTheBlock) {
    PackageList list{"BotPack", "Relics"};
    EXPECT_EQ(
        Saved("[URL]\nServerPackages=Stray\nPort=7777\n\n"
              "[Engine.GameEngine]\nServerPackages=Old\nCacheSizeMegs=4\n ServerPackages=Kept\n"
              "\n[Core.System]\nPaths=../System/*.u\n",
              list),
        "[URL]\r\nServerPackages=Stray\r\nPort=7777\r\n\r\n"
        "[Engine.GameEngine]\r\nCacheSizeMegs=4\r\n ServerPackages=Kept\r\n"
        "ServerPackages=BotPack\r\nServerPackages=Relics\r\n"
        "\r\n[Core.System]\r\nPaths=../System/*.u\r\n");
    // A section followed directly by another header takes the list before it.
    EXPECT_EQ(
        Saved("[Engine.GameEngine]\r\nServerPackages=Old\r\n[Next]\r\nX=1\r\n\r\nY=2\r\n", list),
        "[Engine.GameEngine]\r\nServerPackages=BotPack\r\nServerPackages=Relics\r\n"
        "[Next]\r\nX=1\r\n\r\nY=2\r\n");
}

// What a save keeps of files that the game reads as one engine section: the
// list is every ServerPackages line up to the next header, and only those go.
TEST_F(SystemIni, SavingKeepsEveryLineOutsideTheEngineList) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;  // the file once "MyMod" is added to what it lists
    } cases[] = {
        {"an empty line inside the section",
         "[Engine.GameEngine]\r\nServerPackages=A\r\n\r\nServerPackages=B\r\nX=1\r\n\r\n"
         "[Core.System]\r\n",
         "[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=B\r\nServerPackages=MyMod\r\n"
         "\r\nX=1\r\n\r\n[Core.System]\r\n"},
        {"CR CR LF line ends",
         "[Engine.GameEngine]\r\r\nServerPackages=A\r\r\nServerPackages=B\r\r\n\r\r\n[X]\r\r\n",
         "[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=B\r\nServerPackages=MyMod\r\n"
         "\r\n[X]\r\n"},
        {"ServerPackages lines of other sections",
         "[Other]\r\nServerPackages=Theirs\r\n\r\n[Engine.GameEngine]\r\nServerPackages=A\r\n"
         "[Later]\r\nServerPackages=Too\r\n\r\n[Engine.GameEngine]\r\nServerPackages=Again\r\n",
         "[Other]\r\nServerPackages=Theirs\r\n\r\n[Engine.GameEngine]\r\nServerPackages=A\r\n"
         "ServerPackages=MyMod\r\n[Later]\r\nServerPackages=Too\r\n\r\n[Engine.GameEngine]\r\n"
         "ServerPackages=Again\r\n"},
        {"a byte order mark", "\xEF\xBB\xBF[Engine.GameEngine]\r\nServerPackages=A\r\n\r\n",
         "\xEF\xBB\xBF[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=MyMod\r\n\r\n"},
    };
    for (const Case& c : cases) {
        std::string path = dir.Write("UnrealTournament.ini", c.before);
        PackageList list;
        ReadServerPackages(list, path);
        list.Append("MyMod");
        ASSERT_EQ(WriteServerPackages(list, path), std::nullopt) << c.what;
        EXPECT_EQ(test::ReadBytes(path), c.after) << c.what;
    }
}

TEST_F(SystemIni, AnEngineSectionAtTheEndOfTheFileTakesTheListAtTheEnd) {
    PackageList list{"BotPack"};
    EXPECT_EQ(
        Saved("[Core.System]\nPaths=../System/*.u\n\n[Engine.GameEngine]\nServerPackages=Old\n"
              "CacheSizeMegs=4",
              list),
        "[Core.System]\r\nPaths=../System/*.u\r\n\r\n[Engine.GameEngine]\r\n"
        "CacheSizeMegs=4\r\nServerPackages=BotPack\r\n");
    EXPECT_EQ(Saved("[Engine.GameEngine]", list),
              "[Engine.GameEngine]\r\nServerPackages=BotPack\r\n");
}

TEST_F(SystemIni, SavedListReadsBackTheSame) {
    PackageList list{"A", "a", "", " spaced ", std::string("nul\0byte", 8), "\xFF\xFE"};
    std::string path = dir.Write("UnrealTournament.ini", "[Engine.GameEngine]\n\n");
    ASSERT_EQ(WriteServerPackages(list, path), std::nullopt);
    PackageList back;
    ReadServerPackages(back, path);
    EXPECT_EQ(back.Entries(), list.Entries());
}

TEST_F(SystemIni, FilesThatMustNotChangeStayByteForByte) {
    const std::string notUt = "[Engine.Engine]\nServerPackages=A\n";
    std::string path = dir.Write("UnrealTournament.ini", notUt);
    std::optional<ContentProblem> problem = WriteServerPackages(PackageList{"BotPack"}, path);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->texts, Names{"Error: This doesn't seem to be a UT INI file"});
    EXPECT_EQ(test::ReadBytes(path), notUt);

    // An empty list writes nothing, not even into a file that is no UT INI.
    EXPECT_EQ(WriteServerPackages(PackageList{}, path), std::nullopt);
    EXPECT_EQ(test::ReadBytes(path), notUt);

    // A name that would split into two lines is refused before anything is written.
    const std::string ut = "[Engine.GameEngine]\n\n";
    dir.Write("UnrealTournament.ini", ut);
    for (std::string bad : {"A\nServerActors=Evil", "A\rB", "A\x1A"}) {
        EXPECT_THROW(WriteServerPackages(PackageList{"Fine", bad}, path), KeelsonError);
        EXPECT_EQ(test::ReadBytes(path), ut);
    }
}

TEST_F(SystemIni, FileErrorsLeaveTheFileAlone) {
    std::string missing = dir.File("Missing.ini");
    try {
        WriteServerPackages(PackageList{"A"}, missing);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_EQ(test::ReadBytes(missing), "<missing>");
    PackageList list;
    EXPECT_THROW(ReadServerPackages(list, missing), FileError);

    // Read-only by its permission bits alone, so that it holds for root too.
    const std::string ut = "[Engine.GameEngine]\n\n";
    std::string path = dir.Write("ReadOnly.ini", ut);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        WriteServerPackages(PackageList{"A"}, path);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
    }
    EXPECT_EQ(test::ReadBytes(path), ut);
}

TEST_F(SystemIni, SurvivesBinaryJunkAndHugeLines) {
    std::string junk;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        junk += static_cast<char>(state >> 16);
    }
    std::string bytes = "[Engine.GameEngine]\r\nServerPackages=" + std::string(3 << 20, 'x') +
                        "\r\nServerPackages=" + std::string("a\0b", 3) + "\r\n" + junk;
    Names read = Read(bytes);
    ASSERT_GE(read.size(), 2u);
    EXPECT_EQ(read[0].size(), 3u << 20);
    EXPECT_EQ(read[1], std::string("a\0b", 3));

    std::string path = dir.File("UnrealTournament.ini");
    ASSERT_EQ(WriteServerPackages(PackageList{"BotPack"}, path), std::nullopt);
    PackageList back;
    ReadServerPackages(back, path);
    EXPECT_EQ(back.Entries().front(), "BotPack");

    std::vector<std::string> paths;
    ReadSystemPaths(paths, dir.Write("Junk.ini", junk));
    EXPECT_TRUE(paths.empty());
}

// Reading the file a chunk at a time gives the values that reading the
// whole text gives, wherever the chunks end: in a CR LF, in a run of CRs
// before an LF, in the byte order mark, before a Ctrl-Z.
TEST_F(SystemIni, ChunkedReadsGiveTheValuesOfTheWholeText) {
    std::mt19937 random(3);
    const std::string pieces[] = {"[Engine.GameEngine]",
                                  "[engine.gameengine]",
                                  "[Other]",
                                  "ServerPackages=A",
                                  "serverpackages=b",
                                  "ServerPackages=",
                                  "ServerPackagesX",
                                  "Key=1",
                                  "",
                                  "\r",
                                  "\n",
                                  "\r\n",
                                  "\r\r\n",
                                  "\x1A",
                                  "\xEF\xBB\xBF"};
    for (int round = 0; round < 300; ++round) {
        std::string bytes = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
        for (int n = static_cast<int>(random() % 40); n > 0; --n) {
            bytes += pieces[random() % std::size(pieces)];
            bytes += random() % 2 ? "\r\n" : (random() % 2 ? "\n" : "\r");
        }
        const std::string path = dir.Write("UnrealTournament.ini", bytes);
        Names whole;
        ForEachServerPackage(bytes, kGameEngineSection,
                             [&](std::string_view value) { whole.emplace_back(value); });
        for (std::size_t chunk : {1, 2, 3, 5, 64, 1 << 16}) {
            Names chunked;
            ForEachServerPackageInFile(
                path, kGameEngineSection,
                [&](std::string_view value) { chunked.emplace_back(value); }, chunk);
            ASSERT_EQ(chunked, whole) << "round " << round << ", chunks of " << chunk;
        }
    }
}

// The codec reads lines by the shared rule of the game's text files: a
// rewrite of any mix of line ends and Ctrl-Z keeps exactly the lines that
// SplitGameTextLines finds.
TEST(SystemIniLines, RewriteKeepsTheLinesOfTheSharedReader) {
    const char pieces[] = {'a', 'b', '\r', '\n', '\x1A', '\0', ' '};
    unsigned state = 7;
    for (int round = 0; round < 2000; ++round) {
        std::string text = "[Engine.GameEngine]\n";
        int length = round % 40;
        for (int i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            text += pieces[(state >> 16) % sizeof pieces];
        }
        std::optional<std::string> rewritten = RewriteServerPackagesText(PackageList{"P"}, text);
        ASSERT_TRUE(rewritten.has_value());
        std::vector<std::string_view> expected = SplitGameTextLines(text);
        std::vector<std::string_view> got = SplitGameTextLines(*rewritten);
        // The rewrite adds one line, ServerPackages=P, somewhere after the header.
        auto added = std::find(got.begin(), got.end(), "ServerPackages=P");
        ASSERT_NE(added, got.end());
        got.erase(added);
        EXPECT_EQ(got, expected) << "round " << round;
        std::string crlf;
        for (std::string_view line : SplitGameTextLines(*rewritten)) {
            crlf.append(line).append("\r\n");
        }
        EXPECT_EQ(*rewritten, crlf);
    }
}

TEST_F(SystemIni, ReadsPathsOfTheCoreSystemBlock) {
    std::vector<std::string> paths{"first"};
    ReadSystemPaths(
        paths, dir.Write("UnrealTournament.ini",
                         "Paths=../Stray/*.u\n[CORE.SYSTEM]\nPurgeCacheDays=30\n"
                         "Paths=../System/*.u\npaths=../Maps/*.unr\nPaths =x\n\nPaths=../More/*.u\n"
                         "[Next]\nPaths=after\n"));
    EXPECT_EQ(paths, (Names{"first", "../System/*.u", "../Maps/*.unr", "../More/*.u"}));
}

}  // namespace
}  // namespace keelson
