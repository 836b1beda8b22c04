// The user INI's bot section: a write followed by a read gives back what was
// written, and every line that is not a bot key of the section comes back in
// order.

#include <vector>

#include "core/bots/BotFiles.h"
#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "fuzz/FuzzSupport.h"

using namespace keelson;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string_view text = fuzz::Bytes(data, size);
    TBotSlotTable slots = ReadUserIniBotSlots(text);
    // Bots whose texts come from the input, so that odd bytes reach the writer.
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::string_view piece = text.substr(std::min(text.size(), i * 7), 12);
        slots[i].Face.Assign(piece);
        slots[i].Skill = static_cast<float>(i) * 0.05f;
    }
    std::optional<std::string> out = RewriteUserIniBots(text, slots);
    if (!out) {
        return 0;
    }
    TBotSlotTable back = ReadUserIniBotSlots(*out);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::string face(slots[i].Face.View());
        for (char& c : face) {
            if (c == '\r' || c == '\n' || c == '\x1A') {
                c = ' ';
            }
        }
        FUZZ_CHECK(back[i].Face.View() == face);
        FUZZ_CHECK(back[i].Name == slots[i].Name);
        FUZZ_CHECK(back[i].Team == slots[i].Team);
        FUZZ_CHECK(back[i].Skill == StrToFloatOrZero(FloatToFixedText(slots[i].Skill)));
    }
    // The lines that are not bot keys, in order: all of the input's lines
    // but the bot keys of its first section.
    std::vector<std::string_view> kept;
    std::vector<std::string_view> got;
    bool inSection = false;
    bool seen = false;
    for (std::string_view line : SplitGameTextLines(text)) {
        if (!seen && EqualsUpper(line, kBotSectionHeader)) {
            inSection = seen = true;
        } else if (inSection && line.empty()) {
            inSection = false;
        }
        if (!(inSection && IsBotKeyLine(line))) {
            kept.push_back(line);
        }
    }
    for (std::string_view line : SplitGameTextLines(*out)) {
        if (!IsBotKeyLine(line)) {
            got.push_back(line);
        }
    }
    std::vector<std::string_view> keptNoKeys;
    for (std::string_view line : kept) {
        if (!IsBotKeyLine(line)) {
            keptNoKeys.push_back(line);
        }
    }
    FUZZ_CHECK(got == keptNoKeys);
    return 0;
}
