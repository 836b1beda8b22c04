// Rewrites of the game's files as real servers meet them: another program
// changing the same file, shared folders, devices named by mistake, kills
// and full disks in the middle of a save.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "core/settings/Settings.h"
#include "core/common/Errors.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"
#include "platform/posix/FileSettingsStore.h"
#include "tests/platform/InChild.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

constexpr const char* kIni = "[Engine.GameEngine]\r\nServerPackages=BotPack\r\n\r\n";

using test::InChild;

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

std::vector<std::string> Listed(const std::string& ini) {
    PackageList list;
    ReadServerPackages(list, ini);
    return list.Entries();
}

class FileSafety : public ::testing::Test {
  protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1); }
    void TearDown() override { platform::SetWriteHookForTesting({}); }
    test::TempDir dir;
};

TEST_F(FileSafety, TwoProgramsAddingAtOnceLoseNothing) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    const std::string cli = Quote(KEELSON_CLI_PATH) + " packages add --system-ini " + Quote(ini);
    ASSERT_EQ(Shell("(for i in $(seq 15); do " + cli + " A$i || exit 1; done) & a=$!; " +
                    "(for i in $(seq 15); do " + cli + " B$i || exit 1; done) & b=$!; " +
                    "wait $a && wait $b"),
              0);
    EXPECT_EQ(Listed(ini).size(), 31u);
}

TEST_F(FileSafety, ALockHeldElsewhereMakesAChangeWaitThenGiveUp) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    if (holder == 0) {
        platform::FileLock lock(ini);
        (void)!write(ready[1], "x", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    try {
        platform::FileLock lock(ini, std::chrono::milliseconds(100));
        ADD_FAILURE() << "the lock was taken twice";
    } catch (const platform::FileBusyError& e) {
        EXPECT_EQ(std::string(e.what()), ini + " is being changed by another program");
    }
    // A save waits for the holder and then goes through.
    PackageList list{"BotPack", "Relics"};
    EXPECT_EQ(WriteServerPackages(list, ini), std::nullopt);
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_EQ(Listed(ini), (std::vector<std::string>{"BotPack", "Relics"}));
    // Locks of one process nest instead of waiting for themselves.
    platform::FileLock outer(ini);
    EXPECT_EQ(WriteServerPackages(list, ini), std::nullopt);
    close(ready[0]);
    close(ready[1]);
}

// keelson-cli waits ten seconds for another program's lock, then gives up
// without writing and says which file is busy.
TEST_F(FileSafety, TheCommandLineGivesUpOnABusyFileAfterItsWait) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    int fd = open(ini.c_str(), O_RDONLY);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    const std::string err = dir.File("err");
    const auto start = std::chrono::steady_clock::now();
    int status = Shell(Quote(KEELSON_CLI_PATH) + " packages add --system-ini " + Quote(ini) +
                       " Relics 2>" + Quote(err));
    const auto waited = std::chrono::steady_clock::now() - start;
    close(fd);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(test::ReadBytes(err),
              "keelson-cli: " + ini + " is being changed by another program.\n");
    EXPECT_GE(waited, std::chrono::seconds(9));
    EXPECT_EQ(test::ReadBytes(ini), kIni);
}

TEST_F(FileSafety, OnlyRegularFilesAreReplaced) {
    std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::string device = dir.File("null");
    bool haveDevice = mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const std::string& path : {fifo, device}) {
        if (path == device && !haveDevice) {
            continue;
        }
        try {
            platform::WriteFileAtomically(path, "x");
            ADD_FAILURE() << path << " was replaced";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), path + " is not a regular file");
        }
        struct stat st {};
        ASSERT_EQ(lstat(path.c_str(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode)) << path;
    }
}

// A writable INI in a folder the admin may not write, and an INI that the
// game's account owns and an admin's group may write: saved as another user,
// each keeps its place, owner, group and mode.
TEST_F(FileSafety, SharedFoldersKeepTheFileAsTheGameNeedsIt) {
    if (geteuid() != 0 || Shell("command -v setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    }
    constexpr uid_t kAdmin = 43210;
    constexpr gid_t kGroup = 43211;
    chmod(dir.Path().c_str(), 0755);
    struct Case {
        const char* what;
        mode_t folderMode;
        uid_t folderOwner;
    } cases[] = {{"root-owned folder", 0755, 0}, {"group-shared folder", 0775, 0}};
    for (const Case& c : cases) {
        std::string folder = dir.File(std::string("System-") + c.what);
        std::filesystem::create_directory(folder);
        ASSERT_EQ(chown(folder.c_str(), c.folderOwner, kGroup), 0);
        ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
        std::string ini = folder + "/UnrealTournament.ini";
        dir.Write(ini.substr(dir.Path().size() + 1), kIni);
        ASSERT_EQ(chown(ini.c_str(), 0, kGroup), 0);
        ASSERT_EQ(chmod(ini.c_str(), 0664), 0);
        std::string cache = dir.File(std::string("cache-") + c.what);
        std::filesystem::create_directory(cache);
        ASSERT_EQ(chown(cache.c_str(), kAdmin, kGroup), 0);

        std::string run =
            "XDG_CACHE_HOME=" + Quote(cache) + " XDG_STATE_HOME=" + Quote(cache) + " setpriv --reuid=" + std::to_string(kAdmin) +
            " --regid=" + std::to_string(kGroup) + " --clear-groups " + Quote(KEELSON_CLI_PATH) +
            " packages add --system-ini " + Quote(ini) + " MyMod";
        EXPECT_EQ(Shell(run), 0) << c.what;
        EXPECT_EQ(Listed(ini), (std::vector<std::string>{"BotPack", "MyMod"})) << c.what;
        struct stat st {};
        ASSERT_EQ(stat(ini.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u) << c.what;
        EXPECT_EQ(st.st_gid, kGroup) << c.what;
        EXPECT_EQ(st.st_mode & 07777, 0664u) << c.what;
        EXPECT_EQ(platform::ListFolder(folder).size(), 1u) << c.what;
        EXPECT_TRUE(platform::ListFolder(cache + "/keelson/backups").empty()) << c.what;
        // The old content is kept as the admin's own version.
        EXPECT_EQ(platform::ListFolder(cache + "/keelson/versions").size(), 1u) << c.what;
    }
}

TEST_F(FileSafety, AFileWithOtherLinksIsRewrittenInPlaceAndRestoredOnFailure) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    std::string other = dir.File("linked.ini");
    ASSERT_EQ(link(ini.c_str(), other.c_str()), 0);
    ASSERT_EQ(WriteServerPackages(PackageList{"Relics"}, ini), std::nullopt);
    EXPECT_EQ(Listed(other), std::vector<std::string>{"Relics"});  // still one file

    const std::string before = test::ReadBytes(ini);
    for (std::string_view failAt : {"write", "truncate"}) {
        platform::SetWriteHookForTesting([&](std::string_view step) {
            if (step == failAt) {
                platform::SetWriteHookForTesting({});
                throw FileError("Disk full");
            }
        });
        EXPECT_THROW(WriteServerPackages(PackageList{std::string(9000, 'x')}, ini), FileError);
        EXPECT_EQ(test::ReadBytes(ini), before) << failAt;
    }
    EXPECT_TRUE(platform::ListFolder(platform::BackupFolder()).empty());
}

TEST_F(FileSafety, AFullDiskDuringAnInPlaceRewriteGivesTheOldFileBack) {
    std::string mountPoint = dir.File("small");
    std::filesystem::create_directory(mountPoint);
    if (geteuid() != 0 ||
        Shell("mount -t tmpfs -o size=64k tmpfs " + Quote(mountPoint) + " 2>/dev/null") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    const std::string old = std::string(kIni) + std::string(20000, ';') + "\r\n";
    std::string ini = dir.Write("small/UnrealTournament.ini", old);
    ASSERT_EQ(link(ini.c_str(), (mountPoint + "/linked.ini").c_str()), 0);
    try {
        WriteServerPackages(PackageList{"BotPack", std::string(200000, 'x')}, ini);
        ADD_FAILURE() << "a write larger than the disk succeeded";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(test::ReadBytes(ini), old);
    EXPECT_TRUE(platform::ListFolder(platform::BackupFolder()).empty());
    EXPECT_EQ(Shell("umount " + Quote(mountPoint)), 0);
}

TEST_F(FileSafety, TemporaryFilesOfKilledRunsAreRemovedButNotThoseOfLiveOnes) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    std::string dead = dir.Write(".UnrealTournament.ini.keelson-AbC123", "half");
    std::string live = dir.Write(".User.ini.keelson-XyZ789", "being written");
    std::string mine = dir.Write("notes.keelson-123456", "not a temporary file");
    int fd = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    pid_t other = fork();
    if (other == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        _exit(0);
    }
    close(fd);  // the child still holds it

    ASSERT_EQ(WriteServerPackages(PackageList{"Relics"}, ini), std::nullopt);
    EXPECT_EQ(test::ReadBytes(dead), "<missing>");
    EXPECT_EQ(test::ReadBytes(live), "being written");
    EXPECT_EQ(test::ReadBytes(mine), "not a temporary file");
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
}

// A kill at each step of a save, and a failure at each step: the file is the
// old one or the new one, whole, and the next save leaves no temporary file.
TEST_F(FileSafety, AKillOrAFailureAtAnyStepLeavesTheOldFileOrTheNew) {
    std::string ini = dir.Write("UnrealTournament.ini", kIni);
    const std::string old = test::ReadBytes(ini);
    PackageList big{"BotPack", std::string(20000, 'n')};
    const std::string wanted = *RewriteServerPackagesText(big, old);
    const std::vector<std::string> onlyTheIni{"UnrealTournament.ini"};
    for (bool kill : {true, false}) {
        for (int stopAt = 0;; ++stopAt) {
            dir.Write("UnrealTournament.ini", old);
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
                WriteServerPackages(big, ini);
            });
            std::string now = test::ReadBytes(ini);
            EXPECT_TRUE(now == old || now == wanted) << "step " << stopAt;
            if (status == 0) {
                EXPECT_EQ(now, wanted);
                break;
            }
            EXPECT_EQ(now, old) << "step " << stopAt;  // nothing done is reported done
            if (!kill) {
                EXPECT_EQ(platform::ListFolder(dir.Path()), onlyTheIni) << "step " << stopAt;
            }
            ASSERT_LT(stopAt, 100);
        }
    }
    ASSERT_EQ(WriteServerPackages(PackageList{"Relics"}, ini), std::nullopt);
    EXPECT_EQ(platform::ListFolder(dir.Path()), onlyTheIni);
}

TEST_F(FileSafety, SettingsAreSavedInOneStepOrNotAtAll) {
    auto store = platform::OpenFileStore(dir.File("registry"));
    TAppSettings first;
    SetFirstStartValues(first, "/srv/ut");
    SaveSettings(*store, first);
    TAppSettings second = first;
    second.UtBasePath = "/srv/other";
    second.ExitOnRunUT = false;
    for (int stopAt = 0;; ++stopAt) {
        int status = InChild([&] {
            int steps = 0;
            platform::SetWriteHookForTesting([&](std::string_view) {
                if (steps++ == stopAt) {
                    _exit(9);
                }
            });
            SaveSettings(*store, second);
        });
        TAppSettings loaded;
        LoadPathValues(*store, loaded);
        LoadFlagValues(*store, loaded);
        const TAppSettings& expected = status == 0 ? second : first;
        EXPECT_EQ(loaded.UtBasePath, expected.UtBasePath) << stopAt;
        EXPECT_EQ(loaded.PathToUtUserIni, expected.PathToUtUserIni) << stopAt;
        EXPECT_EQ(loaded.ExitOnRunUT, expected.ExitOnRunUT) << stopAt;
        if (status == 0) {
            break;
        }
        SaveSettings(*store, first);
        ASSERT_LT(stopAt, 20);
    }
}

// The eight values of the settings key, each as it was saved, or "<none>".
std::vector<std::string> StoredSettings(platform::SettingsStore& store) {
    std::vector<std::string> values;
    auto key = store.Open(std::string(kSettingsKeyPath), platform::SettingsStore::Access::Read);
    for (const char* name :
         {"PathToUtExe", "PathToUtSysIni", "PathToUtUserIni", "UtBasePath", "PromptToFindExe",
          "PromptToFindIni", "PromptToFindUser", "ExitOnRunUT"}) {
        std::optional<platform::StoredValue> value = key ? key->Query(name) : std::nullopt;
        values.push_back(value ? value->data : "<none>");
    }
    return values;
}

// A first save that is killed or fails at any step leaves no key, so that
// the next start is a first start again; one that gets through leaves all
// eight values. What a killed save left is never a key and goes with the
// next save.
TEST_F(FileSafety, FirstSaveMakesTheWholeKeyOrNone) {
    const std::string root = dir.File("registry");
    const std::string product = root + "/Software/Brindlewood/Keelson";
    auto store = platform::OpenFileStore(root);
    TAppSettings settings;
    SetFirstStartValues(settings, "/srv/ut");
    settings.PromptToFindIni = true;
    SaveSettings(*store, settings);
    const std::vector<std::string> whole = StoredSettings(*store);
    for (bool killed : {true, false}) {
        for (int stopAt = 0;; ++stopAt) {
            SCOPED_TRACE((killed ? "killed at step " : "failed at step ") + std::to_string(stopAt));
            std::filesystem::remove_all(root);
            int status = InChild([&] {
                int steps = 0;
                platform::SetWriteHookForTesting([&](std::string_view) {
                    if (steps++ == stopAt) {
                        if (killed) {
                            ::kill(::getpid(), SIGKILL);
                        }
                        throw FileError("Disk full");
                    }
                });
                SaveSettings(*store, settings);
            });
            if (status == 0) {
                EXPECT_EQ(StoredSettings(*store), whole);
                EXPECT_EQ(platform::ListFolder(product), std::vector<std::string>{"1"});
                break;
            }
            EXPECT_EQ(status, killed ? -1 : 70);
            EXPECT_FALSE(SettingsKeyExists(*store));
            if (!killed) {
                EXPECT_EQ(platform::ListFolder(product), std::vector<std::string>{});
            }
            SaveSettings(*store, settings);
            EXPECT_EQ(StoredSettings(*store), whole);
            EXPECT_EQ(platform::ListFolder(product), std::vector<std::string>{"1"});
            ASSERT_LT(stopAt, 20);
        }
    }
}

// Two programs saving first at once: the key that one of them made whole
// stays whole, and the other's values go into it.
TEST_F(FileSafety, TwoFirstSavesAtOnceEndWithOneWholeKey) {
    const std::string root = dir.File("registry");
    const std::string product = root + "/Software/Brindlewood/Keelson";
    TAppSettings mine;
    SetFirstStartValues(mine, "/srv/mine");
    TAppSettings theirs;
    SetFirstStartValues(theirs, "/srv/theirs");
    theirs.ExitOnRunUT = false;
    auto store = platform::OpenFileStore(root);
    SaveSettings(*store, theirs);
    const std::vector<std::string> theirValues = StoredSettings(*store);
    std::filesystem::remove_all(root);
    SaveSettings(*store, mine);
    const std::vector<std::string> myValues = StoredSettings(*store);

    // The other program's key appears just before this one's would.
    std::filesystem::remove_all(root);
    bool raced = false;
    platform::SetWriteHookForTesting([&](std::string_view step) {
        if (step == "rename" && !raced) {
            raced = true;
            InChild([&] { SaveSettings(*platform::OpenFileStore(root), theirs); });
            EXPECT_EQ(StoredSettings(*store), theirValues);
        }
    });
    SaveSettings(*store, mine);
    platform::SetWriteHookForTesting({});
    EXPECT_TRUE(raced);
    EXPECT_EQ(StoredSettings(*store), myValues);
    EXPECT_EQ(platform::ListFolder(product), std::vector<std::string>{"1"});

    // And two real programs, started together.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::filesystem::remove_all(root);
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t savers[2];
        for (int i = 0; i < 2; ++i) {
            savers[i] = fork();
            if (savers[i] == 0) {
                close(go[1]);
                char c;
                (void)!read(go[0], &c, 1);  // until the test closes its end
                try {
                    SaveSettings(*platform::OpenFileStore(root), i == 0 ? mine : theirs);
                } catch (...) {
                    _exit(70);
                }
                _exit(0);
            }
        }
        close(go[0]);
        close(go[1]);
        for (pid_t saver : savers) {
            int status = 0;
            waitpid(saver, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const std::vector<std::string> stored = StoredSettings(*store);
        EXPECT_TRUE(stored == myValues || stored == theirValues);
        EXPECT_EQ(platform::ListFolder(product), std::vector<std::string>{"1"});
    }
}

}  // namespace
}  // namespace keelson
