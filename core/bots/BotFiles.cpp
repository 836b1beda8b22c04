#include "core/bots/BotFiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

struct KeyName {
    BotKey key;
    std::string_view upper;  // without the "["
};

// Every key name, upper-cased, for recognising lines.
constexpr std::array<KeyName, 14> kKeyNames{{
    {BotKey::Name, "BOTNAMES"},
    {BotKey::Face, "BOTFACES"},
    {BotKey::Skin, "BOTSKINS"},
    {BotKey::Class, "BOTCLASSES"},
    {BotKey::FavoriteWeapon, "FAVORITEWEAPON"},
    {BotKey::Voice, "VOICETYPE"},
    {BotKey::Accuracy, "BOTACCURACY"},
    {BotKey::CombatStyle, "COMBATSTYLE"},
    {BotKey::StrafingAbility, "STRAFINGABILITY"},
    {BotKey::Camping, "CAMPING"},
    {BotKey::Skill, "BOTSKILLS"},
    {BotKey::Alertness, "ALERTNESS"},
    {BotKey::Team, "BOTTEAMS"},
    {BotKey::Jumpy, "BOTJUMPY"},
}};

// The groups of lines that the writer produces, in their order and spelling.
constexpr std::array<KeyName, 14> kWrittenKeys{{
    {BotKey::Face, "BotFaces"},
    {BotKey::Name, "BotNames"},
    {BotKey::Team, "BotTeams"},
    {BotKey::Class, "BotClasses"},
    {BotKey::Skin, "BotSkins"},
    {BotKey::Voice, "VoiceType"},
    {BotKey::Skill, "BotSkills"},
    {BotKey::Accuracy, "BotAccuracy"},
    {BotKey::CombatStyle, "CombatStyle"},
    {BotKey::Alertness, "Alertness"},
    {BotKey::Camping, "Camping"},
    {BotKey::StrafingAbility, "StrafingAbility"},
    {BotKey::FavoriteWeapon, "FavoriteWeapon"},
    {BotKey::Jumpy, "BotJumpy"},
}};

// The longest key name and its "[".
constexpr std::size_t kLongestKey = 16;

// The key whose name, followed by "[", begins the line. A key name holds no
// "[", so the line's first "[" must directly follow it.
std::optional<BotKey> KeyBeforeBracket(std::string_view line, std::size_t& bracket) {
    std::size_t limit = line.size() < kLongestKey ? line.size() : kLongestKey;
    std::size_t at = 0;
    while (at < limit && line[at] != '[') {
        ++at;
    }
    if (at == limit) {
        return std::nullopt;
    }
    bracket = at;
    std::string_view name = line.substr(0, at);
    for (const KeyName& k : kKeyNames) {
        if (k.upper.size() == name.size() && EqualsUpper(name, k.upper)) {
            return k.key;
        }
    }
    return std::nullopt;
}

// Most lines are not the header; their length tells at once.
bool IsBotSectionHeader(std::string_view line) {
    return line.size() == kBotSectionHeader.size() && EqualsUpper(line, kBotSectionHeader);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text or float field that a key sets, or nothing for Team and Jumpy.
template <class Bot>
auto TextField(Bot& bot, BotKey key) -> decltype(&bot.Name) {
    switch (key) {
        case BotKey::Name:
            return &bot.Name;
        case BotKey::FavoriteWeapon:
            return &bot.FavoriteWeapon;
        case BotKey::Class:
            return &bot.Class;
        case BotKey::Skin:
            return &bot.Skin;
        case BotKey::Face:
            return &bot.Face;
        case BotKey::Voice:
            return &bot.Voice;
        default:
            return nullptr;
    }
}

template <class Bot>
auto FloatField(Bot& bot, BotKey key) -> decltype(&bot.Skill) {
    switch (key) {
        case BotKey::Skill:
            return &bot.Skill;
        case BotKey::Accuracy:
            return &bot.Accuracy;
        case BotKey::CombatStyle:
            return &bot.CombatStyle;
        case BotKey::Alertness:
            return &bot.Alertness;
        case BotKey::Camping:
            return &bot.Camping;
        case BotKey::StrafingAbility:
            return &bot.StrafingAbility;
        default:
            return nullptr;
    }
}

// A value as one line of the INI: a line break or Ctrl-Z inside a text
// would end the line (or the file) early and put the rest of the text into
// the game's file as lines of its own, so each becomes a space.
void AppendValueText(std::string& out, std::string_view value) {
    std::size_t start = out.size();
    out.append(value);
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i] == '\r' || out[i] == '\n' || out[i] == '\x1A') {
            out[i] = ' ';
        }
    }
}

// The game would read "nan" and "inf" as such; a library may hold them
// (its records are raw floats), so they are written as the nearest value the
// sliders allow (-1 to 1), NaN as 0. Finite values stand as they are.
float FiniteForIni(float value) {
    if (std::isnan(value)) {
        return 0.0f;
    }
    if (std::isinf(value)) {
        return value > 0 ? 1.0f : -1.0f;
    }
    return value;
}

void AppendValue(std::string& out, const TBotRecord& bot, BotKey key) {
    if (const BotText* text = TextField(bot, key)) {
        AppendValueText(out, text->View());
    } else if (const float* value = FloatField(bot, key)) {
        out.append(FloatToFixedText(FiniteForIni(*value)));
    } else if (key == BotKey::Team) {
        out.append(std::to_string(static_cast<unsigned>(bot.Team)));
    } else {
        out.append(bot.Jumpy != 0 ? "1" : "0");
    }
}

// The 448 key lines of the 32 slots, each followed by CR LF.
void AppendBotLines(std::string& out, const TBotSlotTable& slots) {
    for (const KeyName& k : kWrittenKeys) {
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            out.append(k.upper);
            out.push_back('[');
            out.append(std::to_string(slot));
            out.append("]=");
            AppendValue(out, slots[slot], k.key);
            out.append("\r\n");
        }
    }
}

}  // namespace

std::optional<BotKeyLine> ParseBotKeyLine(std::string_view line) {
    std::size_t bracket = 0;
    std::optional<BotKey> key = KeyBeforeBracket(line, bracket);
    if (!key) {
        return std::nullopt;
    }
    // The slot: "0" to "31", no leading zeros, then "]=".
    std::size_t i = bracket + 1;
    if (i >= line.size() || !IsDigit(line[i])) {
        return std::nullopt;
    }
    int slot = line[i] - '0';
    ++i;
    if (slot != 0 && i < line.size() && IsDigit(line[i])) {
        slot = slot * 10 + (line[i] - '0');
        ++i;
        if (slot >= static_cast<int>(kGameSlots)) {
            return std::nullopt;
        }
    }
    if (line.size() - i < 2 || line[i] != ']' || line[i + 1] != '=') {
        return std::nullopt;
    }
    return BotKeyLine{*key, slot, line.substr(i + 2, BotText::kCapacity)};
}

bool IsBotKeyLine(std::string_view line) {
    std::size_t bracket = 0;
    return KeyBeforeBracket(line, bracket).has_value();
}

void SetBotField(TBotRecord& bot, BotKey key, std::string_view value) {
    value = value.substr(0, BotText::kCapacity);
    if (BotText* text = TextField(bot, key)) {
        text->Assign(value);
    } else if (float* number = FloatField(bot, key)) {
        *number = StrToFloatOrZero(value);
    } else if (key == BotKey::Team) {
        // The low 8 bits: -1 is 255, 256 is 0.
        bot.Team =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(StrToIntOrZero(value)) & 0xFFu);
    } else {
        bot.Jumpy = (!value.empty() && value[0] == '0') ? 0 : 1;
    }
}

namespace {

std::optional<std::string> Rewrite(std::string_view text, const TBotSlotTable& slots) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 448 * 48);
    bool inSection = false;
    bool written = false;
    out.append(LeadingBom(text));
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        if (!written && IsBotSectionHeader(line)) {
            inSection = true;
        } else if (inSection && line.empty()) {
            AppendBotLines(out, slots);
            written = true;
            inSection = false;
        }
        if (!inSection || !IsBotKeyLine(line)) {
            out.append(line);
            out.append("\r\n");
        }
        return true;
    });
    if (inSection) {
        // The section runs to the end of the text (as in the game's own
        // stock user INI): its lines go at the end.
        AppendBotLines(out, slots);
        written = true;
    }
    if (!written) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

TBotSlotTable ReadUserIniBotSlots(std::string_view text) {
    TBotSlotTable slots;
    slots.fill(DefaultBot);
    enum { BeforeHeader, InSection } state = BeforeHeader;
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        if (state == BeforeHeader) {
            if (IsBotSectionHeader(line)) {
                state = InSection;
            }
            return true;
        }
        // The section runs to the first empty line or to the end of the text.
        if (line.empty()) {
            return false;
        }
        if (std::optional<BotKeyLine> k = ParseBotKeyLine(line)) {
            SetBotField(slots[static_cast<std::size_t>(k->slot)], k->key, k->value);
        }
        return true;
    });
    return slots;
}

std::optional<std::string> RewriteUserIniBots(std::string_view text, const TBotSlotTable& slots) {
    return Rewrite(text, slots);
}

std::optional<ContentProblem> WriteUserIniBots(const TBotSlotTable& slots,
                                               const std::string& path) {
    platform::FileLock lock(path);  // from the read to the rewrite
    std::string bytes = platform::ReadWholeFile(path);
    std::optional<std::string> out = Rewrite(bytes, slots);
    if (!out) {
        return ContentProblem{{std::string(kNotUtIniMessage)}};
    }
    // A file that holds these bots already is not written.
    if (*out == bytes) {
        return std::nullopt;
    }
    bytes = std::string();  // the old text is no longer needed while writing
    platform::WriteFileAtomically(path, *out, platform::CreateFailure::CannotCreateFile,
                                  platform::GameFile::Ini);
    return std::nullopt;
}

}  // namespace keelson
