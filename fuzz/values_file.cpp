// The settings store's values file, as bytes: a file that parses, written
// back unchanged, parses to the same values in the same order; written back
// with one value changed, it parses to the same values but that one.

#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/posix/ValuesFile.h"

using namespace keelson;
using platform::ValuesLine;

namespace {

platform::StoredValues ValuesOf(const std::vector<ValuesLine>& lines) {
    platform::StoredValues values;
    for (const ValuesLine& line : lines) {
        if (line.isValue) {
            values.emplace_back(line.name, line.value);
        }
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::vector<ValuesLine> lines;
    try {
        lines = platform::ParseValuesFile(fuzz::Bytes(data, size));
    } catch (const platform::InvalidValuesFile&) {
        return 0;  // a file that does not parse is reported, not rewritten
    }
    const platform::StoredValues before = ValuesOf(lines);

    const std::optional<std::string> unchanged = platform::ValuesFileWith(lines, {});
    FUZZ_CHECK(unchanged.has_value());
    FUZZ_CHECK(ValuesOf(platform::ParseValuesFile(*unchanged)) == before);

    const std::string name = "UtBasePath";
    const platform::StoredValue changed{platform::kRegSz, std::string("/srv/ut\0", 8)};
    const std::optional<std::string> rewritten = platform::ValuesFileWith(lines, {{name, changed}});
    FUZZ_CHECK(rewritten.has_value());
    const std::vector<ValuesLine> after = platform::ParseValuesFile(*rewritten);
    FUZZ_CHECK(platform::FindValue(after, name) == changed);
    const bool hadIt = platform::FindValue(lines, name).has_value();
    FUZZ_CHECK(ValuesOf(after).size() == before.size() + (hadIt ? 0 : 1));
    for (const auto& [other, value] : before) {
        if (!platform::SameName(other, name)) {
            FUZZ_CHECK(platform::FindValue(after, other) == value);
        }
    }
    return 0;
}
