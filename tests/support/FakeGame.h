#pragma once
// A stand-in for the game's server, started as a server is and killed when
// a test is done with it, so that the search for running games meets a real
// process.

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/types.h>
#endif

#include <string>
#include <vector>

namespace keelson::test {

// The built stand-in for the game (tests/platform/FakeGameServer.cpp). Under
// Wine the build machine's path is reached through drive Z:.
std::string FakeGamePath();

#ifdef _WIN32
// ANSI code page text as the wide functions take it.
std::wstring Wide(const std::string& text);
#endif

// Copies the stand-in (or any program) to a path, as a game folder holds it.
bool CopyProgram(const std::string& from, const std::string& to);

// A running stand-in for the game, killed and waited for when it goes out
// of scope, whatever a check did meanwhile.
class Game {
  public:
    // Starts program in folder with the arguments behind argv[0] (argv0,
    // or the program's path when empty) and waits until it runs; Running
    // is false (and stderr says why) when it could not be started.
    Game(const std::string& program, const std::string& folder, std::vector<std::string> args,
         const std::string& readyFile, std::string argv0 = {},
         std::vector<std::string> extraEnvironment = {});
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

}  // namespace keelson::test
