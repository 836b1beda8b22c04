#pragma once
// Small functions shared by the windows and the file codecs. The number
// conversions are the program's only parsing of numbers and the six-decimal
// format its only formatting of fractions, so the INI files that the
// program reads and writes follow their rules exactly.

#include <cstdint>
#include <string>
#include <string_view>

namespace keelson {

// Windows show-window code: activate and show at the current size and place.
inline constexpr int kShowNormal = 5;

// Asks the shell to open a file with its default action: a program is
// started with the working folder given, a folder or document is opened
// with its associated program. Returns false only where the platform says
// at once that nothing was started (with the system's reason in reason,
// when given); callers may ignore it.
bool ExecuteFile(const std::string& file, const std::string& parameters,
                 const std::string& workingFolder, int showMode, std::string* reason = nullptr);

// Every character of code 0 to 32 becomes "_"; the length is kept.
std::string SpacesToUnderscores(std::string_view text);

// Byte-for-byte, case-sensitive prefix test.
bool StartsWith(std::string_view text, std::string_view prefix);

// A signed 32-bit integer from the whole text: leading blanks (code 32
// only), an optional sign and decimal digits, or "$" and 1 to 8 hex digits.
// Anything else, or a value out of range, gives 0.
std::int32_t StrToIntOrZero(std::string_view text);

// A number from the whole text, "." always the decimal separator, rounded
// to the nearest 32-bit float; bad text gives 0.
float StrToFloatOrZero(std::string_view text);

// Fixed-point with exactly six decimals and "." as the point: 0.500000.
std::string FloatToFixedText(float value);

// The folder part of a path, without a trailing separator except at a
// root. On Windows "\" and "/" are both separators and ":" ends a drive
// name; elsewhere "/" is the only separator.
std::string FolderOfPath(std::string_view path);

// The file name part of a path: everything behind its last separator (on
// Windows also behind a drive's ":").
std::string FileNameOfPath(std::string_view path);

// The value of a hexadecimal digit (0-9, a-f, A-F), or -1.
int HexDigitValue(char c);

// Upper-casing of the game's INI files: only the letters a to z change.
char UpperAscii(char c);
std::string UpperAscii(std::string_view text);

// True when the text, upper-cased as above, equals an upper-case pattern.
bool EqualsUpper(std::string_view text, std::string_view upperPattern);

// True when the text, upper-cased as above, begins with an upper-case prefix.
bool StartsWithUpper(std::string_view text, std::string_view upperPrefix);

}  // namespace keelson
