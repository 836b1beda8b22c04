#pragma once
// The roster: an ordered, growable list of bot records that it owns, with
// no upper bound. 32 matters only when the game's slots are filled.

#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/bots/TBotDefine.h"

namespace keelson {

class TBigKegOBots {
  public:
    TBigKegOBots() = default;
    TBigKegOBots(TBigKegOBots&&) noexcept = default;
    TBigKegOBots& operator=(TBigKegOBots&&) noexcept = default;
    // A record belongs to one roster only.
    TBigKegOBots(const TBigKegOBots&) = delete;
    TBigKegOBots& operator=(const TBigKegOBots&) = delete;

    int Count() const { return static_cast<int>(bots_.size()); }

    // Index errors raise ListIndexError and leave the roster unchanged.
    void GetBot(int index, TBotRecord& out) const;
    const TBotRecord& Bot(int index) const;  // the same check, without the copy
    void SetBot(int index, const TBotRecord& bot);
    int AddBot(const TBotRecord& bot);  // returns the new bot's index
    void DeleteBot(int index);
    void ClearBots();

    // Ascending order of CompareBotNames; bots with equal names keep their
    // order among themselves.
    void SortByName();

    // Slots 0 to min(Count, 32) - 1 get distinct bots of the roster in a
    // random order (a new one on every call); the other slots get
    // placeholders named "Bot_" and the slot number counted from 1.
    void FillGameSlots(TBotSlotTable& out) const;
    // The same with the given generator: the same generator state gives the
    // same bots in the same slots as FillGameSlotsFromLibrary.
    void FillGameSlots(TBotSlotTable& out, std::mt19937& random) const;

    // Appends the 32 bots of a user INI's bot section (see BotFiles.h).
    // Raises FileError; the roster is then unchanged.
    void ImportUserIni(const std::string& path);

    // Replaces the bot library at path with all bots, in roster order.
    void SaveToFile(const std::string& path) const;

    // Appends all bots of a bot library, in file order. A file whose size
    // is no multiple of a record appends its complete records and then
    // raises "Read beyond end of file"; on any other failure the roster is
    // unchanged.
    void AppendFromFile(const std::string& path);

    // Appends records in one step: all of them, or none when memory fails.
    void AppendAll(std::vector<std::unique_ptr<TBotRecord>> bots);

  private:
    void CheckIndex(int index) const;

    std::vector<std::unique_ptr<TBotRecord>> bots_;
};

// A generator for FillGameSlots: seeded from the clock, and different on
// every call, even for calls within one clock tick.
std::mt19937 GameSlotRandom();

// Which of count bots go into the game's slots: element s is the index of
// the bot for slot s, for the first min(count, 32) slots, distinct, every
// such choice equally likely.
std::vector<std::size_t> DrawGameSlotBots(std::size_t count, std::mt19937& random);

// FillGameSlots for the bots of a bot library, reading only the records
// drawn: the slots get what FillGameSlots gives for a roster holding the
// library's bots. Raises FileError as TBigKegOBots::AppendFromFile does
// (a library that ends in part of a record: "Read beyond end of file"),
// and then fills nothing. Returns the number of bots in the library.
std::size_t FillGameSlotsFromLibrary(const std::string& path, TBotSlotTable& out);
std::size_t FillGameSlotsFromLibrary(const std::string& path, TBotSlotTable& out,
                                     std::mt19937& random);

}  // namespace keelson
