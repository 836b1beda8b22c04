#pragma once
// The bot section of the game's user INI ("[BOTPACK.CHALLENGEBOTINFO]", 14
// keys for each of the 32 slots). The program's own bot library file is in
// BotLibrary.h.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bots/TBotDefine.h"
#include "core/common/Errors.h"
#include "core/common/GameText.h"

namespace keelson {

inline constexpr std::string_view kBotSectionHeader = "[BOTPACK.CHALLENGEBOTINFO]";

// The 14 keys of a slot, in the order of the record's fields.
enum class BotKey {
    Name,
    Team,
    Skill,
    Accuracy,
    CombatStyle,
    Alertness,
    Camping,
    StrafingAbility,
    FavoriteWeapon,
    Class,
    Skin,
    Face,
    Voice,
    Jumpy,
};

// A recognised bot key line: "KEY[n]=value" with the key in any case, n from
// 0 to 31 without leading zeros and nothing between the parts.
struct BotKeyLine {
    BotKey key;
    int slot;
    std::string_view value;  // everything after the first "=", unchanged
};
std::optional<BotKeyLine> ParseBotKeyLine(std::string_view line);

// True when the line, upper-cased, begins with one of the 14 key names
// followed by "[", whatever comes after it.
bool IsBotKeyLine(std::string_view line);

// Stores a value as the user INI reader reads it: texts capped at 255
// bytes, Team by StrToIntOrZero keeping the low 8 bits, the floats by
// StrToFloatOrZero, Jumpy false only when the value begins with "0".
void SetBotField(TBotRecord& bot, BotKey key, std::string_view value);

// The 32 slots that a user INI's text describes: copies of DefaultBot with
// the values of the first bot section's key lines.
TBotSlotTable ReadUserIniBotSlots(std::string_view text);

// The text with the bot section's key lines replaced by 448 fresh lines, or
// nothing when the text has no bot section. Every line ends with CR LF.
std::optional<std::string> RewriteUserIniBots(std::string_view text, const TBotSlotTable& slots);

// Rewrites the bot section of the user INI at path. A file without the bot
// section is left untouched and gives the content problem "Error: This
// doesn't seem to be a UT INI file". Raises FileError when the file cannot
// be read ("File not found") or replaced ("Cannot create file PATH"); the
// file then keeps its old content. A file that holds these bots already is
// not written. The rewrite keeps a version and refuses an INI that a
// running game uses, as WriteServerPackages does.
std::optional<ContentProblem> WriteUserIniBots(const TBotSlotTable& slots, const std::string& path);

}  // namespace keelson
