#include "core/bots/TBotDefine.h"

#include "core/common/UTSharedUtils1.h"

namespace keelson {

namespace {

std::string_view TeamLabel(std::uint8_t team) {
    switch (team) {
        case kTeamRed:
            return " (Red ";
        case kTeamBlue:
            return " (Blue ";
        case kTeamGreen:
            return " (Green ";
        case kTeamGold:
            return " (Gold ";
        default:
            return " (neutral ";
    }
}

}  // namespace

std::string BotFieldLines(const TBotRecord& bot) {
    std::string out;
    auto field = [&](std::string_view name, std::string_view value) {
        out.append(name).append("=").append(value).append("\n");
    };
    field("Name", bot.Name.View());
    field("Team", std::to_string(static_cast<unsigned>(bot.Team)));
    field("Skill", FloatToFixedText(bot.Skill));
    field("Accuracy", FloatToFixedText(bot.Accuracy));
    field("CombatStyle", FloatToFixedText(bot.CombatStyle));
    field("Alertness", FloatToFixedText(bot.Alertness));
    field("Camping", FloatToFixedText(bot.Camping));
    field("StrafingAbility", FloatToFixedText(bot.StrafingAbility));
    field("FavoriteWeapon", bot.FavoriteWeapon.View());
    field("Class", bot.Class.View());
    field("Skin", bot.Skin.View());
    field("Face", bot.Face.View());
    field("Voice", bot.Voice.View());
    field("Jumpy", std::to_string(static_cast<unsigned>(bot.Jumpy)));
    out += "\n";
    return out;
}

std::string BotDisplayLabel(const TBotRecord& bot) {
    std::string_view team = TeamLabel(bot.Team);
    std::string label;
    label.reserve(bot.Name.size() + team.size() + bot.Class.size() + 3 + bot.Skin.size() + 1);
    label.append(bot.Name.View());
    label.append(team);
    label.append(bot.Class.View());
    label.append(" / ");
    label.append(bot.Skin.View());
    label.append(")");
    return label;
}

int CompareBotNames(const TBotRecord& a, const TBotRecord& b) {
    return CompareBotNameTexts(a.Name.View(), b.Name.View());
}

std::uint64_t BotNamePrefix(std::string_view name) {
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < 8; ++b) {
        unsigned char c = b < name.size() ? static_cast<unsigned char>(UpperAscii(name[b])) : 0;
        prefix = (prefix << 8) | c;
    }
    return prefix;
}

int CompareBotNameTexts(std::string_view x, std::string_view y) {
    std::size_t n = x.size() < y.size() ? x.size() : y.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto cx = static_cast<unsigned char>(UpperAscii(x[i]));
        auto cy = static_cast<unsigned char>(UpperAscii(y[i]));
        if (cx != cy) {
            return cx < cy ? -1 : 1;
        }
    }
    if (x.size() == y.size()) {
        return 0;
    }
    return x.size() < y.size() ? -1 : 1;
}

}  // namespace keelson
