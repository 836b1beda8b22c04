#pragma once
// The windows' one conversion between the program's texts (bytes in the
// Windows-1252 code page, as the game's files and the settings hold them)
// and Qt's strings. Every byte has its own character, so bytes survive a
// round trip unchanged; a character outside the code page becomes "?".

#include <QString>
#include <string>
#include <string_view>

namespace keelson {

QString FromAnsi(std::string_view bytes);
std::string ToAnsi(const QString& text);

}  // namespace keelson
