#include "core/bots/BotFilters.h"

#include <memory>
#include <type_traits>
#include <variant>

#include "core/common/UTSharedUtils1.h"

namespace keelson {

BotTicks AllTicked(const TBigKegOBots& bots) {
    return BotTicks(static_cast<std::size_t>(bots.Count()), true);
}

std::string_view TextOf(const TBotRecord& bot, TextField field) {
    switch (field) {
        case TextField::Name:
            return bot.Name.View();
        case TextField::Class:
            return bot.Class.View();
        case TextField::Skin:
            return bot.Skin.View();
        case TextField::Face:
            return bot.Face.View();
        case TextField::Voice:
            return bot.Voice.View();
        case TextField::FavoriteWeapon:
            return bot.FavoriteWeapon.View();
    }
    return {};
}

namespace {

bool Compare(std::string_view f, TextComparison comparison, std::string_view t) {
    switch (comparison) {
        case TextComparison::Is:
            return f == t;
        case TextComparison::Includes:
            return !t.empty() && f.find(t) != std::string_view::npos;
        case TextComparison::DoesntInclude:
            return t.empty() || f.find(t) == std::string_view::npos;
        case TextComparison::StartsWith:
            return StartsWith(f, t);
    }
    return false;
}

// The rule's comparison with a text that has been upper-cased already when
// the rule ignores letter case.
bool MatchesPrepared(const TBotRecord& bot, const TextRule& rule, std::string_view text) {
    std::string_view field = TextOf(bot, rule.field);
    if (rule.caseSensitive) {
        return Compare(field, rule.comparison, text);
    }
    // Texts hold at most 255 bytes, so the upper-cased field fits in place.
    char upper[BotText::kCapacity];
    for (std::size_t i = 0; i < field.size(); ++i) {
        upper[i] = UpperAscii(field[i]);
    }
    return Compare(std::string_view(upper, field.size()), rule.comparison, text);
}

std::string PreparedText(const TextRule& rule) {
    return rule.caseSensitive ? rule.text : UpperAscii(rule.text);
}

}  // namespace

bool Matches(const TBotRecord& bot, const TextRule& rule) {
    return MatchesPrepared(bot, rule, PreparedText(rule));
}

std::size_t ApplyRule(const TBigKegOBots& bots, BotTicks& ticks, FilterAction action,
                      const TextRule& rule) {
    const std::string text = PreparedText(rule);
    const bool tick = action == FilterAction::Add;
    std::size_t changed = 0;
    for (int i = bots.Count(); i-- > 0;) {
        const auto at = static_cast<std::size_t>(i);
        if (ticks[at] != tick && MatchesPrepared(bots.Bot(i), rule, text)) {
            ticks[at] = tick;
            ++changed;
        }
    }
    return changed;
}

SliderRange ThresholdRange(ScaleField field) {
    return field == ScaleField::Aggression ? SliderRange{-2, 2} : SliderRange{-20, 20};
}

float ThresholdAt(ScaleField field, int position) {
    const double step = field == ScaleField::Aggression ? 0.5 : 0.05;
    return static_cast<float>(position * step);
}

float ValueOf(const TBotRecord& bot, ScaleField field) {
    switch (field) {
        case ScaleField::Aggression:
            return bot.CombatStyle;
        case ScaleField::StrafingAbility:
            return bot.StrafingAbility;
        case ScaleField::Alertness:
            return bot.Alertness;
        case ScaleField::Camping:
            return bot.Camping;
        case ScaleField::Accuracy:
            return bot.Accuracy;
        case ScaleField::Skill:
            return bot.Skill;
    }
    return 0.0f;
}

bool Matches(const TBotRecord& bot, const ScaleRule& rule) {
    const float v = ValueOf(bot, rule.field);
    const float h = rule.threshold;
    switch (rule.comparison) {
        case ScaleComparison::Less:
            return v < h;
        case ScaleComparison::LessOrEqual:
            return v <= h;
        case ScaleComparison::Equal:
            return v == h;
        case ScaleComparison::GreaterOrEqual:
            return v >= h;
        case ScaleComparison::Greater:
            return v > h;
    }
    return false;
}

std::uint8_t TeamByteOf(TeamChoice team) {
    switch (team) {
        case TeamChoice::Red:
            return kTeamRed;
        case TeamChoice::Blue:
            return kTeamBlue;
        case TeamChoice::Green:
            return kTeamGreen;
        case TeamChoice::Gold:
            return kTeamGold;
        case TeamChoice::Neutral:
            return kNoTeam;
    }
    return kNoTeam;
}

bool Matches(const TBotRecord& bot, const TeamRule& rule) {
    return bot.Team == TeamByteOf(rule.team);
}

bool Matches(const TBotRecord& bot, const JumpyRule& rule) {
    const bool jumps = bot.Jumpy != 0;
    return rule.condition == JumpyCondition::Jumps ? jumps : !jumps;
}

std::string_view PackageOfField(std::string_view field) {
    std::size_t dot = field.find('.');
    return dot == std::string_view::npos ? std::string_view{} : field.substr(0, dot);
}

bool ServerSendsPackagesOf(const TBotRecord& bot, const PackageList& serverPackages) {
    for (const BotText* field : {&bot.Class, &bot.Face, &bot.Skin, &bot.Voice}) {
        std::string_view package = PackageOfField(field->View());
        if (!package.empty() && !serverPackages.Holds(package)) {
            return false;
        }
    }
    return true;
}

std::size_t UntickBotsNotInServerPackages(const TBigKegOBots& bots, BotTicks& ticks,
                                          const PackageList& serverPackages) {
    std::size_t changed = 0;
    for (int i = 0; i < bots.Count(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (ticks[at] && !ServerSendsPackagesOf(bots.Bot(i), serverPackages)) {
            ticks[at] = false;
            ++changed;
        }
    }
    return changed;
}

std::size_t ApplyFilter(const TBigKegOBots& bots, BotTicks& ticks, const BotFilter& filter) {
    return std::visit(
        [&](const auto& rule) -> std::size_t {
            using Rule = std::decay_t<decltype(rule)>;
            if constexpr (std::is_same_v<Rule, ServerPackagesRule>) {
                return UntickBotsNotInServerPackages(bots, ticks, rule.serverPackages);
            } else {
                return ApplyRule(bots, ticks, filter.action, rule);
            }
        },
        filter.rule);
}

TBigKegOBots TickedBots(const TBigKegOBots& bots, const BotTicks& ticks) {
    std::vector<std::unique_ptr<TBotRecord>> kept;
    for (int i = 0; i < bots.Count(); ++i) {
        if (ticks[static_cast<std::size_t>(i)]) {
            kept.push_back(std::make_unique<TBotRecord>(bots.Bot(i)));
        }
    }
    TBigKegOBots out;
    out.AppendAll(std::move(kept));
    return out;
}

}  // namespace keelson
