#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/common/UTSharedUtils1.h"
#include "core/common/Win1252.h"

namespace keelson::cli {

namespace {

[[maybe_unused]] bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
        } else if (b >= 0x80) {
            return false;
        }
        if (text.size() - i <= more) {
            return false;
        }
        for (std::size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += more + 1;
    }
    return true;
}

}  // namespace

Json JsonText(std::string_view ansi) {
    return Utf8OfAnsi(ansi);
}

Json JsonPath(std::string_view path) {
#ifdef _WIN32
    return Utf8OfAnsi(path);
#else
    return IsUtf8(path) ? std::string(path) : Utf8OfAnsi(path);
#endif
}

Json JsonNumber(float value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    char buffer[32];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    *r.ptr = '\0';
    return std::strtod(buffer, nullptr);
}

Json JsonBot(const TBotRecord& bot) {
    Json j = Json::object();
    j["Name"] = JsonText(bot.Name.View());
    j["Team"] = bot.Team;
    j["Skill"] = JsonNumber(bot.Skill);
    j["Accuracy"] = JsonNumber(bot.Accuracy);
    j["CombatStyle"] = JsonNumber(bot.CombatStyle);
    j["Alertness"] = JsonNumber(bot.Alertness);
    j["Camping"] = JsonNumber(bot.Camping);
    j["StrafingAbility"] = JsonNumber(bot.StrafingAbility);
    j["FavoriteWeapon"] = JsonText(bot.FavoriteWeapon.View());
    j["Class"] = JsonText(bot.Class.View());
    j["Skin"] = JsonText(bot.Skin.View());
    j["Face"] = JsonText(bot.Face.View());
    j["Voice"] = JsonText(bot.Voice.View());
    j["Jumpy"] = bot.Jumpy;
    return j;
}

void PrintJson(std::ostream& out, const Json& document) {
    std::string text = document.dump(2);
    // The undefined bytes as escapes: U+0081 is C2 81 in UTF-8, which only
    // a text of the document can hold.
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == 0xC2 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                shown += "\\u00";
                shown.push_back(kHex[next >> 4]);
                shown.push_back(kHex[next & 0xF]);
                ++i;
                continue;
            }
        }
        shown.push_back(text[i]);
    }
    out << shown << '\n';
}

}  // namespace keelson::cli
