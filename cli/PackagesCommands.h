#pragma once
// What the packages commands share (PackagesCommand.cpp, and check, info and
// deps in PackageCheckCommands.cpp).

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/packages/PackageListRules.h"
#include "core/packages/SvPackFiles.h"

namespace keelson::cli {

// The words of a packages command.
struct PackagesWords {
    std::string systemIni;
    CLI::Option* systemIniOption = nullptr;
    std::string section = std::string(kGameEngineSection);  // --section
    bool reverse = false;                                   // --reverse
    bool json = false;
    bool dryRun = false;
    bool quiet = false;
    std::vector<std::string> names;
    std::vector<std::string> files;   // --file
    std::string group;                // --group
    std::string preset;               // --preset
    bool missing = false;             // --missing
    std::vector<std::string> filter;  // --filter METHOD TEXT
};

// The system INI to work on: the one named, or else the stored setting.
std::string SystemIniPath(const PackagesWords& w);

// The ServerPackages list of section in systemIni; its errors name the file.
PackageList ReadList(const std::string& systemIni, const std::string& section);

// --system-ini PATH and --section NAME.
void AddSystemIniOption(CLI::App& command, PackagesWords& w);

// keelson-cli packages check, info and deps.
void AddPackageCheckCommands(CLI::App& packages, Action& chosen);

}  // namespace keelson::cli
