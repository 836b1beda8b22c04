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
#include "tests/support/TempDir.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace keelson {
namespace {

namespace fs = std::filesystem;
using platform::FindGameUsing;

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

// The built stand-in. Under Wine the build machine's path is reached
// through drive Z:.
std::string FakeGamePath() {
    std::string path = KEELSON_FAKE_GAME_PATH;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
#endif
    return path;
}

// A running stand-in for the game, killed and waited for when it goes out
// of scope, whatever a check did meanwhile.
class Game {
  public:
    // Starts program in folder with the arguments behind argv[0] (argv0,
    // or the program's path when empty) and waits until it runs.
    Game(const std::string& program, const std::string& folder, std::vector<std::string> args,
         const std::string& readyFile, std::string argv0 = {},
         std::vector<std::string> extraEnvironment = {}) {
        args.push_back("ready=" + readyFile);
        Start(program, folder, argv0.empty() ? program : argv0, args, extraEnvironment);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::error_code ec;
        while (pid_ != 0 && !fs::exists(readyFile, ec) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        running_ = pid_ != 0 && fs::exists(readyFile, ec);
    }
    ~Game() { Stop(); }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    bool Running() const { return running_; }
    long Pid() const { return static_cast<long>(pid_); }

    // Kills the process and waits until it has ended and is reaped.
    void Stop();

  private:
    void Start(const std::string& program, const std::string& folder, const std::string& argv0,
               const std::vector<std::string>& args, const std::vector<std::string>& extraEnv);

    bool running_ = false;
#ifdef _WIN32
    DWORD pid_ = 0;
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = 0;
#endif
};

#ifdef _WIN32

std::wstring Wide(const std::string& s) {
    std::wstring wide(s.size(), L'\0');
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), wide.data(),
                                  static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n));
    return wide;
}

void Game::Start(const std::string& program, const std::string& folder, const std::string& argv0,
                 const std::vector<std::string>& args, const std::vector<std::string>&) {
    std::wstring commandLine = L"\"" + Wide(argv0) + L"\"";
    for (const std::string& a : args) {
        commandLine += L" " + Wide(a);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, Wide(folder).c_str(), &si, &pi)) {
        ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
        return;
    }
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

void Game::Stop() {
    if (process_ != nullptr) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 30000);
        ::CloseHandle(process_);
        process_ = nullptr;
    }
    running_ = false;
}

bool CopyProgram(const std::string& from, const std::string& to) {
    return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

#else

void Game::Start(const std::string& program, const std::string& folder, const std::string& argv0,
                 const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    std::vector<char*> argv{const_cast<char*>(argv0.c_str())};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    int err = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        pid_ = 0;
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(err);
    }
}

void Game::Stop() {
    if (pid_ != 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }
    running_ = false;
}

bool CopyProgram(const std::string& from, const std::string& to) {
    std::error_code ec;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

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
