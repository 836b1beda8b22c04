#pragma once
// A piece of a test run in a child process of its own, which a write hook
// may kill at any step without ending the test.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace keelson::test {

// Runs f in a child process; returns its exit status (-1 when killed, 70
// when f threw).
inline int InChild(const std::function<void()>& f) {
    pid_t pid = fork();
    if (pid == 0) {
        try {
            f();
        } catch (...) {
            _exit(70);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace keelson::test
