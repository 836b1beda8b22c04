// The versions that rewrites of the game's files keep: what a user finds
// after saves, kills and failures, and what a broken versions folder does.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"
#include "platform/Versions.h"
#include "tests/platform/InChild.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using platform::GameFile;
using platform::VersionEntry;

using test::InChild;

std::string Ini(const std::string& package) {
    return "[Engine.GameEngine]\r\nServerPackages=" + package + "\r\n\r\n";
}

std::vector<std::uint64_t> Numbers(const std::vector<VersionEntry>& entries) {
    std::vector<std::uint64_t> numbers;
    for (const VersionEntry& entry : entries) {
        numbers.push_back(entry.number);
    }
    return numbers;
}

// The newest version that can be read, or "<none>".
std::string NewestContent(const std::string& path) {
    for (const VersionEntry& entry : platform::ListVersions(path)) {
        if (entry.readable) {
            return platform::ReadVersion(path, entry.number);
        }
    }
    return "<none>";
}

class Versions : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
        platform::SetRewritePolicy({true, false, "keelson-cli test"});
        ini = dir.Write("UT/System/UnrealTournament.ini", Ini("Botpack"));
    }
    void TearDown() override {
        platform::SetWriteHookForTesting({});
        platform::SetRewritePolicy({});
    }
    void Save(const std::string& content, GameFile kind = GameFile::Ini) {
        platform::WriteFileAtomically(ini, content, platform::CreateFailure::SystemWording, kind);
    }
    test::TempDir dir;
    std::string ini;
};

TEST_F(Versions, EachSaveKeepsWhatItReplacedNewestFirst) {
    Save(Ini("Relics"));
    platform::SetRewritePolicy({true, false, "Keelson: Save to INI"});
    Save(Ini("Soldiers"));
    std::vector<VersionEntry> entries = platform::ListVersions(ini);
    ASSERT_EQ(Numbers(entries), (std::vector<std::uint64_t>{2, 1}));
    EXPECT_EQ(platform::ReadVersion(ini, 1), Ini("Botpack"));
    EXPECT_EQ(platform::ReadVersion(ini, 2), Ini("Relics"));
    EXPECT_EQ(entries[0].command, "Keelson: Save to INI");
    EXPECT_EQ(entries[1].command, "keelson-cli test");
    EXPECT_EQ(entries[1].size, Ini("Botpack").size());
    EXPECT_TRUE(entries[0].readable);
    ASSERT_EQ(entries[0].time.size(), 20u) << entries[0].time;  // 2026-12-09T17:20:05Z
    EXPECT_EQ(entries[0].time[10], 'T');
    EXPECT_EQ(entries[0].time.back(), 'Z');

    // Reached through a link, it is the same file with the same versions.
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(symlink(ini.c_str(), link.c_str()), 0);
    EXPECT_EQ(Numbers(platform::ListVersions(link)), (std::vector<std::uint64_t>{2, 1}));

    // The versions are the user's alone: they hold the server's passwords.
    struct stat st {};
    ASSERT_EQ(stat(platform::VersionFolderOf(ini).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Versions, NothingIsKeptTwiceOrWhenTurnedOffOrForOtherFiles) {
    Save(Ini("Relics"));  // version 1: Botpack
    // A text editor puts the old content back; the next save finds it kept.
    dir.Write("UT/System/UnrealTournament.ini", Ini("Botpack"));
    Save(Ini("Soldiers"));
    EXPECT_EQ(Numbers(platform::ListVersions(ini)), (std::vector<std::uint64_t>{1}));

    platform::SetRewritePolicy({false, false, "keelson-cli --no-versions"});
    Save(Ini("Nothing kept"));
    platform::WriteFileAtomically(dir.File("UT/System/Other.ini"), "x");
    EXPECT_EQ(Numbers(platform::ListVersions(ini)), (std::vector<std::uint64_t>{1}));
    EXPECT_TRUE(platform::ListVersions(dir.File("UT/System/Other.ini")).empty());

    // A new file replaces nothing and keeps nothing.
    platform::SetRewritePolicy({true, false, "x"});
    const std::string fresh = dir.File("UT/System/Fresh.ini");
    platform::WriteFileAtomically(fresh, Ini("A"), platform::CreateFailure::SystemWording,
                                  GameFile::Ini);
    EXPECT_TRUE(platform::ListVersions(fresh).empty());
}

TEST_F(Versions, TheNewestTwentyStayAndNumbersAreNeverGivenTwice) {
    for (int i = 1; i <= 25; ++i) {
        Save(Ini("P" + std::to_string(i)));
    }
    std::vector<VersionEntry> entries = platform::ListVersions(ini);
    ASSERT_EQ(entries.size(), platform::kVersionsKept);
    EXPECT_EQ(entries.front().number, 25u);
    EXPECT_EQ(entries.back().number, 6u);
    EXPECT_EQ(platform::ReadVersion(ini, 6), Ini("P5"));
    EXPECT_THROW(platform::ReadVersion(ini, 5), FileError);

    // A big library keeps no more than ten times its size.
    const std::string library = dir.File("Big.ut_botlib");
    const std::size_t size = 3u << 20;
    for (char fill = 'a'; fill < 'a' + 12; ++fill) {
        platform::WriteFileAtomically(library, std::string(size, fill),
                                      platform::CreateFailure::SystemWording, GameFile::Library);
    }
    std::uint64_t kept = 0;
    for (const VersionEntry& entry : platform::ListVersions(library)) {
        kept += entry.size;
    }
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 10u * size);
    EXPECT_EQ(platform::ListVersions(library).front().number, 11u);
}

// A kill or a failure at any step of a save: the file is the old one and
// nothing claims otherwise, or the new one and the old is its newest
// version; never the new one without the old kept.
TEST_F(Versions, AKillAtAnyStepNeverLeavesTheNewFileWithoutTheOldKept) {
    const std::string old = Ini("Botpack");
    Save(Ini("First"));  // a version already there
    dir.Write("UT/System/UnrealTournament.ini", old);
    const std::string wanted = Ini(std::string(9000, 'n'));
    for (bool kill : {true, false}) {
        for (int stopAt = 0;; ++stopAt) {
            dir.Write("UT/System/UnrealTournament.ini", old);
            int status = InChild([&] {
                int steps = 0;
                platform::SetWriteHookForTesting([&](std::string_view) {
                    if (steps++ == stopAt) {
                        if (kill) {
                            _exit(9);
                        }
                        throw FileError("I/O error 5");
                    }
                });
                Save(wanted);
            });
            const std::string now = test::ReadBytes(ini);
            ASSERT_TRUE(now == old || now == wanted) << "step " << stopAt;
            if (now == wanted) {
                EXPECT_EQ(NewestContent(ini), old) << "step " << stopAt;
            }
            if (status == 0) {
                EXPECT_EQ(now, wanted);
                break;
            }
            EXPECT_EQ(now, old) << "step " << stopAt;
            ASSERT_LT(stopAt, 100);
        }
    }
    // The next save cleans up after the killed ones, and the versions read.
    Save(Ini("Last"));
    EXPECT_EQ(NewestContent(ini), wanted);
    for (const std::string& name : platform::ListFolder(platform::VersionFolderOf(ini))) {
        EXPECT_NE(name[0], '.') << name;
    }
}

TEST_F(Versions, AVersionThatCannotBeKeptStopsTheSaveUnlessTurnedOff) {
    // The state folder's place is taken by a file: nothing can be made there.
    const std::string blocker = dir.Write("blocked", "a file");
    setenv("XDG_STATE_HOME", (blocker + "/state").c_str(), 1);
    try {
        Save(Ini("Relics"));
        FAIL() << "saved without its version";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot keep a version of " + ini), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(test::ReadBytes(ini), Ini("Botpack"));
    platform::SetRewritePolicy({false, false, "x"});
    Save(Ini("Relics"));
    EXPECT_EQ(test::ReadBytes(ini), Ini("Relics"));
}

TEST_F(Versions, DamagedAndForeignEntriesAreListedAsUnreadableAndNeverRead) {
    Save(Ini("Relics"));
    Save(Ini("Soldiers"));
    const std::string folder = platform::VersionFolderOf(ini);
    dir.Write(folder.substr(dir.Path().size() + 1) + "/notes.txt", "mine");
    // Version 2 cut short by a full disk or a hand.
    ASSERT_EQ(truncate((folder + "/2").c_str(), 3), 0);
    std::vector<VersionEntry> entries = platform::ListVersions(ini);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].number, 1u);
    EXPECT_TRUE(entries[0].readable);
    EXPECT_EQ(entries[1].number, 2u);
    EXPECT_FALSE(entries[1].readable);
    EXPECT_EQ(entries[2].name, "notes.txt");
    EXPECT_FALSE(entries[2].readable);
    EXPECT_THROW(platform::ReadVersion(ini, 2), FileError);
    // A new save numbers past the damaged one.
    Save(Ini("Third"));
    EXPECT_EQ(platform::ListVersions(ini).front().number, 3u);
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// On one file system the replaced file itself becomes the version: no copy.
// A rewrite killed after that, before the new file took its place, leaves
// the version as a second name of the file, which the next rewrite does not
// take for a link of the file's own.
TEST_F(Versions, TheReplacedFileBecomesItsVersionAndAKilledRunLeavesNoFalseLink) {
    const ino_t old = InodeOf(ini);
    Save(Ini("Relics"));
    EXPECT_EQ(InodeOf(platform::VersionFolderOf(ini) + "/1"), old);
    EXPECT_EQ(NewestContent(ini), Ini("Botpack"));

    const ino_t relics = InodeOf(ini);
    EXPECT_EQ(InChild([&] {
                  // The version's record is renamed into place first, then the file.
                  int renames = 0;
                  platform::SetWriteHookForTesting([&](std::string_view step) {
                      if (step == "rename" && ++renames == 2) {
                          _exit(9);
                      }
                  });
                  Save(Ini("Killed"));
              }),
              9);
    EXPECT_EQ(test::ReadBytes(ini), Ini("Relics"));
    EXPECT_EQ(InodeOf(platform::VersionFolderOf(ini) + "/2"), relics);

    Save(Ini("Soldiers"));
    EXPECT_NE(InodeOf(ini), relics) << "rewritten in place, through the version";
    EXPECT_EQ(platform::ReadVersion(ini, 2), Ini("Relics"));
    EXPECT_EQ(Numbers(platform::ListVersions(ini)), (std::vector<std::uint64_t>{2, 1}));
}

TEST_F(Versions, ARewriteInPlaceKeepsItsVersionAsItsOnlyCopy) {
    // A second link makes the rewrite go in place.
    ASSERT_EQ(link(ini.c_str(), dir.File("UT/System/Linked.ini").c_str()), 0);
    Save(Ini("Relics"));
    EXPECT_EQ(test::ReadBytes(dir.File("UT/System/Linked.ini")), Ini("Relics"));
    EXPECT_EQ(NewestContent(ini), Ini("Botpack"));
    EXPECT_TRUE(platform::ListFolder(platform::BackupFolder()).empty());
}

}  // namespace
}  // namespace keelson
