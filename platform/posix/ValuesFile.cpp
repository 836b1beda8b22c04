#include "platform/posix/ValuesFile.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "platform/PathText.h"

namespace keelson::platform {

namespace {

struct ParseFailure {};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

// A quoted text at the start of s ("\\" and "\"" escaped); s moves past it.
std::string ParseQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        throw ParseFailure{};
    }
    std::string text;
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= s.size()) {
            throw ParseFailure{};
        }
        char c = s[i];
        if (c == '"') {
            break;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                throw ParseFailure{};
            }
            c = s[++i];
        }
        text.push_back(c);
    }
    s.remove_prefix(i + 1);
    return text;
}

// Up to eight hexadecimal digits, the whole of s.
std::uint32_t ParseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) {
        throw ParseFailure{};
    }
    std::uint32_t n = 0;
    for (char c : s) {
        int d = HexDigitValue(c);
        if (d < 0) {
            throw ParseFailure{};
        }
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
}

// "63,3a,00": two hex digits per byte, commas between, blanks allowed.
std::string ParseHexBytes(std::string_view s) {
    std::string bytes;
    s = TrimBlanks(s);
    if (s.empty()) {
        return bytes;
    }
    for (;;) {
        std::size_t comma = s.find(',');
        std::string_view item = TrimBlanks(s.substr(0, comma));
        if (item.size() != 2 || HexDigitValue(item[0]) < 0 || HexDigitValue(item[1]) < 0) {
            throw ParseFailure{};
        }
        bytes.push_back(static_cast<char>(HexDigitValue(item[0]) * 16 + HexDigitValue(item[1])));
        if (comma == std::string_view::npos) {
            return bytes;
        }
        s.remove_prefix(comma + 1);
    }
}

// Parses one logical value line: "Name"=data, or @=data for the unnamed value.
void ParseValue(std::string_view line, ValuesLine& out) {
    std::string_view s = TrimBlanks(line);
    if (!s.empty() && s.front() == '@') {
        out.name.clear();
        s.remove_prefix(1);
    } else {
        out.name = ParseQuoted(s);
    }
    s = TrimBlanks(s);
    if (s.empty() || s.front() != '=') {
        throw ParseFailure{};
    }
    s = TrimBlanks(s.substr(1));
    if (!s.empty() && s.front() == '"') {
        std::string text = ParseQuoted(s);
        if (!TrimBlanks(s).empty()) {
            throw ParseFailure{};
        }
        out.value.type = kRegSz;
        out.value.data = text + '\0';
    } else if (StartsWithNoCase(s, "dword:")) {
        std::uint32_t n = ParseHexNumber(s.substr(6));
        out.value.type = kRegDword;
        out.value.data.clear();
        for (int i = 0; i < 4; ++i) {
            out.value.data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
        }
    } else if (StartsWithNoCase(s, "hex:")) {
        out.value.type = 3;  // REG_BINARY, as regedit writes it
        out.value.data = ParseHexBytes(s.substr(4));
    } else if (StartsWithNoCase(s, "hex(")) {
        std::size_t close = s.find("):");
        if (close == std::string_view::npos) {
            throw ParseFailure{};
        }
        out.value.type = ParseHexNumber(s.substr(4, close - 4));
        out.value.data = ParseHexBytes(s.substr(close + 2));
    } else {
        throw ParseFailure{};
    }
    out.isValue = true;
}

// True when a value line holds hex data (which may go on over more lines).
bool IsHexValue(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    try {
        if (!s.empty() && s.front() == '@') {
            s.remove_prefix(1);
        } else {
            ParseQuoted(s);
        }
    } catch (const ParseFailure&) {
        return false;
    }
    s = TrimBlanks(s);
    return !s.empty() && s.front() == '=' && StartsWithNoCase(TrimBlanks(s.substr(1)), "hex");
}

bool IsKeptAsItStands(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    return s.empty() || s.front() == ';' || s == "REGEDIT4";
}

// The lines of a values file; throws ParseFailure with line set to the
// (1-based) line that is wrong.
std::vector<ValuesLine> ParseLines(std::string_view content, std::size_t& line) {
    std::vector<std::string_view> physical;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        std::string_view l =
            content.substr(start, end == std::string_view::npos ? end : end - start);
        if (!l.empty() && l.back() == '\r') {
            l.remove_suffix(1);
        }
        physical.push_back(l);
        start = end == std::string_view::npos ? content.size() : end + 1;
    }
    std::vector<ValuesLine> lines;
    std::unordered_set<std::string> names;  // upper-cased, to find a name given twice
    for (std::size_t i = 0; i < physical.size(); ++i) {
        line = i + 1;
        ValuesLine entry;
        entry.raw = std::string(physical[i]);
        if (IsKeptAsItStands(physical[i])) {
            lines.push_back(std::move(entry));
            continue;
        }
        std::string logical = std::string(TrimBlanks(physical[i]));
        while (!logical.empty() && logical.back() == '\\' && i + 1 < physical.size() &&
               IsHexValue(logical)) {
            logical.pop_back();
            ++i;
            logical += TrimBlanks(physical[i]);
            entry.raw += '\n';
            entry.raw += physical[i];
        }
        ParseValue(logical, entry);
        if (!names.insert(UpperAscii(entry.name)).second) {
            throw ParseFailure{};  // two values of one name
        }
        lines.push_back(std::move(entry));
    }
    return lines;
}

std::string QuotedText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

bool CanStandBetweenQuotes(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string HexText(std::uint32_t n, int minDigits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[n & 0xF]);
        n >>= 4;
    } while (n != 0);
    while (static_cast<int>(out.size()) < minDigits) {
        out.insert(out.begin(), '0');
    }
    return out;
}

// The line for a value; nothing when its name cannot be written.
std::optional<std::string> FormatValueLine(const std::string& name, const StoredValue& value) {
    if (!CanStandBetweenQuotes(name)) {
        return std::nullopt;
    }
    std::string line = name.empty() ? "@" : QuotedText(name);
    line += '=';
    const std::string& data = value.data;
    if (value.type == kRegSz && !data.empty() && data.back() == '\0' &&
        CanStandBetweenQuotes(std::string_view(data).substr(0, data.size() - 1))) {
        line += QuotedText(std::string_view(data).substr(0, data.size() - 1));
    } else if (value.type == kRegDword && data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        }
        line += "dword:" + HexText(n, 8);
    } else {
        line += "hex(" + HexText(value.type, 1) + "):";
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i > 0) {
                line += ',';
            }
            line += HexText(static_cast<unsigned char>(data[i]), 2);
        }
    }
    return line;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<ValuesLine> ParseValuesFile(std::string_view content) {
    std::size_t line = 0;
    try {
        return ParseLines(content, line);
    } catch (const ParseFailure&) {
        throw InvalidValuesFile{line};
    }
}

std::optional<StoredValue> FindValue(const std::vector<ValuesLine>& lines, std::string_view name) {
    for (const ValuesLine& line : lines) {
        if (line.isValue && SameName(line.name, name)) {
            return line.value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ValuesFileWith(std::vector<ValuesLine> lines,
                                          const StoredValues& values) {
    for (const auto& entry : values) {
        const std::string& name = entry.first;
        const StoredValue& value = entry.second;
        std::optional<std::string> formatted = FormatValueLine(name, value);
        if (!formatted) {
            return std::nullopt;
        }
        auto found = std::find_if(lines.begin(), lines.end(), [&](const ValuesLine& line) {
            return line.isValue && SameName(line.name, name);
        });
        if (found != lines.end()) {
            // The value keeps the spelling of its name as the file has it.
            std::optional<std::string> kept = FormatValueLine(found->name, value);
            found->raw = kept ? *kept : *formatted;
        } else {
            ValuesLine added;
            added.raw = *formatted;
            added.isValue = true;
            added.name = name;
            lines.push_back(std::move(added));
        }
    }
    std::string content;
    for (const ValuesLine& line : lines) {
        content += line.raw;
        content += '\n';
    }
    return content;
}

}  // namespace keelson::platform
