#include "core/common/GameText.h"

namespace keelson {

std::string_view TextBeforeCtrlZ(std::string_view text) {
    const void* ctrlZ = std::memchr(text.data(), 26, text.size());
    return ctrlZ == nullptr
               ? text
               : text.substr(
                     0, static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - text.data()));
}

std::vector<std::string_view> SplitTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    lines.reserve(text.size() / 32 + 1);
    ForEachTextLine(text, [&lines](std::string_view line, bool) {
        lines.push_back(line);
        return true;
    });
    return lines;
}

std::vector<std::string_view> SplitGameTextLines(std::string_view text) {
    text = TextBeforeCtrlZ(text);
    text.remove_prefix(LeadingBom(text).size());
    return SplitTextLines(text);
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
    platform::WriteFileAtomically(path, out_, style);
}

}  // namespace keelson
