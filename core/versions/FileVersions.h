#pragma once
// The game's files as their versions see them: which kind of file a content
// is, the lines by which two contents are compared, and the unified diff
// between them.

#include <string>
#include <string_view>
#include <vector>

namespace keelson {

enum class GameFileKind { UserIni, SystemIni, Library, Unknown };

// What a content is: an INI with the game's engine sections is a system
// INI, one with the player's sections (input, the bots) a user INI; a
// content made of whole bot records a bot library (an empty one only when
// the name ends in ".ut_botlib").
GameFileKind RecogniseGameFile(std::string_view content, std::string_view name);

// "user INI", "system INI", "bot library".
std::string_view GameFileKindName(GameFileKind kind);

// The lines of a content as versions are compared: an INI's own lines (its
// line ends and Ctrl-Z rule), a library's bots as `bots show` prints them,
// every field on a line of its own and an empty line after each bot. The
// views point into holder, which keeps the library's printed text.
std::vector<std::string_view> ComparableLines(std::string_view content, GameFileKind kind,
                                              std::string& holder);

// A unified diff from the lines before to the lines after, with three lines
// of context: "--- FROM", "+++ TO", then "@@ -a,b +c,d @@" hunks. Empty when
// the lines are the same.
std::string UnifiedDiff(const std::vector<std::string_view>& before,
                        const std::vector<std::string_view>& after, const std::string& fromLabel,
                        const std::string& toLabel);

}  // namespace keelson
