// The number readers against a plain reference: StrToIntOrZero by hand,
// StrToFloatOrZero by strtof on the texts that the rules accept.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/common/UTSharedUtils1.h"
#include "fuzz/FuzzSupport.h"

using namespace keelson;

namespace {

std::int32_t ReferenceInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    s.remove_prefix(i);
    if (s.empty()) {
        return 0;
    }
    if (s[0] == '$') {
        if (s.size() < 2 || s.size() > 9) {
            return 0;
        }
        std::uint32_t v = 0;
        for (char c : s.substr(1)) {
            int d = HexDigitValue(c);
            if (d < 0) {
                return 0;
            }
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(v);
    }
    bool negative = s[0] == '-';
    if (s[0] == '+' || s[0] == '-') {
        s.remove_prefix(1);
    }
    if (s.empty()) {
        return 0;
    }
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return 0;
        }
        v = std::min(v * 10 + (c - '0'), 1LL << 40);  // far beyond the range is enough
    }
    v = negative ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX) {
        return 0;
    }
    return static_cast<std::int32_t>(v);
}

// True when the text has the form the float reader accepts.
bool FloatForm(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    return i == s.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string_view text = fuzz::Bytes(data, size);
    FUZZ_CHECK(StrToIntOrZero(text) == ReferenceInt(text));
    const float value = StrToFloatOrZero(text);
    if (!FloatForm(text)) {
        FUZZ_CHECK(value == 0.0f);
    } else {
        std::string copy(text);
        // Rounded once, from the full text to the nearest float (through a
        // double would round twice).
        float reference = std::strtof(copy.c_str(), nullptr);
        if (std::fabs(reference) < 1e30f && std::fabs(reference) > 1e-30f) {
            FUZZ_CHECK(value == reference);
        }
    }
    if (std::isfinite(value) && std::fabs(value) < 1e30f) {
        const std::string fixed = FloatToFixedText(value);
        FUZZ_CHECK(std::fabs(StrToFloatOrZero(fixed) - value) <= 5e-7f + std::fabs(value) * 1e-6f);
    }
    return 0;
}
