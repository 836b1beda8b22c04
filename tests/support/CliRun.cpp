#include "tests/support/CliRun.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#include <functional>
#include <thread>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace keelson::test {

#ifdef _WIN32

namespace {

// The build names keelson-cli by its path on the build machine; under Wine
// a path from the root of that machine is on drive Z:.
std::string CliPath() {
    std::string path = KEELSON_CLI_PATH;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// One word of a command line as the C runtime's parser splits it again:
// quoted when it holds blanks or quotes, with backslashes doubled before a
// quote.
std::string QuoteWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string::npos) {
        return word;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// This process's environment with the entries of env set or removed, as a
// block for CreateProcessA. Names compare ignoring letter case.
std::string EnvironmentBlock(const std::map<std::string, std::string>& env) {
    auto upper = [](std::string s) {
        for (char& c : s) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return s;
    };
    std::map<std::string, std::string> entries;  // upper-cased name -> "Name=value"
    char* block = ::GetEnvironmentStringsA();
    for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) {
        std::string entry = p;
        std::size_t eq = entry.find('=', 1);
        entries[upper(entry.substr(0, eq))] = entry;
    }
    ::FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : env) {
        if (value.empty()) {
            entries.erase(upper(name));
        } else {
            entries[upper(name)] = name + "=" + value;
        }
    }
    std::string result;
    for (const auto& [name, entry] : entries) {
        result += entry;
        result += '\0';
    }
    result += '\0';
    return result;
}

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

Pipe MakePipe(bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Pipe p;
    if (!::CreatePipe(&p.read, &p.write, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    // Only the child's end is inherited.
    ::SetHandleInformation(childReads ? p.write : p.read, HANDLE_FLAG_INHERIT, 0);
    return p;
}

void Drain(HANDLE from, std::string& into) {
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(from, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        into.append(buffer, n);
    }
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& words,
                 const std::map<std::string, std::string>& env, const std::string& stdinBytes) {
    const std::string program = CliPath();
    std::string commandLine = QuoteWord(program);
    for (const std::string& w : words) {
        commandLine += ' ';
        commandLine += QuoteWord(w);
    }
    std::string environment = EnvironmentBlock(env);
    Pipe in = MakePipe(true);
    Pipe out = MakePipe(false);
    Pipe err = MakePipe(false);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read;
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    PROCESS_INFORMATION process{};
    BOOL started = ::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                    environment.data(), nullptr, &startup, &process);
    ::CloseHandle(in.read);
    ::CloseHandle(out.write);
    ::CloseHandle(err.write);
    if (!started) {
        ::CloseHandle(in.write);
        ::CloseHandle(out.read);
        ::CloseHandle(err.read);
        throw std::runtime_error("cannot start " + program);
    }
    CliResult result;
    // Both outputs are read at once, so that a child filling one pipe never
    // waits on the other.
    std::thread errReader(Drain, err.read, std::ref(result.err));
    std::thread inWriter([&] {
        const char* p = stdinBytes.data();
        std::size_t left = stdinBytes.size();
        DWORD n = 0;
        while (left > 0 && ::WriteFile(in.write, p, static_cast<DWORD>(left), &n, nullptr)) {
            p += n;
            left -= n;
        }
        ::CloseHandle(in.write);
    });
    Drain(out.read, result.out);
    errReader.join();
    inWriter.join();
    ::CloseHandle(out.read);
    ::CloseHandle(err.read);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    result.status = static_cast<int>(code);
    return result;
}

#else

CliResult RunCli(const std::vector<std::string>& words,
                 const std::map<std::string, std::string>& env, const std::string& stdinBytes) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) {
            close(fd);
        }
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KEELSON_CLI_PATH));
        for (const std::string& w : words) {
            argv.push_back(const_cast<char*>(w.c_str()));
        }
        argv.push_back(nullptr);
        execv(KEELSON_CLI_PATH, argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!stdinBytes.empty()) {
        [[maybe_unused]] ssize_t w = write(inPipe[1], stdinBytes.data(), stdinBytes.size());
    }
    close(inPipe[1]);

    CliResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

#endif

}  // namespace keelson::test
