#include "platform/RunningGames.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/PathText.h"

namespace keelson::platform {

namespace {

namespace fs = std::filesystem;

// The game's programs: the Linux builds, and the Windows ones run by Wine,
// whose names Windows compares without regard to letter case.
constexpr const char* kLinuxPrograms[] = {"ucc-bin", "ucc-bin-amd64", "ucc-bin-x86",
                                          "ut-bin",  "ut-bin-amd64",  "ut-bin-x86"};
constexpr const char* kWindowsPrograms[] = {"UnrealTournament.exe", "UCC.exe"};

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

bool IsLinuxProgram(const std::string& name) {
    for (const char* p : kLinuxPrograms) {
        if (name == p) {
            return true;
        }
    }
    return false;
}

bool IsWindowsProgram(const std::string& name) {
    for (const char* p : kWindowsPrograms) {
        if (SameIgnoringCase(name, p)) {
            return true;
        }
    }
    return false;
}

// A file of /proc, whole; empty when it cannot be read (the process ended,
// or it belongs to another user and the system keeps it private).
std::string ReadProcFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> SplitAtNul(const std::string& bytes) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        parts.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string ReadLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
        return {};
    }
    target.resize(static_cast<std::size_t>(n));
    return target;
}

// The name behind the last "/" or, for a Windows path as Wine shows it, "\".
std::string LastName(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsWindowsPath(const std::string& path) {
    bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
                 path[1] == ':';
    return drive || path.find('\\') != std::string::npos;
}

// One running process as far as it can be looked at.
struct Process {
    std::string proc;  // "/proc/PID"
    std::vector<std::string> args;
    std::string cwd;  // empty when it cannot be read
    bool wine = false;

    // The Wine prefix whose dosdevices give the drive letters: the
    // process's WINEPREFIX, or ~/.wine of its owner.
    std::string WinePrefix() const {
        for (const std::string& entry : SplitAtNul(ReadProcFile(proc + "/environ"))) {
            if (entry.rfind("WINEPREFIX=", 0) == 0 && entry.size() > 11) {
                return entry.substr(11);
            }
        }
        struct stat st {};
        if (::stat(proc.c_str(), &st) != 0) {
            return {};
        }
        struct passwd pw {};
        struct passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(st.st_uid, &pw, buffer.data(), buffer.size(), &found) != 0 ||
            found == nullptr || pw.pw_dir == nullptr) {
            return {};
        }
        return std::string(pw.pw_dir) + "/.wine";
    }

    // A path as the process names it, as this system names it: a Windows
    // path of a Wine program through its drive letters ("Z:" is "/"), a
    // relative path from the process's working folder. Empty when it
    // cannot be told.
    std::string Resolve(std::string path) const {
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
            path = path.substr(1, path.size() - 2);
        }
        if (path.empty()) {
            return {};
        }
        if (wine && IsWindowsPath(path)) {
            for (char& c : path) {
                if (c == '\\') {
                    c = '/';
                }
            }
            if (path.size() >= 2 && path[1] == ':') {
                char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
                std::string rest = path.substr(2);
                if (letter == 'z') {
                    return rest.empty() ? "/" : rest;
                }
                std::string prefix = WinePrefix();
                if (prefix.empty()) {
                    return {};
                }
                return prefix + "/dosdevices/" + letter + ":" + rest;
            }
        }
        if (path.front() == '/') {
            return path;
        }
        return cwd.empty() ? std::string() : cwd + "/" + path;
    }
};

// The value of an argument "KEY=VALUE" or "-KEY=VALUE", the key in any
// letter case, as UT takes it.
bool ArgumentValue(const std::string& arg, const std::string& key, std::string* value) {
    std::size_t start = !arg.empty() && arg[0] == '-' ? 1 : 0;
    if (arg.size() < start + key.size() + 1 || arg[start + key.size()] != '=' ||
        !SameIgnoringCase(arg.substr(start, key.size()), key)) {
        return false;
    }
    *value = arg.substr(start + key.size() + 1);
    return true;
}

// What a file is compared by: its device and inode when it exists, so that
// links and letter case do not matter; else its path with every link of
// the folders above it followed.
struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string path;

    explicit FileIdentity(const std::string& file) {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0) {
            exists = true;
            dev = st.st_dev;
            ino = st.st_ino;
            return;
        }
        std::error_code ec;
        fs::path resolved = fs::weakly_canonical(fs::absolute(file, ec), ec);
        path = ec ? fs::path(file).lexically_normal().string() : resolved.string();
    }

    bool Names(const std::string& file) const {
        if (file.empty()) {
            return false;
        }
        FileIdentity other(file);
        if (exists || other.exists) {
            return exists && other.exists && dev == other.dev && ino == other.ino;
        }
        return path == other.path;
    }
};

// The process as a game using the target file, or nothing when it runs
// another program, uses other INI files or cannot be looked at.
std::optional<GameProcess> LookAt(long pid, const FileIdentity& target) {
    Process p;
    p.proc = "/proc/" + std::to_string(pid);
    p.args = SplitAtNul(ReadProcFile(p.proc + "/cmdline"));
    if (p.args.empty()) {
        return std::nullopt;  // a kernel thread, or gone
    }
    p.cwd = ReadLink(p.proc + "/cwd");

    std::string program;
    std::string folder;
    std::string exe = ReadLink(p.proc + "/exe");
    const std::string& argv0 = p.args[0];
    if (!exe.empty() && IsLinuxProgram(LastName(exe))) {
        program = LastName(exe);
        folder = FolderOfPath(exe);
    } else if (IsLinuxProgram(LastName(argv0)) || IsWindowsProgram(LastName(argv0))) {
        // Wine shows the Windows program in argv[0]; its executable is
        // Wine's loader.
        program = LastName(argv0);
        p.wine = IsWindowsProgram(program);
        if (argv0.find_first_of("/\\") != std::string::npos) {
            folder = FolderOfPath(p.Resolve(argv0));
        }
    } else {
        return std::nullopt;
    }

    std::string systemIni;
    std::string userIni;
    bool namesSystemIni = false;
    bool namesUserIni = false;
    for (std::size_t i = 1; i < p.args.size(); ++i) {
        std::string value;
        if (ArgumentValue(p.args[i], "ini", &value)) {
            systemIni = p.Resolve(value);
            namesSystemIni = true;
        } else if (ArgumentValue(p.args[i], "userini", &value)) {
            userIni = p.Resolve(value);
            namesUserIni = true;
        }
    }
    if (!namesSystemIni && !folder.empty()) {
        systemIni = folder + "/UnrealTournament.ini";
    }
    if (!namesUserIni && !folder.empty()) {
        userIni = folder + "/User.ini";
    }
    if (target.Names(systemIni) || target.Names(userIni)) {
        return GameProcess{pid, program};
    }
    return std::nullopt;
}

}  // namespace

std::optional<GameProcess> FindGameUsing(const std::string& iniPath) {
    if (iniPath.empty()) {
        return std::nullopt;
    }
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return std::nullopt;
    }
    std::optional<GameProcess> found;
    try {
        FileIdentity target(iniPath);
        while (!found) {
            struct dirent* entry = ::readdir(proc);
            if (entry == nullptr) {
                break;
            }
            char* end = nullptr;
            long pid = std::strtol(entry->d_name, &end, 10);
            if (pid <= 0 || *end != '\0' || pid == static_cast<long>(::getpid())) {
                continue;
            }
            found = LookAt(pid, target);
        }
    } catch (...) {
        // Out of memory while reading a process: nothing found is the one
        // answer the caller can act on, as it promises never to raise.
        found.reset();
    }
    ::closedir(proc);
    return found;
}

}  // namespace keelson::platform
