#pragma once
// keelson-cli: the program's operations without a display.
//
// One parser reads the whole command line: CLI11, with a subcommand for each
// command group (bots, packages, settings) and one under it for each
// command. Each group file adds its commands to the parser; a command's
// options and operands go into a structure of its own, and the parser's
// callback for the command stores what to run in the Action that main.cpp
// runs once the whole line has been read. main.cpp turns errors into exit
// statuses:
//   0 done; 1 an error (its message, as the error box shows it, on stderr);
//   2 a usage error; 3 a content problem that the program recognises (its
//   texts on stderr, one per line); 4 packages check found an error, so
//   that a start script can refuse to start a server that would fail; 5 a
//   running game uses the INI that the command would rewrite.
// Every message starts with "keelson-cli: " and names the file it is about.

#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Versions.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace keelson::cli {

// What the chosen command does once the command line has been read: it
// prints on out and returns the exit status, or throws one of the errors
// below.
using Action = std::function<int(std::ostream& out)>;

// The command groups: each adds its subcommand and the commands under it.
void AddBotsCommands(CLI::App& app, Action& chosen);
void AddPackagesCommands(CLI::App& app, Action& chosen);
void AddSettingsCommands(CLI::App& app, Action& chosen);
void AddVersionsCommands(CLI::App& app, Action& chosen);

// Wrong words on the command line found once the parser has read them (a
// file named twice, a field that does not exist). Exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An error about one file: "keelson-cli: PATH: File not found.".
class FileProblem : public KeelsonError {
  public:
    FileProblem(std::string path, const std::string& message)
        : KeelsonError(message), path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// Ends the command with exit status 3 and the problem's texts; the first
// line names the file.
class ContentProblemExit : public std::exception {
  public:
    ContentProblemExit(std::string path, ContentProblem problem)
        : path_(std::move(path)), problem_(std::move(problem)) {}
    const std::string& Path() const { return path_; }
    const ContentProblem& Problem() const { return problem_; }
    const char* what() const noexcept override { return "content problem"; }

  private:
    std::string path_;
    ContentProblem problem_;
};

// Runs f, turning the program's errors (FileError, ListIndexError, ...)
// into a FileProblem about path.
template <typename F>
decltype(auto) OnFile(const std::string& path, F&& f) {
    try {
        return f();
    } catch (const FileProblem&) {
        throw;
    } catch (const platform::GameRunningError&) {
        throw;  // exit status 5, its message names the file
    } catch (const KeelsonError& e) {
        throw FileProblem(path, e.what());
    }
}

// "keelson-cli: " and, unless the message names it already, "PATH: ".
std::string MessageAbout(const std::string& path, std::string_view message);

// ---- Building commands ----

// An operand (a file, a name, an index): a word that starts with "-" is a
// usage error unless it comes after "--", so that a misplaced or mistyped
// option is never taken for a name.
CLI::Option* AddOperand(CLI::App& command, const std::string& name, std::string& into,
                        const std::string& description);
CLI::Option* AddOperands(CLI::App& command, const std::string& name, std::vector<std::string>& into,
                         const std::string& description);

// The usage error for a word that starts with "-" and is no option of the
// command: "unknown option WORD (a name that starts with "-" goes after --)".
std::string UnknownOptionMessage(const std::string& word);

// --quiet: no summary of what the command changed.
void AddQuietFlag(CLI::App& command, bool& quiet);
// --json: one JSON document instead of lines.
void AddJsonFlag(CLI::App& command, bool& json);
// --no-versions (keep no version of the file replaced) and, for a command
// that rewrites an INI, --force (rewrite it although a running game uses
// it): they set the process's rewrite policy as the command line is read.
void AddRewriteFlags(CLI::App& command, bool rewritesIni);

// The words of the command line as the parser gets them: every word after
// "--" that starts with "-" is marked, so that AddOperand's operands know it
// was meant as a name ("--" itself is dropped).
std::vector<std::string> MarkWordsAfterEndOfOptions(std::vector<std::string> words);
// A word as it was typed, with the mark above taken off: for option values
// that may start with "-" (a text to look for) when given after "--".
std::string UnmarkedWord(std::string word);

// ---- Output ----

// The summary lines of an editing command, unless --quiet.
class Report {
  public:
    Report(std::ostream& out, bool quiet) : out_(out), quiet_(quiet) {}
    void Line(std::string_view text) {
        if (!quiet_) {
            out_ << text << '\n';
        }
    }
    // "PATH: unchanged": the command found nothing to change and wrote nothing.
    void Unchanged(const std::string& path) { Line(path + ": unchanged"); }

  private:
    std::ostream& out_;
    bool quiet_;
};

// Writes the pieces over the game file at path, atomically and keeping a
// version (see WriteFileAtomically); an INI's errors are worded as the
// windows word them.
void WriteGameFile(const std::string& path, platform::Pieces pieces, platform::GameFile kind);

// Writes bytes over the game file at path (as WriteGameFile) unless current, what the file holds
// now, is the same bytes; returns true when it wrote. A file that is not written keeps its time
// too.
bool WriteIfChanged(const std::string& path, std::string_view bytes,
                    std::optional<std::string_view> current, platform::GameFile kind);

}  // namespace keelson::cli
