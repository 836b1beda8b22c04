#include "core/common/UTSharedUtils1.h"

#include <array>
#include <charconv>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Shell.h"

namespace keelson {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    return text.substr(i);
}

}  // namespace

bool ExecuteFile(const std::string& file, const std::string& parameters,
                 const std::string& workingFolder, int showMode, std::string* reason) {
    return platform::OpenWithShell(file, parameters, workingFolder, showMode, reason);
}

std::string SpacesToUnderscores(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) <= 32) {
            c = '_';
        }
    }
    return result;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::int32_t StrToIntOrZero(std::string_view text) {
    std::string_view s = SkipLeadingBlanks(text);
    if (s.empty()) {
        return 0;
    }
    if (s[0] == '$') {
        std::string_view digits = s.substr(1);
        if (digits.empty() || digits.size() > 8) {
            return 0;
        }
        std::uint32_t value = 0;
        for (char c : digits) {
            int v = HexDigitValue(c);
            if (v < 0) {
                return 0;
            }
            value = (value << 4) | static_cast<std::uint32_t>(v);
        }
        return static_cast<std::int32_t>(value);
    }
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) {
        return 0;
    }
    // Accumulate as a negative number so that -2147483648 fits.
    std::int64_t value = 0;
    for (char c : s) {
        if (!IsDigit(c)) {
            return 0;
        }
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) {
            return 0;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > 2147483647LL || value < -2147483648LL) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

float StrToFloatOrZero(std::string_view text) {
    std::string_view s = SkipLeadingBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Check the whole form here; from_chars alone would accept "inf", "nan"
    // and hex floats, which the game's files never hold.
    std::size_t i = 0;
    std::size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return 0.0f;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        std::size_t expDigits = 0;
        while (j < s.size() && IsDigit(s[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits == 0) {
            return 0.0f;
        }
        i = j;
    }
    if (i != s.size()) {
        return 0.0f;
    }
    // from_chars does not take a leading "+" (dropped above); "+" in the
    // exponent and a point without digits on one side are fine.
    float value = 0.0f;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) {
        return 0.0f;
    }
    return negative ? -value : value;
}

std::string FloatToFixedText(float value) {
    std::array<char, 512> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                   static_cast<double>(value), std::chars_format::fixed, 6);
    if (ec != std::errc()) {
        return "0.000000";
    }
    std::string text(buffer.data(), end);
    // A value that rounds to zero is written without a sign.
    if (text == "-0.000000") {
        text = "0.000000";
    }
    return text;
}

std::string FolderOfPath(std::string_view path) {
    return platform::FolderOfPath(path);
}

std::string FileNameOfPath(std::string_view path) {
    return platform::FileNameOfPath(path);
}

int HexDigitValue(char c) {
    return platform::HexDigitValue(c);
}

char UpperAscii(char c) {
    return platform::UpperAscii(c);
}

std::string UpperAscii(std::string_view text) {
    return platform::UpperAscii(text);
}

bool EqualsUpper(std::string_view text, std::string_view upperPattern) {
    return text.size() == upperPattern.size() && StartsWithUpper(text, upperPattern);
}

bool StartsWithUpper(std::string_view text, std::string_view upperPrefix) {
    if (text.size() < upperPrefix.size()) {
        return false;
    }
    // Upper-cased here rather than by a call per byte: every line of an INI
    // that is read passes through here.
    for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
        const char c = text[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upperPrefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace keelson
