#pragma once
// Runs keelson-cli as a user would, with the words given, and collects what
// it printed and its exit status.

#include <map>
#include <string>
#include <vector>

namespace keelson::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Environment entries in env are set for the run (an empty value unsets).
CliResult RunCli(const std::vector<std::string>& words,
                 const std::map<std::string, std::string>& env = {},
                 const std::string& stdinBytes = {});

}  // namespace keelson::test
