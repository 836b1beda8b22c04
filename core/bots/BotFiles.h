#pragma once
// The two files that hold bots: the bot section of the game's user INI
// ("[BOTPACK.CHALLENGEBOTINFO]", 14 keys for each of the 32 slots) and the
// program's own bot library, a headerless sequence of 1568-byte records.

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

// ---- User INI ----

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
// file then keeps its old content.
std::optional<ContentProblem> WriteUserIniBots(const TBotSlotTable& slots, const std::string& path);

// ---- Bot library ----

inline constexpr std::size_t kBotRecordSize = 1568;

// The record image of a bot: length-prefixed texts, little-endian IEEE
// floats, zero filler.
void EncodeBotRecord(const TBotRecord& bot, unsigned char* out);
TBotRecord DecodeBotRecord(const unsigned char* in);
void DecodeBotRecord(const unsigned char* in, TBotRecord& bot);

// Raises the FileError of a library whose last record is cut short: "Read
// beyond end of file".
[[noreturn]] void ThrowIncompleteLibrary();

// A bot library read a chunk of whole records at a time, so that a library
// of any size is never held whole. Opening raises FileError ("File not
// found", ...); so does a failed read.
class BotLibraryReader {
  public:
    explicit BotLibraryReader(const std::string& path);
    ~BotLibraryReader();
    BotLibraryReader(const BotLibraryReader&) = delete;
    BotLibraryReader& operator=(const BotLibraryReader&) = delete;

    // The complete records that the file holds.
    std::size_t Count() const { return count_; }
    // True when the file ends in part of a record (or turned out shorter
    // than its size said); known for certain once Next has returned false.
    bool Incomplete() const { return incomplete_; }

    // The next record in file order; false after the last complete one.
    bool Next(TBotRecord& bot);

    // The record at an index below Count, read on its own. A file cut short
    // since it was opened raises "Read beyond end of file".
    void ReadAt(std::size_t index, TBotRecord& bot);

  private:
    struct File;
    std::unique_ptr<File> file_;
    std::size_t count_ = 0;
    std::size_t delivered_ = 0;  // records given by Next
    bool incomplete_ = false;
    std::vector<unsigned char> chunk_;
    std::size_t chunkRecords_ = 0;  // records in chunk_
    std::size_t chunkNext_ = 0;     // the next of them to give
};

// Calls each(bot) for every complete record of the library, in file order,
// then raises "Read beyond end of file" when the file ends in part of a
// record. Returns the number of records given.
std::size_t ForEachLibraryBot(const std::string& path,
                              const std::function<void(const TBotRecord&)>& each);

// Adds one bot at the end of the library, in place: the old records are
// neither read nor written again, and when the record cannot be written
// whole ("Disk full") the file is cut back, keeping exactly its old bytes.
// A missing library is created holding that bot. A library that ends in
// part of a record is left alone and raises "Read beyond end of file".
// Returns the new bot's index.
std::size_t AppendBotToLibrary(const TBotRecord& bot, const std::string& path);

// True when the file at path holds exactly these bytes; it is read a chunk
// at a time and only up to the first difference.
bool LibraryFileHolds(const std::string& path, std::string_view image);

}  // namespace keelson
