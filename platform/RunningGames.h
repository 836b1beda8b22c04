#pragma once
// Running copies of the game or its server. The game holds its INI files in
// memory and writes its own copy back when it saves its configuration or
// exits, so a change made to an INI beside it is silently undone: a rewrite
// asks first whether a running game uses the file.

#include <optional>
#include <string>

namespace keelson::platform {

// A running game or server process.
struct GameProcess {
    long pid = 0;
    std::string program;  // the program file's name: "ucc-bin", "UnrealTournament.exe"
};

// A running game or server process that uses the INI file at iniPath, if
// there is one. A game uses the INI that its command line names with
// "ini=" (the system INI) or "userini=" (the user INI), a relative path
// taken from its working folder, and without them UnrealTournament.ini and
// User.ini in its program's own folder. Links and the letter case that the
// file system ignores do not hide a match. Processes that cannot be looked
// at (another user's, where the system keeps them private) are passed over;
// nothing ever raises.
std::optional<GameProcess> FindGameUsing(const std::string& iniPath);

}  // namespace keelson::platform
