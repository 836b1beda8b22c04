#pragma once
// The program's errors. A recognised problem with a file's content is a
// result value (ContentProblem); everything else that stops an action is an
// exception whose message is the text the error box shows.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// An index outside a list: "List index out of bounds (5)".
class ListIndexError : public KeelsonError {
  public:
    explicit ListIndexError(long long index);
};

// A settings store (registry) operation failed: "Failed to set data for 'X'".
class RegistryError : public KeelsonError {
  public:
    using KeelsonError::KeelsonError;
};

// A problem with a file's content that the program recognises and shows in a
// plain message box: one text, or several (the missing-modification notice
// has three). The command line prints one text per line.
struct ContentProblem {
    std::vector<std::string> texts;
};

inline constexpr std::string_view kNotUtIniMessage = "Error: This doesn't seem to be a UT INI file";

// What the error box shows for a message: a full stop is added when the
// message's last character has a higher code than ".".
std::string ErrorBoxText(std::string_view message);

// The program's wording for a system error code (errno elsewhere, the
// Windows error code on Windows).
std::string SystemErrorText(int code);

// Error codes of the program's own that have a fixed wording.
inline constexpr int kReadBeyondEndOfFile = 100;
inline constexpr int kDiskFull = 101;

}  // namespace keelson
