#pragma once
// keelson-cli: the program's operations without a display. Each command
// group lives in a file of its own and is reached through main.cpp, which
// turns errors into exit statuses:
//   0 done; 1 an error (its message, as the error box shows it, on stderr);
//   2 a usage error (a usage line on stderr); 3 a content problem that the
//   program recognises (its texts on stderr, one per line).

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/Errors.h"

namespace keelson::cli {

using Args = std::vector<std::string>;

// Wrong words on the command line; the message is the usage line to print.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Ends the command with exit status 3 and the problem's texts.
class ContentProblemExit : public std::exception {
  public:
    explicit ContentProblemExit(ContentProblem problem) : problem_(std::move(problem)) {}
    const ContentProblem& Problem() const { return problem_; }
    const char* what() const noexcept override { return "content problem"; }

  private:
    ContentProblem problem_;
};

// The command groups: args are the words after the group's name. Each
// returns the exit status or throws one of the errors above.
int RunBots(const Args& args, std::ostream& out);
int RunPackages(const Args& args, std::ostream& out);
int RunSettings(const Args& args, std::ostream& out);

// The lines of --help that each group contributes.
extern const std::string_view kBotsHelp;
extern const std::string_view kPackagesHelp;
extern const std::string_view kSettingsHelp;

}  // namespace keelson::cli
