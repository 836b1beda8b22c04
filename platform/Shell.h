#pragma once
// Starting a program or opening a document or folder, as the Windows shell
// does. Elsewhere a program file is started directly, never through a
// shell, and anything else is handed to the desktop's opener.

#include <string>

namespace keelson::platform {

// Returns false where the platform tells at once that nothing was started;
// reason, when given, then receives the system's words for why
// ("Permission denied", "Exec format error").
bool OpenWithShell(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder, int showMode, std::string* reason = nullptr);

}  // namespace keelson::platform
