#include "common/GameText.h"

#include <cstring>

namespace keelson {

std::vector<std::string_view> SplitGameTextLines(std::string_view text) {
    const void* ctrlZ = std::memchr(text.data(), 26, text.size());
    if (ctrlZ != nullptr) {
        text = text.substr(0, static_cast<const char*>(ctrlZ) - text.data());
    }
    std::vector<std::string_view> lines;
    lines.reserve(text.size() / 32 + 1);
    const char* p = text.data();
    const char* end = p + text.size();
    const char* start = p;
    while (p != end) {
        char c = *p;
        if (c == '\r' || c == '\n') {
            lines.emplace_back(start, static_cast<std::size_t>(p - start));
            ++p;
            if (c == '\r' && p != end && *p == '\n') {
                ++p;
            }
            start = p;
        } else {
            ++p;
        }
    }
    if (start != end) {
        lines.emplace_back(start, static_cast<std::size_t>(end - start));
    }
    return lines;
}

GameText GameText::FromBytes(std::string bytes) {
    GameText text;
    text.bytes_ = std::make_unique<std::string>(std::move(bytes));
    text.lines_ = SplitGameTextLines(*text.bytes_);
    return text;
}

GameText GameText::ReadFile(const std::string& path) {
    return FromBytes(platform::ReadWholeFile(path));
}

void GameTextWriter::WriteTo(const std::string& path, platform::CreateFailure style) const {
    platform::ReplaceFile(path, out_, style);
}

}  // namespace keelson
