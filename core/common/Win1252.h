#pragma once
// Windows-1252, the code page of the game's files, the settings and every
// text of the program. Every byte has its own character, so that bytes
// survive a round trip through Unicode unchanged: the five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep the C1
// control of the same number.

#include <string>
#include <string_view>

namespace keelson {

// The character of a byte.
char16_t CharOfAnsiByte(unsigned char byte);

// The byte of a character of the code page; "?" for any other character.
char AnsiByteOfChar(char32_t character);

// The text in UTF-8, byte for character.
std::string Utf8OfAnsi(std::string_view ansi);

}  // namespace keelson
