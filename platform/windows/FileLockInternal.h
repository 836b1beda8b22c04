#pragma once
// Between the lock and the rewrite on Windows: a file that a handle holds
// open cannot be replaced, so the rewrite lets go of this process's lock on
// the file just before it moves the new file into place and takes it again
// on the new file right after.

#include <string>

namespace keelson::platform {

// True when this process held a lock on the file and has let go of it.
bool ReleaseLockForReplace(const std::string& path);

// Takes the lock again, on the file now at the path.
void RetakeLockAfterReplace(const std::string& path);

}  // namespace keelson::platform
