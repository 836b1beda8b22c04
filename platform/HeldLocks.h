#pragma once
// The locks that this process holds, by file: a lock taken again on a file
// the process has locked already shares the one it holds, so that locks
// nest. An entry goes when the last FileLock that shares it ends.

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"

namespace keelson::platform {

// Held: a type with a member key (std::string) naming its file.
template <typename Held>
class HeldLocks {
  public:
    // The lock held on the file of key; empty when none is.
    std::shared_ptr<Held> Find(const std::string& key) {
        std::lock_guard<std::mutex> guard(mutex_);
        std::shared_ptr<Held> found;
        held_.erase(std::remove_if(held_.begin(), held_.end(),
                                   [&](const std::weak_ptr<Held>& weak) {
                                       std::shared_ptr<Held> held = weak.lock();
                                       if (held && held->key == key) {
                                           found = held;
                                       }
                                       return !held;
                                   }),
                    held_.end());
        return found;
    }

    void Add(const std::shared_ptr<Held>& held) {
        std::lock_guard<std::mutex> guard(mutex_);
        held_.push_back(held);
    }

  private:
    std::mutex mutex_;
    std::vector<std::weak_ptr<Held>> held_;
};

// Between two tries to take a lock that another program holds: raises
// FileBusyError once the deadline has passed, else waits a little.
inline void WaitToRetryLock(std::chrono::steady_clock::time_point deadline,
                            const std::string& path) {
    if (std::chrono::steady_clock::now() >= deadline) {
        throw FileBusyError(path);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace keelson::platform
