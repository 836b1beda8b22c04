// keelson: the desktop program.

#include <cstring>
#include <iostream>

#include "app/KeelsonApplication.h"
#include "app/KeelsonWindows.h"

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

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kHelp;
            return 0;
        }
    }
    keelson::KeelsonApplication app(argc, argv);
    std::unique_ptr<keelson::KeelsonWindows> windows = keelson::CreateWindows();
    return keelson::RunKeelson(*windows);
}
