#pragma once
// The rule options of `keelson-cli bots export`: the export wizard's filter
// rules, applied to the ticks of the library's bots (all ticked at first) in
// the order given on the command line.
//
//   --text add|remove FIELD is|includes|doesnt-include|starts-with TEXT
//          [--case-sensitive]        FIELD: name model skin face voice weapon
//   --scale add|remove FIELD lt|le|eq|ge|gt POSITION
//          FIELD: aggression strafing alertness camping accuracy skill;
//          POSITION the threshold slider's position (-2 to 2 for
//          aggression, -20 to 20 for the others)
//   --team add|remove red|blue|green|gold|neutral
//   --jumpy add|remove yes|no
//   --server-packages                unticks by the system INI's list
//   --system-ini PATH                that system INI (default: the stored one)
//
// Wrong words are usage errors, found while the command line is read, before
// any file is touched.

#include <string>
#include <vector>

#include "core/bots/BotFilters.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace keelson::cli {

struct ExportRules {
    // In the order given. A ServerPackages rule gets the system INI's list
    // only when the rules are applied.
    std::vector<BotFilter> rules;
    std::string systemIni;
    CLI::Option* systemIniOption = nullptr;
};

// Adds the rule options and --system-ini to the export command; the rules
// land in `into`, which must outlive the parse.
void AddExportRuleOptions(CLI::App& command, ExportRules& into);

// Usage errors that only the whole command line shows (--system-ini
// without --server-packages); run once it has been read.
void CheckExportRuleOptions(const ExportRules& rules);

// The lines of --help about the rules.
extern const char* const kExportRulesHelp;

// Ticks every bot, then applies the rules in order. The system INI is read
// once, and only when a ServerPackages rule is given; a missing one is an
// error about its path ("File not found").
BotTicks TicksAfterRules(const ExportRules& rules, const TBigKegOBots& bots);

}  // namespace keelson::cli
