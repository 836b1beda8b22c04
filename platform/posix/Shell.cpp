#include "platform/Shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/PathText.h"

namespace keelson::platform {

namespace {

bool IsProgramFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Starts argv[0] with the given arguments in its own session, detached: the
// program is never waited for and leaves no zombie behind. Returns false when
// the program could not be started, with the system's reason in reason.
bool Spawn(const std::vector<std::string>& args, const std::string& workingFolder, bool searchPath,
           std::string* reason) {
    auto fail = [reason](int err) {
        if (reason != nullptr) {
            *reason = std::strerror(err);
        }
        return false;
    };
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return fail(errno);
    }
    pid_t child = ::fork();
    if (child < 0) {
        int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        return fail(err);
    }
    if (child == 0) {
        // The middle process starts the grandchild and exits at once.
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int err = errno;
                [[maybe_unused]] ssize_t w = ::write(report[1], &err, sizeof err);
            }
            ::_exit(0);
        }
        if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) {
            int err = errno;
            [[maybe_unused]] ssize_t w = ::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (searchPath) {
            ::execvp(argv[0], argv.data());
        } else {
            ::execv(argv[0], argv.data());
        }
        int err = errno;
        [[maybe_unused]] ssize_t w = ::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes on a successful exec; any bytes are the failure's errno.
    int err = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == 0) {
        return true;
    }
    return fail(n == static_cast<ssize_t>(sizeof err) ? err : EIO);
}

}  // namespace

bool OpenWithShell(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder, int /*showMode*/, std::string* reason) {
    // "explorer" with a folder shows that folder in the desktop's file manager.
    if (UpperAscii(file) == "EXPLORER") {
        return Spawn({"xdg-open", parameters.empty() ? std::string(".") : parameters}, {}, true,
                     reason);
    }
    if (IsProgramFile(file)) {
        std::vector<std::string> args{file};
        if (!parameters.empty()) {
            args.push_back(parameters);
        }
        return Spawn(args, workingFolder, false, reason);
    }
    // A document, a folder or a file that cannot run: its associated program.
    std::vector<std::string> args{"xdg-open", file};
    return Spawn(args, workingFolder, true, reason);
}

}  // namespace keelson::platform
