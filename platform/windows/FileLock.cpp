// Locks on Windows: LockFileEx on one byte far beyond any real file's end,
// so that the lock keeps other writers out without keeping readers out of
// the file's content.

#include <windows.h>

#include <cstdlib>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/HeldLocks.h"
#include "platform/PathText.h"
#include "platform/windows/FileLockInternal.h"
#include "platform/windows/SystemPath.h"

namespace keelson::platform {

struct FileLock::Held {
    std::string key;
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Held() {
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);  // releases the lock
        }
    }
};

namespace {

HeldLocks<FileLock::Held> gHeld;
std::function<void(std::string_view)> gWriteHook;

// One file's locks nest however its path is spelt.
std::string LockKey(const std::string& path) {
    const std::wstring system = SystemPath(path);
    return UpperAscii(system.empty() ? path : Narrow(system));
}

// A device is never opened: a serial port could wait for ever.
HANDLE OpenShared(const std::string& path) {
    const std::wstring system = SystemPath(path);
    if (system.empty() || IsDevicePath(system)) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(system.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool LockBeyondEnd(HANDLE file) {
    OVERLAPPED beyondEnd{};
    beyondEnd.Offset = 0xFFFFFFFEu;
    beyondEnd.OffsetHigh = 0x7FFFFFFFu;
    return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &beyondEnd) != 0;
}

}  // namespace

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) {
    if (path.empty()) {
        return;
    }
    const std::string key = LockKey(path);
    if ((held_ = gHeld.Find(key))) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        HANDLE file = OpenShared(path);
        if (file == INVALID_HANDLE_VALUE) {
            return;  // a missing file is created whole; other errors show on reading
        }
        if (!LockBeyondEnd(file)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
                return;  // no locks on this file system
            }
            WaitToRetryLock(deadline, path);
            continue;
        }
        // The file may have been replaced while this process waited.
        HANDLE now = OpenShared(path);
        const bool same = now != INVALID_HANDLE_VALUE && SameFileHandles(file, now);
        if (now != INVALID_HANDLE_VALUE) {
            ::CloseHandle(now);
        }
        if (!same) {
            ::CloseHandle(file);
            continue;
        }
        held_ = std::make_shared<Held>();
        held_->key = key;
        held_->file = file;
        gHeld.Add(held_);
        return;
    }
}

FileLock::~FileLock() = default;

bool ReleaseLockForReplace(const std::string& path) {
    std::shared_ptr<FileLock::Held> held = gHeld.Find(LockKey(path));
    if (!held || held->file == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(held->file);
    held->file = INVALID_HANDLE_VALUE;
    return true;
}

void RetakeLockAfterReplace(const std::string& path) {
    std::shared_ptr<FileLock::Held> held = gHeld.Find(LockKey(path));
    if (!held) {
        return;
    }
    HANDLE file = OpenShared(path);
    // Another program may have won the new file meanwhile; it then reads
    // the complete new content, so nothing is lost.
    if (file != INVALID_HANDLE_VALUE && !LockBeyondEnd(file)) {
        ::CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    held->file = file;
}

std::string BackupFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    return std::string(local != nullptr && *local != '\0' ? local : ".") + "\\keelson\\backups";
}

void SetWriteHookForTesting(std::function<void(std::string_view)> hook) {
    gWriteHook = std::move(hook);
}

}  // namespace keelson::platform
