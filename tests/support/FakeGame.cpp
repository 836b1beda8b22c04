#include "tests/support/FakeGame.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#ifndef _WIN32
extern char** environ;
#endif

namespace keelson::test {

namespace fs = std::filesystem;

Game::Game(const std::string& program, const std::string& folder, std::vector<std::string> args,
           const std::string& readyFile, std::string argv0,
           std::vector<std::string> extraEnvironment) {
    args.push_back("ready=" + readyFile);
    Start(program, folder, argv0.empty() ? program : argv0, args, extraEnvironment);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::error_code ec;
    while (pid_ != 0 && !fs::exists(readyFile, ec) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    running_ = pid_ != 0 && fs::exists(readyFile, ec);
}

std::string FakeGamePath() {
    std::string path = KEELSON_FAKE_GAME_PATH;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
#endif
    return path;
}

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
        std::fprintf(stderr, "cannot start %s: error %lu\n", program.c_str(),
                     static_cast<unsigned long>(::GetLastError()));
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
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(err));
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

}  // namespace keelson::test
