#pragma once
// The values file of a settings key, "values.reg", as text: its lines parsed
// and written back, on bytes only (the store reads and writes the file).
// Lines that are not values, and values that were not changed, are written
// back exactly as they were read.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SettingsStore.h"

namespace keelson::platform {

inline constexpr std::string_view kValuesFileName = "values.reg";

// True when two key or value names are the same ignoring letter case.
bool SameName(std::string_view a, std::string_view b);

// One logical line of a values file.
struct ValuesLine {
    std::string raw;
    bool isValue = false;
    std::string name;
    StoredValue value;
};

// Raised for a values file that does not parse: line is the (1-based) line
// that is wrong.
struct InvalidValuesFile {
    std::size_t line = 0;
};

// The lines of a values file. A hex value may go on over several lines, each
// but the last ending in "\", as regedit writes long values. Two values of
// one name are refused. Raises InvalidValuesFile.
std::vector<ValuesLine> ParseValuesFile(std::string_view content);

// The value of that name among the lines; nothing when none has it.
std::optional<StoredValue> FindValue(const std::vector<ValuesLine>& lines, std::string_view name);

// The content of a values file of these lines with the values set in it
// (changed where the lines hold them, added at the end otherwise); nothing
// when a value's name cannot be written.
std::optional<std::string> ValuesFileWith(std::vector<ValuesLine> lines,
                                          const StoredValues& values);

}  // namespace keelson::platform
