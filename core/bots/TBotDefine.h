#pragma once
// The bot record: every attribute that the game keeps for one bot, a plain
// value of fixed size that is copied whole, never shared. The game's 32 bot
// slots appear only as TBotSlotTable.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace keelson {

// A text of at most 255 bytes, held in place. Storing a longer text keeps
// its first 255 bytes; texts are otherwise taken as they come.
class BotText {
  public:
    static constexpr std::size_t kCapacity = 255;

    constexpr BotText() = default;
    // Implicit, so that a field can be set from any text.
    constexpr BotText(std::string_view text) { Assign(text); }  // NOLINT
    constexpr BotText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }

    constexpr void Assign(std::string_view text) {
        std::size_t n = text.size() < kCapacity ? text.size() : kCapacity;
        for (std::size_t i = 0; i < n; ++i) {
            chars_[i] = text[i];
        }
        // Bytes behind the text stay zero, so equal texts are equal values.
        for (std::size_t i = n; i < length_; ++i) {
            chars_[i] = '\0';
        }
        length_ = static_cast<std::uint8_t>(n);
    }

    constexpr std::string_view View() const { return {chars_.data(), length_}; }
    std::string Str() const { return std::string(View()); }
    constexpr std::size_t size() const { return length_; }
    constexpr bool empty() const { return length_ == 0; }

    friend constexpr bool operator==(const BotText& a, const BotText& b) {
        return a.View() == b.View();
    }
    friend constexpr bool operator==(const BotText& a, std::string_view b) { return a.View() == b; }

  private:
    std::uint8_t length_ = 0;
    std::array<char, kCapacity> chars_{};
};

// Team bytes: 0 to 3 are the four teams, every other value means no team.
inline constexpr std::uint8_t kTeamRed = 0;
inline constexpr std::uint8_t kTeamBlue = 1;
inline constexpr std::uint8_t kTeamGreen = 2;
inline constexpr std::uint8_t kTeamGold = 3;
inline constexpr std::uint8_t kNoTeam = 255;  // what the program stores for no team

struct TBotRecord {
    BotText Name;
    std::uint8_t Team = 0;
    float Skill = 0.0f;
    float Accuracy = 0.0f;
    float CombatStyle = 0.0f;
    float Alertness = 0.0f;
    float Camping = 0.0f;
    float StrafingAbility = 0.0f;
    BotText FavoriteWeapon;  // empty: no favourite
    BotText Class;
    BotText Skin;
    BotText Face;
    BotText Voice;
    std::uint8_t Jumpy = 0;  // 0 false, any other value true

    friend bool operator==(const TBotRecord&, const TBotRecord&) = default;
};

namespace detail {
constexpr TBotRecord MakeDefaultBot() {
    TBotRecord bot;
    bot.Name = "__Null__";
    bot.Team = kNoTeam;
    bot.Class = "Botpack.TMale1Bot";
    bot.Skin = "CommandoSkins.cmdo";
    bot.Face = "CommandoSkins.Blake";
    bot.Voice = "BotPack.VoiceMaleOne";
    return bot;
}
}  // namespace detail

// The record from which new bots and empty slots start.
inline constexpr TBotRecord DefaultBot = detail::MakeDefaultBot();

// The game's bot slots, element i being slot i.
inline constexpr std::size_t kGameSlots = 32;
using TBotSlotTable = std::array<TBotRecord, kGameSlots>;

// The one-line label by which every list shows a bot:
// "Name (Team Class / Skin)", with "neutral" for no team.
std::string BotDisplayLabel(const TBotRecord& bot);

// Every field of a bot as `keelson-cli bots show` prints it: one
// "Field=value" line each, in record order, then an empty line.
std::string BotFieldLines(const TBotRecord& bot);

// The order of SortByName: names upper-cased (a to z only), then compared
// byte by byte as unsigned values, a prefix first. Returns -1, 0 or +1.
int CompareBotNames(const TBotRecord& a, const TBotRecord& b);
// The same order for two names.
int CompareBotNameTexts(std::string_view x, std::string_view y);
// A name's first eight upper-cased bytes (zeros after a shorter name) as one
// number: names whose numbers differ compare as their numbers do.
std::uint64_t BotNamePrefix(std::string_view name);

}  // namespace keelson
