// Stands in for the game's server in the tests of the search for running
// games: copied under a game's program name and started with the game's
// arguments, which it ignores, except for its own:
//   ready=PATH  a file it writes once it runs, for the test to wait on
//   hold=PATH   a file it keeps open as long as it runs
//   stop=PATH   a file whose appearance makes it end
// It ends by itself after two minutes, so that a test that died cannot
// leave it behind for good.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    std::string ready;
    std::string hold;
    std::string stop;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("ready=", 0) == 0) {
            ready = arg.substr(6);
        } else if (arg.rfind("hold=", 0) == 0) {
            hold = arg.substr(5);
        } else if (arg.rfind("stop=", 0) == 0) {
            stop = arg.substr(5);
        }
    }
    std::ifstream held;
    if (!hold.empty()) {
        held.open(hold, std::ios::binary);
        if (!held) {
            return 2;
        }
    }
    if (!ready.empty()) {
        std::ofstream(ready, std::ios::binary) << "ready";
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < end) {
        std::error_code ec;
        if (!stop.empty() && std::filesystem::exists(stop, ec)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}
