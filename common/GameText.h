#pragma once
// The game's INI files as sequences of text lines. They are never parsed as
// INI: the codecs find sections and keys by comparing lines.
//
// Reading: CR LF, a lone CR and a lone LF each end a line (installs on Linux
// end their lines with a lone LF); a line break at the very end adds no
// empty line; a Ctrl-Z byte ends the text. Writing: every line, the last
// included, is followed by CR LF.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace keelson {

// A text file read whole: its bytes and views of its lines into them.
class GameText {
public:
    static GameText FromBytes(std::string bytes);
    static GameText ReadFile(const std::string& path);  // throws FileError

    const std::vector<std::string_view>& Lines() const { return lines_; }

    GameText(GameText&&) = default;
    GameText& operator=(GameText&&) = default;
    GameText(const GameText&) = delete;
    GameText& operator=(const GameText&) = delete;

private:
    GameText() = default;
    // Held on the heap so that moving a GameText keeps the line views valid.
    std::unique_ptr<std::string> bytes_;
    std::vector<std::string_view> lines_;
};

// The lines of a text, by the reading rule above. The views point into text.
std::vector<std::string_view> SplitGameTextLines(std::string_view text);

// Collects output lines and writes them, each followed by CR LF.
class GameTextWriter {
public:
    void Reserve(std::size_t bytes) { out_.reserve(bytes); }
    void AddLine(std::string_view line) {
        out_.append(line);
        out_.append("\r\n");
    }
    const std::string& Bytes() const { return out_; }

    // Replaces the file at path with the lines, atomically (see ReplaceFile).
    void WriteTo(const std::string& path, platform::CreateFailure style) const;

private:
    std::string out_;
};

}  // namespace keelson
