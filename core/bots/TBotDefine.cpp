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
    std::string_view x = a.Name.View();
    std::string_view y = b.Name.View();
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
