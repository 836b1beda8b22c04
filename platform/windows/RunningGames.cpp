#include "platform/RunningGames.h"

#include <windows.h>
// After windows.h:
#include <restartmanager.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>
#include <vector>

#include "platform/windows/SystemPath.h"

namespace keelson::platform {

namespace {

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
        }
    }
};

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring NameOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool IsGameProgram(const std::wstring& name) {
    return SameIgnoringCase(name, L"UnrealTournament.exe") || SameIgnoringCase(name, L"UCC.exe");
}

// What a file is compared by: the volume and file index of the existing
// file, so that links and letter case do not hide it; else its full path.
struct FileIdentity {
    bool exists = false;
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring path;

    explicit FileIdentity(const std::wstring& file) : path(file) {
        if (path.empty() || IsDevicePath(path)) {
            return;
        }
        Handle h{::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
        exists = h.h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h.h, &info);
    }

    bool Names(const FileIdentity& other) const {
        if (exists || other.exists) {
            return exists && other.exists &&
                   info.dwVolumeSerialNumber == other.info.dwVolumeSerialNumber &&
                   info.nFileIndexHigh == other.info.nFileIndexHigh &&
                   info.nFileIndexLow == other.info.nFileIndexLow;
        }
        return !path.empty() && SameIgnoringCase(path, other.path);
    }
};

std::wstring ImagePath(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &size)) {
        return {};
    }
    path.resize(size);
    return path;
}

// The path as the Restart Manager takes it: full, without "\\?\", which it
// does not know.
std::wstring PlainPath(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        return L"\\\\" + path.substr(8);
    }
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path.substr(4);
    }
    return path;
}

// Any process other than this one that the Restart Manager sees holding
// the file open.
std::optional<GameProcess> HolderOf(const std::wstring& path) {
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (::RmStartSession(&session, 0, key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<GameProcess> found;
    std::wstring plain = PlainPath(path);
    LPCWSTR files[] = {plain.c_str()};
    if (::RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
        std::vector<RM_PROCESS_INFO> infos(4);
        DWORD result = ERROR_MORE_DATA;
        UINT count = 0;
        for (int tries = 0; tries < 4 && result == ERROR_MORE_DATA; ++tries) {
            UINT needed = 0;
            count = static_cast<UINT>(infos.size());
            DWORD reasons = 0;
            result = ::RmGetList(session, &needed, &count, infos.data(), &reasons);
            if (result == ERROR_MORE_DATA) {
                infos.resize(needed + 4);
            }
        }
        for (UINT i = 0; result == ERROR_SUCCESS && i < count && !found; ++i) {
            DWORD pid = infos[i].Process.dwProcessId;
            if (pid == ::GetCurrentProcessId()) {
                continue;  // this program's own lock on the file
            }
            Handle process{::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)};
            std::wstring name = process.h != nullptr ? NameOf(ImagePath(process.h)) : L"";
            found = GameProcess{static_cast<long>(pid),
                                Narrow(name.empty() ? std::wstring(infos[i].strAppName) : name)};
        }
    }
    ::RmEndSession(session);
    return found;
}

// The start of RTL_USER_PROCESS_PARAMETERS as Windows and Wine lay it out,
// as far as the working folder and the command line.
struct ProcessParameters {
    ULONG maximumLength;
    ULONG length;
    ULONG flags;
    ULONG debugFlags;
    HANDLE consoleHandle;
    ULONG consoleFlags;
    HANDLE standardHandles[3];
    UNICODE_STRING currentDirectory;
    HANDLE currentDirectoryHandle;
    UNICODE_STRING dllPath;
    UNICODE_STRING imagePathName;
    UNICODE_STRING commandLine;
};

std::wstring ReadRemoteText(HANDLE process, const UNICODE_STRING& text) {
    std::wstring result(text.Length / sizeof(wchar_t), L'\0');
    SIZE_T read = 0;
    if (text.Buffer == nullptr || result.empty() ||
        !::ReadProcessMemory(process, text.Buffer, result.data(), text.Length, &read) ||
        read != text.Length) {
        return {};
    }
    return result;
}

// A process's command line and working folder, from the parameters its
// environment block points to. Only a process of this program's own
// width is read so; another gives nothing.
bool ReadParameters(HANDLE process, std::wstring* commandLine, std::wstring* workingFolder) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG size = 0;
    if (!NT_SUCCESS(::NtQueryInformationProcess(process, ProcessBasicInformation, &basic,
                                                sizeof basic, &size)) ||
        basic.PebBaseAddress == nullptr) {
        return false;
    }
    PEB peb{};
    ProcessParameters parameters{};
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &read) ||
        peb.ProcessParameters == nullptr ||
        !::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters,
                             &read)) {
        return false;
    }
    *commandLine = ReadRemoteText(process, parameters.commandLine);
    *workingFolder = ReadRemoteText(process, parameters.currentDirectory);
    return !commandLine->empty();
}

// The command line alone, as Windows 8.1 and later give it for a process
// of either width.
std::wstring QueryCommandLine(HANDLE process) {
    constexpr auto kProcessCommandLineInformation = static_cast<PROCESSINFOCLASS>(60);
    ULONG size = 0;
    ::NtQueryInformationProcess(process, kProcessCommandLineInformation, nullptr, 0, &size);
    if (size < sizeof(UNICODE_STRING) || size > 1 << 20) {
        return {};
    }
    std::vector<unsigned char> buffer(size);
    if (!NT_SUCCESS(::NtQueryInformationProcess(process, kProcessCommandLineInformation,
                                                buffer.data(), size, &size))) {
        return {};
    }
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    return text->Buffer == nullptr ? std::wstring()
                                   : std::wstring(text->Buffer, text->Length / sizeof(wchar_t));
}

// The value of an argument "KEY=VALUE" or "-KEY=VALUE", the key in any
// letter case, as UT takes it.
bool ArgumentValue(const std::wstring& arg, const std::wstring& key, std::wstring* value) {
    std::size_t start = !arg.empty() && arg[0] == L'-' ? 1 : 0;
    if (arg.size() < start + key.size() + 1 || arg[start + key.size()] != L'=' ||
        !SameIgnoringCase(arg.substr(start, key.size()), key)) {
        return false;
    }
    *value = arg.substr(start + key.size() + 1);
    if (value->size() >= 2 && value->front() == L'"' && value->back() == L'"') {
        *value = value->substr(1, value->size() - 2);
    }
    return true;
}

// A path a game names, taken from base when it is relative, in the form
// the wide file functions take.
std::wstring Resolve(const std::wstring& path, const std::wstring& base) {
    if (path.empty()) {
        return {};
    }
    bool drive = path.size() >= 2 && path[1] == L':';
    bool rooted = path[0] == L'\\' || path[0] == L'/';
    std::wstring full = path;
    if (!drive && !rooted) {
        if (base.empty()) {
            return {};
        }
        full = base + (base.back() == L'\\' ? L"" : L"\\") + path;
    } else if (!drive && !(path.size() >= 2 && (path[1] == L'\\' || path[1] == L'/'))) {
        // "\UT\System\Server.ini" is on the drive of the working folder.
        if (base.size() < 2 || base[1] != L':') {
            return {};
        }
        full = base.substr(0, 2) + path;
    }
    return SystemPath(Narrow(full));
}

// Whether the game running as pid uses the target file, by its command
// line or by its program's folder. A process that cannot be opened is
// passed over.
bool UsesFile(DWORD pid, const FileIdentity& target) {
    Handle process{::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid)};
    if (process.h == nullptr) {
        process.h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    }
    if (process.h == nullptr) {
        return false;
    }
    std::wstring commandLine;
    std::wstring workingFolder;
    if (!ReadParameters(process.h, &commandLine, &workingFolder)) {
        commandLine = QueryCommandLine(process.h);
    }
    std::vector<std::wstring> args;
    int argc = 0;
    LPWSTR* argv = commandLine.empty() ? nullptr : ::CommandLineToArgvW(commandLine.c_str(), &argc);
    for (int i = 0; argv != nullptr && i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    ::LocalFree(argv);

    std::wstring folder = FolderOf(ImagePath(process.h));
    if (folder.empty() && !args.empty()) {
        folder = FolderOf(args[0]);
    }
    if (workingFolder.empty()) {
        workingFolder = folder;
    }
    // A command line that cannot be read counts as one without "ini=":
    // a refusal to rewrite a file the game may not use costs less than a
    // change the game silently undoes.
    std::wstring systemIni;
    std::wstring userIni;
    bool namesSystemIni = false;
    bool namesUserIni = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::wstring value;
        if (ArgumentValue(args[i], L"ini", &value)) {
            systemIni = Resolve(value, workingFolder);
            namesSystemIni = true;
        } else if (ArgumentValue(args[i], L"userini", &value)) {
            userIni = Resolve(value, workingFolder);
            namesUserIni = true;
        }
    }
    if (!namesSystemIni && !folder.empty()) {
        systemIni = Resolve(L"UnrealTournament.ini", folder);
    }
    if (!namesUserIni && !folder.empty()) {
        userIni = Resolve(L"User.ini", folder);
    }
    return (!systemIni.empty() && target.Names(FileIdentity(systemIni))) ||
           (!userIni.empty() && target.Names(FileIdentity(userIni)));
}

// A game or server in the process list that uses the file.
std::optional<GameProcess> GameInProcessList(const FileIdentity& target) {
    Handle snapshot{::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)};
    if (snapshot.h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.h, &entry); more;
         more = ::Process32NextW(snapshot.h, &entry)) {
        std::wstring name = NameOf(entry.szExeFile);
        if (entry.th32ProcessID != ::GetCurrentProcessId() && IsGameProgram(name) &&
            UsesFile(entry.th32ProcessID, target)) {
            return GameProcess{static_cast<long>(entry.th32ProcessID), Narrow(name)};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<GameProcess> FindGameUsing(const std::string& iniPath) {
    try {
        std::wstring path = SystemPath(iniPath);
        if (path.empty() || IsDevicePath(path)) {
            return std::nullopt;
        }
        FileIdentity target(path);
        std::optional<GameProcess> found;
        if (target.exists) {
            found = HolderOf(path);
        }
        return found ? found : GameInProcessList(target);
    } catch (...) {
        // Out of memory while reading a process: nothing found is the one
        // answer the caller can act on, as it promises never to raise.
        return std::nullopt;
    }
}

}  // namespace keelson::platform
