#include "cli/ExportRules.h"

#include <CLI/CLI.hpp>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/Cli.h"
#include "core/packages/SvPackFiles.h"
#include "core/settings/StoredPaths.h"
#include "platform/FileSystem.h"

namespace keelson::cli {

const char* const kExportRulesHelp =
    "Rules tick or untick bots (all ticked at first) in the order given:\n"
    "  --text add|remove FIELD is|includes|doesnt-include|starts-with TEXT\n"
    "         [--case-sensitive]   FIELD: name model skin face voice weapon\n"
    "  --scale add|remove FIELD lt|le|eq|ge|gt POSITION\n"
    "         FIELD: aggression (POSITION -2 to 2, steps of 0.5), strafing alertness\n"
    "         camping accuracy skill (POSITION -20 to 20, steps of 0.05)\n"
    "  --team add|remove red|blue|green|gold|neutral\n"
    "  --jumpy add|remove yes|no\n"
    "  --server-packages [--system-ini PATH]   unticks the bots whose model, skin,\n"
    "         face or voice comes from a package the system INI does not list\n"
    "add ticks the bots that match, remove unticks them. --dry-run prints the\n"
    "labels of the ticked bots instead of writing.\n";

namespace {

template <typename T, std::size_t N>
using WordTable = std::array<std::pair<std::string_view, T>, N>;

constexpr WordTable<FilterAction, 2> kActions{
    {{"add", FilterAction::Add}, {"remove", FilterAction::Remove}}};
constexpr WordTable<TextField, 6> kTextFields{{{"name", TextField::Name},
                                               {"model", TextField::Class},
                                               {"skin", TextField::Skin},
                                               {"face", TextField::Face},
                                               {"voice", TextField::Voice},
                                               {"weapon", TextField::FavoriteWeapon}}};
constexpr WordTable<TextComparison, 4> kTextComparisons{
    {{"is", TextComparison::Is},
     {"includes", TextComparison::Includes},
     {"doesnt-include", TextComparison::DoesntInclude},
     {"starts-with", TextComparison::StartsWith}}};
constexpr WordTable<ScaleField, 6> kScaleFields{{{"aggression", ScaleField::Aggression},
                                                 {"strafing", ScaleField::StrafingAbility},
                                                 {"alertness", ScaleField::Alertness},
                                                 {"camping", ScaleField::Camping},
                                                 {"accuracy", ScaleField::Accuracy},
                                                 {"skill", ScaleField::Skill}}};
constexpr WordTable<ScaleComparison, 5> kScaleComparisons{{{"lt", ScaleComparison::Less},
                                                           {"le", ScaleComparison::LessOrEqual},
                                                           {"eq", ScaleComparison::Equal},
                                                           {"ge", ScaleComparison::GreaterOrEqual},
                                                           {"gt", ScaleComparison::Greater}}};
constexpr WordTable<TeamChoice, 5> kTeams{{{"red", TeamChoice::Red},
                                           {"blue", TeamChoice::Blue},
                                           {"green", TeamChoice::Green},
                                           {"gold", TeamChoice::Gold},
                                           {"neutral", TeamChoice::Neutral}}};
constexpr WordTable<JumpyCondition, 2> kJumpy{
    {{"yes", JumpyCondition::Jumps}, {"no", JumpyCondition::DoesntJump}}};

// The value of a word in a table; anything else is a usage error that
// lists the words allowed.
template <typename T, std::size_t N>
T Lookup(const WordTable<T, N>& table, const std::string& word, std::string_view option,
         std::string_view what) {
    std::string allowed;
    for (const auto& [name, value] : table) {
        if (name == word) {
            return value;
        }
        allowed += allowed.empty() ? "" : ", ";
        allowed += name;
    }
    throw UsageError(std::string(option) + ": unknown " + std::string(what) + " " + word + " (" +
                     allowed + ")");
}

int SliderPosition(const std::string& word, ScaleField field) {
    const SliderRange range = ThresholdRange(field);
    int position = 0;
    const char* end = word.data() + word.size();
    auto [stop, error] = std::from_chars(word.data(), end, position);
    if (word.empty() || error != std::errc() || stop != end || position < range.minimum ||
        position > range.maximum) {
        throw UsageError("--scale: POSITION must be a whole number from " +
                         std::to_string(range.minimum) + " to " + std::to_string(range.maximum) +
                         " for this field: " + word);
    }
    return position;
}

// One occurrence of a rule option: its words go through fill, which
// appends the rule.
void AddRuleOption(CLI::App& command, const std::string& name, int words,
                   const std::string& typeName, const std::string& description,
                   std::function<void(const std::vector<std::string>&)> fill) {
    command
        .add_option(
            name,
            [fill = std::move(fill)](const CLI::results_t& results) {
                std::vector<std::string> values;
                for (const std::string& word : results) {
                    values.push_back(UnmarkedWord(word));
                }
                fill(values);
                return true;
            },
            description)
        ->type_name(typeName)
        ->expected(words)
        ->allow_extra_args(false)
        ->trigger_on_parse();
}

template <typename Rule>
void Append(std::vector<BotFilter>& rules, FilterAction action, Rule rule) {
    BotFilter& filter = rules.emplace_back();
    filter.action = action;
    filter.rule.emplace<Rule>(std::move(rule));
}

std::string SystemIniPath(const ExportRules& rules) {
    std::string path = rules.systemIniOption->count() > 0 ? rules.systemIni : StoredSystemIniPath();
    if (!platform::FileExists(path)) {
        throw FileProblem(path, "File not found");
    }
    return path;
}

}  // namespace

void AddExportRuleOptions(CLI::App& command, ExportRules& into) {
    std::vector<BotFilter>& rules = into.rules;
    AddRuleOption(command, "--text", 4, "ACTION FIELD COMPARISON TEXT",
                  "tick (add) or untick (remove) bots by a text field", [&rules](const auto& w) {
                      TextRule rule;
                      rule.field = Lookup(kTextFields, w[1], "--text", "field");
                      rule.comparison = Lookup(kTextComparisons, w[2], "--text", "comparison");
                      rule.text = w[3];
                      Append(rules, Lookup(kActions, w[0], "--text", "action"), rule);
                  });
    command
        .add_option(
            "--case-sensitive",
            [&rules](const CLI::results_t&) {
                if (rules.empty() || !std::holds_alternative<TextRule>(rules.back().rule)) {
                    throw UsageError("--case-sensitive goes right after the --text rule it is for");
                }
                std::get<TextRule>(rules.back().rule).caseSensitive = true;
                return true;
            },
            "the --text rule before it tells a from A")
        ->expected(0)
        ->trigger_on_parse();
    AddRuleOption(command, "--scale", 4, "ACTION FIELD COMPARISON POSITION",
                  "tick or untick bots by a numeric scale", [&rules](const auto& w) {
                      ScaleRule rule;
                      rule.field = Lookup(kScaleFields, w[1], "--scale", "field");
                      rule.comparison = Lookup(kScaleComparisons, w[2], "--scale", "comparison");
                      rule.threshold = ThresholdAt(rule.field, SliderPosition(w[3], rule.field));
                      Append(rules, Lookup(kActions, w[0], "--scale", "action"), rule);
                  });
    AddRuleOption(command, "--team", 2, "ACTION TEAM", "tick or untick bots by team",
                  [&rules](const auto& w) {
                      Append(rules, Lookup(kActions, w[0], "--team", "action"),
                             TeamRule{Lookup(kTeams, w[1], "--team", "team")});
                  });
    AddRuleOption(command, "--jumpy", 2, "ACTION yes|no",
                  "tick or untick bots that jump excessively (yes) or not (no)",
                  [&rules](const auto& w) {
                      Append(rules, Lookup(kActions, w[0], "--jumpy", "action"),
                             JumpyRule{Lookup(kJumpy, w[1], "--jumpy", "condition")});
                  });
    command
        .add_option(
            "--server-packages",
            [&rules](const CLI::results_t&) {
                Append(rules, FilterAction::Remove, ServerPackagesRule{});
                return true;
            },
            "untick the bots whose packages the system INI's ServerPackages do not list")
        ->expected(0)
        ->trigger_on_parse();
    into.systemIniOption =
        command
            .add_option("--system-ini", into.systemIni,
                        "the system INI of --server-packages (default: the stored "
                        "PathToUtSysIni, see keelson-cli settings show)")
            ->type_name("PATH");
}

void CheckExportRuleOptions(const ExportRules& rules) {
    if (rules.systemIniOption->count() == 0) {
        return;
    }
    for (const BotFilter& filter : rules.rules) {
        if (std::holds_alternative<ServerPackagesRule>(filter.rule)) {
            return;
        }
    }
    throw UsageError("--system-ini is for --server-packages, which is not given");
}

BotTicks TicksAfterRules(const ExportRules& rules, const TBigKegOBots& bots) {
    std::optional<PackageList> serverPackages;
    for (const BotFilter& filter : rules.rules) {
        if (std::holds_alternative<ServerPackagesRule>(filter.rule) && !serverPackages) {
            const std::string path = SystemIniPath(rules);
            serverPackages.emplace();
            OnFile(path, [&] { ReadServerPackages(*serverPackages, path); });
        }
    }
    BotTicks ticks = AllTicked(bots);
    for (const BotFilter& filter : rules.rules) {
        if (std::holds_alternative<ServerPackagesRule>(filter.rule)) {
            UntickBotsNotInServerPackages(bots, ticks, *serverPackages);
        } else {
            ApplyFilter(bots, ticks, filter);
        }
    }
    return ticks;
}

}  // namespace keelson::cli
