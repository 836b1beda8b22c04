// The bot library codec over bytes: records load and save back to the same
// meaningful bytes, a second round trip gives the same image, and only an
// image that ends in part of a record is refused.

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/bots/BotLibrary.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "fuzz/FuzzSupport.h"

using namespace keelson;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TBigKegOBots roster;
    const bool whole = DecodeLibrary(bytes, roster);
    FUZZ_CHECK(whole == (size % kBotRecordSize == 0));
    FUZZ_CHECK(static_cast<std::size_t>(roster.Count()) == size / kBotRecordSize);
    const std::string image = EncodeLibrary(roster);
    TBigKegOBots again;
    FUZZ_CHECK(DecodeLibrary(image, again) && EncodeLibrary(again) == image);
    for (std::size_t at = 0; at + kBotRecordSize <= size; at += kBotRecordSize) {
        TBotRecord bot = DecodeBotRecord(data + at);
        unsigned char image[kBotRecordSize];
        EncodeBotRecord(bot, image);
        TBotRecord again = DecodeBotRecord(image);
        unsigned char second[kBotRecordSize];
        EncodeBotRecord(again, second);
        FUZZ_CHECK(std::memcmp(image, second, kBotRecordSize) == 0);
        FUZZ_CHECK(again.Name == bot.Name && again.Team == bot.Team && again.Jumpy == bot.Jumpy);
        // The floats' bits, NaNs included, travel unchanged.
        FUZZ_CHECK(std::memcmp(image + 260, data + at + 260, 24) == 0);
    }
    return 0;
}
