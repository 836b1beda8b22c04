// The bot library: records load and save back to the same meaningful bytes,
// and a second round trip gives the same file.

#include <cstring>
#include <vector>

#include "core/bots/BotFiles.h"
#include "fuzz/FuzzSupport.h"

using namespace keelson;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
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
