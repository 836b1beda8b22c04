// The search for a running game that uses an INI file, against real
// processes: a stand-in for the server (FakeGameServer.cpp) copied into a
// game folder under the game's program names and started as a server is.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h:
#include <restartmanager.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/RunningGames.h"
#include "tests/support/FakeGame.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

namespace fs = std::filesystem;
using platform::FindGameUsing;
using test::CopyProgram;
using test::FakeGamePath;
using test::Game;
#ifdef _WIN32
using test::Wide;
#endif

#ifdef _WIN32
constexpr const char* kServerProgram = "UCC.exe";
constexpr const char* kGameProgram = "UnrealTournament.exe";
constexpr const char* kOtherProgram = "Server.exe";
constexpr char kSeparator = '\\';
#else
constexpr const char* kServerProgram = "ucc-bin";
constexpr const char* kGameProgram = "ut-bin";
constexpr const char* kOtherProgram = "fake-game";
constexpr char kSeparator = '/';
#endif

// A game folder with System/ holding the game's INI files, and the
// stand-in copied into System/ under the names a test asks for.
class RunningGames : public ::testing::Test {
  protected:
    void SetUp() override {
        system = dir.File("UT/System");
        dir.Write("UT/System/UnrealTournament.ini", "[Engine.Engine]\r\n");
        dir.Write("UT/System/User.ini", "[Engine.Input]\r\n");
        dir.Write("UT/System/Server.ini", "[Engine.Engine]\r\n");
        otherIni = dir.Write("Other/System/UnrealTournament.ini", "[Engine.Engine]\r\n");
    }

    std::string Ini(const std::string& name) const { return dir.NativeFile("UT/System/" + name); }

    // The stand-in under the given name in System/.
    std::string Program(const std::string& name) {
        std::string path = dir.NativeFile("UT/System/" + name);
        EXPECT_TRUE(CopyProgram(FakeGamePath(), path)) << FakeGamePath();
        return path;
    }

    std::string Ready() { return dir.NativeFile("ready-" + std::to_string(++started)); }

    test::TempDir dir;
    std::string system;
    std::string otherIni;
    int started = 0;
};

TEST_F(RunningGames, ServerFoundThroughTheIniItsCommandLineNames) {
    Game game(Program(kServerProgram), system,
              {"server", "DM-Deck16][?game=Botpack.DeathMatch", "ini=Server.ini", "-log"}, Ready());
    ASSERT_TRUE(game.Running());

    auto found = FindGameUsing(Ini("Server.ini"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->pid, game.Pid());
    EXPECT_EQ(found->program, kServerProgram);
    // The same file by another spelling of its path.
    EXPECT_TRUE(FindGameUsing(dir.File("UT/System/../System/Server.ini")).has_value());
    // Without "userini=" the user INI beside the program is its own.
    EXPECT_TRUE(FindGameUsing(Ini("User.ini")).has_value());
    // The system INI it would use without "ini=" is free to change.
    EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
    EXPECT_FALSE(FindGameUsing(otherIni).has_value());
}

TEST_F(RunningGames, WithoutIniArgumentsTheProgramFoldersFilesAreUsed) {
    Game game(Program(kGameProgram), system, {"server"}, Ready());
    ASSERT_TRUE(game.Running());

    auto found = FindGameUsing(Ini("UnrealTournament.ini"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->pid, game.Pid());
    EXPECT_EQ(found->program, kGameProgram);
    EXPECT_TRUE(FindGameUsing(Ini("User.ini")).has_value());
    EXPECT_FALSE(FindGameUsing(Ini("Server.ini")).has_value());
    // Another game folder's INI, of the same name.
    EXPECT_FALSE(FindGameUsing(otherIni).has_value());
}

TEST_F(RunningGames, IniKeysInAnyLetterCaseDashedAndQuoted) {
    dir.Write("UT/System/Mine.ini", "[Engine.Input]\r\n");
    std::string absoluteUserIni = dir.Write("Users/Me.ini", "[Engine.Input]\r\n");
    {
        Game game(Program(kServerProgram), system,
                  {"server", "-INI=Server.ini", "UserIni=Mine.ini"}, Ready());
        ASSERT_TRUE(game.Running());
        EXPECT_TRUE(FindGameUsing(Ini("Server.ini")).has_value());
        EXPECT_TRUE(FindGameUsing(Ini("Mine.ini")).has_value());
        EXPECT_FALSE(FindGameUsing(Ini("User.ini")).has_value());
        EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
    }
    {
        // A quote a shell left in, and an absolute path.
        Game game(Program(kServerProgram), system,
                  {"ini=\"Server.ini\"", "-userini=" + absoluteUserIni}, Ready());
        ASSERT_TRUE(game.Running());
        EXPECT_TRUE(FindGameUsing(Ini("Server.ini")).has_value());
        EXPECT_TRUE(FindGameUsing(absoluteUserIni).has_value());
        EXPECT_FALSE(FindGameUsing(Ini("User.ini")).has_value());
    }
}

TEST_F(RunningGames, IniNotWrittenYetFoundByItsPath) {
    Game game(Program(kServerProgram), system, {"server", "ini=Fresh.ini"}, Ready());
    ASSERT_TRUE(game.Running());
    ASSERT_FALSE(fs::exists(Ini("Fresh.ini")));

    auto found = FindGameUsing(Ini("Fresh.ini"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->pid, game.Pid());
    EXPECT_FALSE(FindGameUsing(Ini("Stale.ini")).has_value());
}

TEST_F(RunningGames, OtherProgramsAndEndedGamesAreNotFound) {
    {
        Game other(Program(kOtherProgram), system, {"server", "ini=Server.ini"}, Ready());
        ASSERT_TRUE(other.Running());
        EXPECT_FALSE(FindGameUsing(Ini("Server.ini")).has_value());
        EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
    }
    Game game(Program(kServerProgram), system, {"server", "ini=Server.ini"}, Ready());
    ASSERT_TRUE(game.Running());
    ASSERT_TRUE(FindGameUsing(Ini("Server.ini")).has_value());
    game.Stop();
    EXPECT_FALSE(FindGameUsing(Ini("Server.ini")).has_value());
    EXPECT_FALSE(FindGameUsing(Ini("User.ini")).has_value());
}

TEST_F(RunningGames, RelativeIniTakenFromTheWorkingFolder) {
    // Started from the folder above the game's, as a service script may.
    std::string ini = std::string("UT") + kSeparator + "System" + kSeparator + "Server.ini";
    Game game(Program(kServerProgram), dir.Path(), {"server", "ini=" + ini}, Ready());
    ASSERT_TRUE(game.Running());
    EXPECT_TRUE(FindGameUsing(Ini("Server.ini")).has_value());
    EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
}

TEST_F(RunningGames, MissingOrEmptyPathsFindNothing) {
    EXPECT_FALSE(FindGameUsing("").has_value());
    EXPECT_FALSE(FindGameUsing(dir.File("No/Such/Folder/UnrealTournament.ini")).has_value());
}

#ifdef _WIN32

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The processes that the Restart Manager sees holding a file open.
std::vector<DWORD> RestartManagerHolders(const std::string& path) {
    std::vector<DWORD> pids;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (::RmStartSession(&session, 0, key) != ERROR_SUCCESS) {
        return pids;
    }
    std::wstring wide = Wide(path);
    LPCWSTR files[] = {wide.c_str()};
    UINT needed = 0;
    RM_PROCESS_INFO infos[8];
    UINT count = 8;
    DWORD reasons = 0;
    if (::RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
        ::RmGetList(session, &needed, &count, infos, &reasons) == ERROR_SUCCESS) {
        for (UINT i = 0; i < count; ++i) {
            pids.push_back(infos[i].Process.dwProcessId);
        }
    }
    ::RmEndSession(session);
    return pids;
}

// Any program holding the file open counts, by whatever name it runs and
// whatever its command line says.
TEST_F(RunningGames, ProgramHoldingTheIniFoundThroughTheRestartManager) {
    std::string held = dir.Write("Other/Held.ini", "[Engine.Engine]\r\n");
    Game game(Program(kOtherProgram), system, {"server", "hold=" + held}, Ready());
    ASSERT_TRUE(game.Running());
    std::vector<DWORD> holders = RestartManagerHolders(held);
    if (holders.empty() && UnderWine()) {
        // Wine 8's Restart Manager is stubs only: RmGetList succeeds and
        // lists nobody. The process list finds the game there, as the
        // other cases show.
        GTEST_SKIP() << "Wine's Restart Manager lists no process holding a file";
    }
    ASSERT_EQ(holders, std::vector<DWORD>{static_cast<DWORD>(game.Pid())});

    auto found = FindGameUsing(held);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->pid, game.Pid());
    EXPECT_EQ(found->program, kOtherProgram);
}

// Keelson holds the INI itself while it rewrites it; the Restart Manager
// lists it among the holders.
TEST_F(RunningGames, ThisProgramHoldingTheIniIsNoGame) {
    std::ifstream held(Ini("UnrealTournament.ini"), std::ios::binary);
    ASSERT_TRUE(held.is_open());
    EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
}

TEST_F(RunningGames, IniFoundWhateverTheLetterCaseOfItsPath) {
    Game game(Program(kServerProgram), system, {"server", "INI=server.INI"}, Ready());
    ASSERT_TRUE(game.Running());
    EXPECT_TRUE(FindGameUsing(dir.NativeFile("ut/SYSTEM/Server.ini")).has_value());
    EXPECT_TRUE(FindGameUsing(dir.NativeFile("UT/System/user.ini")).has_value());
}

#else

TEST_F(RunningGames, FoundThroughLinksToTheIni) {
    Game game(Program(kServerProgram), system, {"server", "ini=Server.ini"}, Ready());
    ASSERT_TRUE(game.Running());

    fs::create_symlink(Ini("Server.ini"), dir.File("Server-link.ini"));
    fs::create_directory_symlink(dir.File("UT"), dir.File("UT-link"));
    EXPECT_TRUE(FindGameUsing(dir.File("Server-link.ini")).has_value());
    EXPECT_TRUE(FindGameUsing(dir.File("UT-link/System/Server.ini")).has_value());
    // A hard link is the same file as well.
    fs::create_hard_link(Ini("Server.ini"), dir.File("Server-hard.ini"));
    EXPECT_TRUE(FindGameUsing(dir.File("Server-hard.ini")).has_value());
}

// Wine shows a Windows program's path in argv[0]; the executable itself is
// Wine's loader, whose name is no game's.
TEST_F(RunningGames, WindowsGameUnderWineFoundThroughItsDriveLetters) {
    std::string loader = Program("wine64-preloader");
    std::string zPath = "Z:" + system + "/UCC.exe";
    for (char& c : zPath) {
        if (c == '/') {
            c = '\\';
        }
    }
    {
        Game game(loader, system, {"server", "ini=Server.ini"}, Ready(), zPath);
        ASSERT_TRUE(game.Running());
        auto found = FindGameUsing(Ini("Server.ini"));
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->program, "UCC.exe");
        EXPECT_EQ(found->pid, game.Pid());
        EXPECT_TRUE(FindGameUsing(Ini("User.ini")).has_value());
        EXPECT_FALSE(FindGameUsing(Ini("UnrealTournament.ini")).has_value());
    }
    // Drive C: of the prefix the process names, the letters of the name
    // in any case.
    std::string prefix = dir.File("prefix");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directory_symlink(dir.File("UT"), prefix + "/dosdevices/c:");
    Game game(loader, system, {"server", "userini=C:\\System\\Server.ini"}, Ready(),
              "C:\\System\\unrealtournament.EXE", {"WINEPREFIX=" + prefix});
    ASSERT_TRUE(game.Running());
    auto found = FindGameUsing(Ini("UnrealTournament.ini"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->program, "unrealtournament.EXE");
    EXPECT_TRUE(FindGameUsing(Ini("Server.ini")).has_value());
    EXPECT_FALSE(FindGameUsing(Ini("User.ini")).has_value());
}

#endif

}  // namespace
}  // namespace keelson
