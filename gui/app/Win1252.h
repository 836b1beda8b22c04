#pragma once
// The windows' one conversion between the program's texts (bytes in the
// Windows-1252 code page, as the game's files and the settings hold them)
// and Qt's strings, by the core's table (core/common/Win1252.h). Every byte has its own character,
// so bytes survive a round trip unchanged; a character outside the code page becomes "?".

#include <QString>
#include <string>
#include <string_view>

namespace keelson {

QString FromAnsi(std::string_view bytes);
std::string ToAnsi(const QString& text);

// Paths shown in a box or chosen in a dialog. On Windows they are ANSI texts
// like every other. Elsewhere the file system names files in UTF-8, so a
// path is converted with it: a folder named "Jeux é" is then both shown as
// such and found again when typed or picked. Bytes that are no UTF-8 (a
// path stored in Windows-1252) are shown by the table above instead.
QString FromPath(std::string_view bytes);
std::string ToPath(const QString& text);

// What a path box holds when its window is closed: the original bytes when
// the box still shows them, so that an unchanged path is stored exactly as
// it was, else the text as a path.
std::string PathOfBox(const QString& text, const std::string& original);

}  // namespace keelson
