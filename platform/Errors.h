#pragma once
// The errors that the platform layer raises, with the system's wording of a
// failed file operation ("File not found", "Disk full", ...). The core adds
// its own errors beside them (core/common/Errors.h).

#include <stdexcept>
#include <string>

namespace keelson {

// Base of every error the program raises itself.
class KeelsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file operation failed; the message carries the system's wording
// ("File not found", "Disk full", ...).
class FileError : public KeelsonError {
  public:
    using KeelsonError::KeelsonError;
};

// A settings store (registry) operation failed: "Failed to set data for 'X'".
class RegistryError : public KeelsonError {
  public:
    using KeelsonError::KeelsonError;
};

// The program's wording for a system error code (errno elsewhere, the
// Windows error code on Windows).
std::string SystemErrorText(int code);

// Error codes of the program's own that have a fixed wording.
inline constexpr int kReadBeyondEndOfFile = 100;
inline constexpr int kDiskFull = 101;

}  // namespace keelson
