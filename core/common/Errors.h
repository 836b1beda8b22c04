#pragma once
// The program's errors, beside the platform's file and store errors. A recognised problem with a
// file's content is a result value (ContentProblem); everything else that stops an action is an
// exception whose message is the text the error box shows.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"

namespace keelson {

// An index outside a list: "List index out of bounds (5)".
class ListIndexError : public KeelsonError {
  public:
    explicit ListIndexError(long long index);
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

}  // namespace keelson
