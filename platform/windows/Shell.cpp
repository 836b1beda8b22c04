#include "platform/Shell.h"

#include <windows.h>

// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace keelson::platform {

bool OpenWithShell(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder, int showMode) {
    HINSTANCE result =
        ::ShellExecuteA(::GetActiveWindow(), nullptr, file.c_str(),
                        parameters.empty() ? nullptr : parameters.c_str(),
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), showMode);
    // ShellExecute answers 32 or less when it started nothing.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace keelson::platform
