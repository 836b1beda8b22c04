#pragma once
// The export's filter rules. Each export starts with every bot of its roster
// ticked; a rule then ticks ("Add") or unticks ("Remove") the bots that match
// it and leaves the ticks of the others alone, so rules applied one after
// the other narrow or widen the selection. The export wizard and keelson-cli
// share these rules. Rules read the bots' fields, never their labels.
//
// Ticks are one per bot, in roster order: ticks[i] belongs to bot i, and
// every function below takes ticks of the roster's size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/bots/TBigKegOBotsDefine.h"
#include "core/bots/TBotDefine.h"
#include "core/packages/PackageListRules.h"

namespace keelson {

using BotTicks = std::vector<bool>;

// Every bot ticked: where each export starts.
BotTicks AllTicked(const TBigKegOBots& bots);

enum class FilterAction { Add, Remove };  // Add ticks, Remove unticks

// ---- Text fields ----

// In the order of the wizard's list.
enum class TextField { Name, Class, Skin, Face, Voice, FavoriteWeapon };
enum class TextComparison { Is, Includes, DoesntInclude, StartsWith };

// Without caseSensitive the field and the text are both upper-cased (a to z
// only) before they are compared. An empty text occurs nowhere: "includes"
// then matches no bot, "doesn't include" and "starts with" every bot.
struct TextRule {
    TextField field = TextField::Name;
    TextComparison comparison = TextComparison::Is;
    std::string text;
    bool caseSensitive = false;
};

std::string_view TextOf(const TBotRecord& bot, TextField field);
bool Matches(const TBotRecord& bot, const TextRule& rule);

// ---- Numeric scales ----

// In the order of the wizard's list, which differs from the editor's.
enum class ScaleField { Aggression, StrafingAbility, Alertness, Camping, Accuracy, Skill };
enum class ScaleComparison { Less, LessOrEqual, Equal, GreaterOrEqual, Greater };

// The threshold slider's positions: -2 to 2 for aggression (steps of 0.5),
// -20 to 20 for the others (steps of 0.05), so that it runs from -1 to +1 in
// the steps of the editor's sliders.
struct SliderRange {
    int minimum;
    int maximum;
};
SliderRange ThresholdRange(ScaleField field);

// The threshold at a slider position: the product computed in double and
// stored as the nearest float, as the editor stores a slider's value, so a
// value set with a slider is exactly equal to the threshold at its position.
float ThresholdAt(ScaleField field, int position);

struct ScaleRule {
    ScaleField field = ScaleField::Aggression;
    ScaleComparison comparison = ScaleComparison::Less;
    float threshold = 0.0f;
};

float ValueOf(const TBotRecord& bot, ScaleField field);
bool Matches(const TBotRecord& bot, const ScaleRule& rule);

// ---- Team and jumping ----

// In the order of the wizard's list; Neutral is the byte 255 only, not any
// other value outside 0 to 3.
enum class TeamChoice { Red, Blue, Green, Gold, Neutral };
std::uint8_t TeamByteOf(TeamChoice team);

struct TeamRule {
    TeamChoice team = TeamChoice::Red;
};
bool Matches(const TBotRecord& bot, const TeamRule& rule);

// A bot jumps excessively when its Jumpy byte is not 0, as the user INI
// writer and the editor's tick box read it.
enum class JumpyCondition { Jumps, DoesntJump };

struct JumpyRule {
    JumpyCondition condition = JumpyCondition::DoesntJump;
};
bool Matches(const TBotRecord& bot, const JumpyRule& rule);

// Applies a rule to every bot, from the last to the first. Returns how many
// ticks changed.
template <typename Rule>
std::size_t ApplyRule(const TBigKegOBots& bots, BotTicks& ticks, FilterAction action,
                      const Rule& rule) {
    const bool tick = action == FilterAction::Add;
    std::size_t changed = 0;
    for (int i = bots.Count(); i-- > 0;) {
        if (ticks[static_cast<std::size_t>(i)] != tick && Matches(bots.Bot(i), rule)) {
            ticks[static_cast<std::size_t>(i)] = tick;
            ++changed;
        }
    }
    return changed;
}

// The text rule upper-cases its text once for all bots.
std::size_t ApplyRule(const TBigKegOBots& bots, BotTicks& ticks, FilterAction action,
                      const TextRule& rule);

// ---- Server packages ----

// The package of a field: the part before its first ".", empty when the
// field has none ("Botpack.TMale1Bot" is in the package "Botpack").
std::string_view PackageOfField(std::string_view field);

// True when the server sends every package that the bot's class, face, skin
// and voice come from: an empty package needs nothing, any other must equal
// an entry of the list, ignoring the letter case of a to z. A listed
// "SoldierSkins" does not send "Soldier". The favourite weapon is not tested.
bool ServerSendsPackagesOf(const TBotRecord& bot, const PackageList& serverPackages);

// Unticks every bot whose packages the server does not send; never ticks.
// Returns how many ticks changed.
std::size_t UntickBotsNotInServerPackages(const TBigKegOBots& bots, BotTicks& ticks,
                                          const PackageList& serverPackages);

// ---- Rules in sequence (keelson-cli) ----

struct ServerPackagesRule {
    PackageList serverPackages;
};

struct BotFilter {
    FilterAction action = FilterAction::Remove;  // ServerPackagesRule only unticks
    std::variant<TextRule, ScaleRule, TeamRule, JumpyRule, ServerPackagesRule> rule;
};

std::size_t ApplyFilter(const TBigKegOBots& bots, BotTicks& ticks, const BotFilter& filter);

// ---- The export ----

// Copies of the ticked bots, in roster order: what an export writes.
TBigKegOBots TickedBots(const TBigKegOBots& bots, const BotTicks& ticks);

}  // namespace keelson
