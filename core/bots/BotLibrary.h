#pragma once
// The program's own bot library: a headerless sequence of 1568-byte
// records, one bot each. The codec over bytes, and the file read a chunk at
// a time, appended in place and compared without being held whole.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bots/TBotDefine.h"

namespace keelson {

class TBigKegOBots;

inline constexpr std::size_t kBotRecordSize = 1568;

// The record image of a bot: length-prefixed texts, little-endian IEEE
// floats, zero filler.
void EncodeBotRecord(const TBotRecord& bot, unsigned char* out);
TBotRecord DecodeBotRecord(const unsigned char* in);
void DecodeBotRecord(const unsigned char* in, TBotRecord& bot);

// Makes a record what EncodeBotRecord writes for the bot it decodes to: the
// bytes behind each text and the filler become zero. True when any byte
// changed.
bool NormaliseBotRecord(unsigned char* record);

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

// The library image of a roster: its records in order. The first form
// writes Count() x kBotRecordSize bytes at out.
void EncodeLibrary(const TBigKegOBots& roster, unsigned char* out);
std::string EncodeLibrary(const TBigKegOBots& roster);

// The records of a library image (whole records only) in the order of
// TBigKegOBots::SortByName, each as NormaliseBotRecord leaves it: written one
// after the other, they are what EncodeLibrary gives for the sorted roster.
// No second image or roster is made, and the image is only read: a clean
// record is given where it lies, one with stray bytes as a cleaned copy
// (in cleaned). No records when no byte would change: the records are clean
// and in order already.
struct SortedRecords {
    std::vector<std::string_view> records;
    std::vector<unsigned char> cleaned;
};
SortedRecords SortLibraryRecords(const unsigned char* image, std::size_t records);

// Appends the complete records of a library image to the roster; false
// when the image ends in part of a record.
bool DecodeLibrary(std::string_view bytes, TBigKegOBots& roster);

}  // namespace keelson
