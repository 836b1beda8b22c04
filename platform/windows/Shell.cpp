#include "platform/Shell.h"

#include <windows.h>

// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

namespace keelson::platform {

namespace {

// What ShellExecute's answer of 32 or less means.
std::string ShellErrorText(INT_PTR code) {
    switch (code) {
        case 0:
        case SE_ERR_OOM:
            return "Not enough memory";
        case SE_ERR_FNF:
            return "File not found";
        case SE_ERR_PNF:
            return "Path not found";
        case SE_ERR_ACCESSDENIED:
            return "Access denied";
        case ERROR_BAD_FORMAT:
            return "Exec format error";
        case SE_ERR_SHARE:
            return "Sharing violation";
        case SE_ERR_ASSOCINCOMPLETE:
        case SE_ERR_NOASSOC:
            return "No program is associated with this kind of file";
        case SE_ERR_DDETIMEOUT:
        case SE_ERR_DDEFAIL:
        case SE_ERR_DDEBUSY:
            return "The program did not answer";
        case SE_ERR_DLLNOTFOUND:
            return "A library the program needs was not found";
        default:
            return "Error " + std::to_string(code);
    }
}

}  // namespace

bool OpenWithShell(const std::string& file, const std::string& parameters,
                   const std::string& workingFolder, int showMode, std::string* reason) {
    HINSTANCE result =
        ::ShellExecuteA(::GetActiveWindow(), nullptr, file.c_str(),
                        parameters.empty() ? nullptr : parameters.c_str(),
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), showMode);
    // ShellExecute answers 32 or less when it started nothing.
    INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code <= 32 && reason != nullptr) {
        *reason = ShellErrorText(code);
    }
    return code > 32;
}

}  // namespace keelson::platform
