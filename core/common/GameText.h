#pragma once
// The game's INI files as sequences of text lines. They are never parsed as
// INI: the codecs find sections and keys by comparing lines.
//
// Reading: CR LF, a lone CR and a lone LF each end a line (installs on Linux
// end their lines with a lone LF), and so does a run of CRs followed by LF
// (CR CR LF is what FTP's text mode makes of CR LF when applied twice); a
// line break at the very end adds no empty line; a Ctrl-Z byte ends the
// text; a UTF-8 byte order mark before the first line is no part of it.
// Writing: every line, the last included, is followed by CR LF, and a byte
// order mark the file began with is kept.

#include <cstring>
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

// The text up to its first Ctrl-Z byte, which ends the game's texts.
std::string_view TextBeforeCtrlZ(std::string_view text);

// Hands the lines of a text to f one by one (CR LF, a run of CRs followed by
// LF, a lone CR and a lone LF each end a line; a line break at the very end
// adds no empty line), so that
// a reader can stop at the end of its block and a rewrite of a large file
// needs no list of its lines. f(line, endsWithCrLf) returns false to stop.
// There is no Ctrl-Z rule here: callers that have one cut the text first.
template <typename F>
void ForEachTextLine(std::string_view text, F f) {
    const char* p = text.data();
    const char* const end = p + text.size();
    // The next CR and the next LF, each looked for again only once passed.
    auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    };
    const char* nextCr = next(p, '\r');
    const char* nextLf = next(p, '\n');
    while (p != end) {
        if (nextCr < p) {
            nextCr = next(p, '\r');
        }
        if (nextLf < p) {
            nextLf = next(p, '\n');
        }
        const char* q = nextCr < nextLf ? nextCr : nextLf;
        // The line end's length: 1 for a lone CR or LF, more for CR... LF.
        std::size_t endLength = 1;
        if (q == nextCr && q != end) {
            const char* r = q + 1;
            while (r != end && *r == '\r') {
                ++r;
            }
            if (r != end && *r == '\n') {
                endLength = static_cast<std::size_t>(r - q) + 1;
            }
        }
        const bool crLf = endLength == 2;
        if (!f(std::string_view(p, static_cast<std::size_t>(q - p)), crLf) || q == end) {
            return;
        }
        p = q + endLength;
    }
}

// The UTF-8 byte order mark that some editors put before the first line.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The byte order mark the text begins with, or an empty text.
inline std::string_view LeadingBom(std::string_view text) {
    return text.substr(0, text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
}

// The same for one of the game's texts, which end at a Ctrl-Z byte and may
// begin with a byte order mark (not part of the first line; writers put
// LeadingBom back in front).
template <typename F>
void ForEachGameTextLine(std::string_view text, F f) {
    text = TextBeforeCtrlZ(text);
    text.remove_prefix(LeadingBom(text).size());
    ForEachTextLine(text, f);
}

// ForEachGameTextLine for a file, read a chunk at a time: the lines are
// those of the whole file, but only a chunk and the line it ends in are held
// (a file whose lines end in lone CRs is held whole). Raises FileError as
// platform::FileReader does.
template <typename F>
void ForEachGameTextLineInFile(const std::string& path, F f, std::size_t chunkSize = 1 << 16) {
    platform::FileReader file(path);
    std::string chunk(chunkSize, '\0');
    std::string text;  // what is read and not handed on yet
    bool first = true;
    bool stopped = false;
    auto visit = [&](std::string_view line, bool endsWithCrLf) {
        stopped = !f(line, endsWithCrLf);
        return !stopped;
    };
    for (bool end = false; !end && !stopped;) {
        std::string_view piece(chunk.data(), file.Read(chunk.data(), chunk.size()));
        end = piece.empty();
        if (const std::size_t ctrlZ = piece.find('\x1A'); ctrlZ != std::string_view::npos) {
            piece = piece.substr(0, ctrlZ);
            end = true;
        }
        text.append(piece);
        if (first && (text.size() >= kUtf8Bom.size() || end)) {
            text.erase(0, LeadingBom(text).size());
            first = false;
        }
        // Up to the last LF the lines are whole: no line end goes on past an
        // LF, so the lines of the rest are those the whole text would have.
        const std::size_t lastLf = text.rfind('\n');
        const std::size_t ready =
            end ? text.size() : (lastLf == std::string::npos ? 0 : lastLf + 1);
        if (ready > 0 && !first) {
            ForEachTextLine(std::string_view(text).substr(0, ready), visit);
            text.erase(0, ready);
        }
    }
}

// The lines of a text, by the rule above, without a Ctrl-Z rule.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// The lines of one of the game's texts: Ctrl-Z ends the text. The views
// point into text.
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

    // Replaces the file at path with the lines, atomically (see WriteFileAtomically).
    void WriteTo(const std::string& path, platform::CreateFailure style) const;

  private:
    std::string out_;
};

}  // namespace keelson
