// keelson: the desktop program.

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>

#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"

namespace {

constexpr const char* kHelp =
    "Usage: keelson [--help]\n"
    "\n"
    "Keelson edits the bots of Unreal Tournament's user INI and the ServerPackages\n"
    "list of its system INI, and starts the game.\n"
    "\n"
    "Settings store:\n"
    "  Keelson keeps its settings in a small store of its own, one folder per key.\n"
    "  It is the folder named by the environment variable KEELSON_REGISTRY, or else\n"
    "  $XDG_CONFIG_HOME/keelson/registry (~/.config/keelson/registry).\n"
    "  On Windows the settings are kept in the registry.\n"
    "\n"
    "Game folder:\n"
    "  On a first start Keelson proposes the folder that the game's installer\n"
    "  recorded. To record it yourself, in the same store:\n"
    "    keelson-cli settings set-game-folder DIR\n"
    "  The folder can also be changed at any time in the Options window.\n";

#if !defined(_WIN32) && !defined(__APPLE__)
bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}
#endif

// Whether Qt will find somewhere to show the windows. Without it Qt aborts
// with a message about platform plugins that tells an admin on a server
// nothing; keelson-cli is what they want there.
bool HasDisplay() {
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    if (Set("QT_QPA_PLATFORM")) {
        std::string_view platform = std::getenv("QT_QPA_PLATFORM");
        platform = platform.substr(0, platform.find(':'));
        // Only these two need a display server; offscreen, minimal,
        // linuxfb, eglfs, vnc and the others draw on their own.
        if (platform != "xcb" && !platform.starts_with("wayland")) {
            return true;
        }
    }
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kHelp;
            return 0;
        }
    }
    if (!HasDisplay()) {
        std::cerr << "keelson: no display found; keelson-cli does the same work without one\n";
        return 1;
    }
    keelson::KeelsonApplication app(argc, argv);
    std::unique_ptr<keelson::KeelsonWindows> windows = keelson::CreateWindows();
    return keelson::RunKeelson(*windows);
}
