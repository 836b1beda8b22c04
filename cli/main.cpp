#include <cstdio>
#include <iostream>
#include <new>

#include "cli/Cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace keelson;

void PrintHelp(std::ostream& out) {
    out << "keelson-cli: Keelson's bot libraries, server packages and settings without a display.\n"
           "\n"
        << cli::kBotsHelp << "\n"
        << cli::kPackagesHelp << "\n"
        << cli::kSettingsHelp << "\n"
        << "Exit status: 0 done, 1 error, 2 usage error, 3 a problem with a file's content.\n";
}

int Dispatch(const cli::Args& words, std::ostream& out) {
    const std::string& group = words[0];
    cli::Args rest(words.begin() + 1, words.end());
    if (group == "bots") {
        return cli::RunBots(rest, out);
    }
    if (group == "packages") {
        return cli::RunPackages(rest, out);
    }
    if (group == "settings") {
        return cli::RunSettings(rest, out);
    }
    throw cli::UsageError("keelson-cli bots|packages|settings ... (see keelson-cli --help)");
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Texts are bytes: no line-end or code-page translation on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    cli::Args words(argv + 1, argv + argc);
    if (!words.empty() && (words[0] == "--help" || words[0] == "-h" || words[0] == "help")) {
        PrintHelp(std::cout);
        return 0;
    }
    if (words.empty()) {
        std::cerr << "usage: keelson-cli bots|packages|settings ... (see keelson-cli --help)\n";
        return 2;
    }
    try {
        int status = Dispatch(words, std::cout);
        std::cout.flush();
        return status;
    } catch (const cli::UsageError& e) {
        std::cout.flush();
        std::cerr << "usage: " << e.what() << "\n";
        return 2;
    } catch (const cli::ContentProblemExit& e) {
        std::cout.flush();
        for (const std::string& text : e.Problem().texts) {
            std::cerr << text << "\n";
        }
        return 3;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << ErrorBoxText("Out of memory") << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << ErrorBoxText(e.what()) << "\n";
        return 1;
    }
}
