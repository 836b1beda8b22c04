#pragma once
// What the bots commands share (BotsCommand.cpp, and the export in
// BotsExportCommand.cpp).

#include <optional>
#include <string>

#include "cli/Cli.h"
#include "core/bots/TBigKegOBotsDefine.h"

namespace keelson::cli {

inline constexpr const char* kUserIniHelp =
    "the user INI (default: the stored PathToUtUserIni, see keelson-cli settings show)";

// A bot library as read for a change: its bytes, to tell whether the change
// changed anything, and its bots.
struct LibraryFile {
    std::optional<std::string> bytes;  // nothing when there is no file yet
    TBigKegOBots roster;
};

// The library at path; a damaged one is an error ("Read beyond end of
// file"). With mayBeMissing, a missing file is an empty library.
LibraryFile ReadLibrary(const std::string& path, bool mayBeMissing = false);

// The user INI: the one named by --user-ini or as an operand (never both),
// or else the stored one.
std::string UserIni(const CLI::Option* userIniOption, const std::string& userIniValue,
                    const std::optional<std::string>& operand);

// keelson-cli bots export.
CLI::App* AddBotsExportCommand(CLI::App& bots, Action& chosen);

}  // namespace keelson::cli
