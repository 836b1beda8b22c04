// What keeping versions costs a save, and how fast they are listed.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Versions.h"

namespace {

using namespace keelson;
namespace fs = std::filesystem;

constexpr std::size_t kLibraryBytes = 100000u * 1568u;  // 100,000 bots

// Every benchmark's versions go to a folder of their own, set before any
// benchmark runs: the user's own versions are never touched.
const std::string& VersionsBenchFolder() {
    static const std::string folder = [] {
        fs::path p = fs::temp_directory_path() /
                     ("keelson-versions-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(p);
        setenv("XDG_STATE_HOME", (p / "state").c_str(), 1);
        return p.string();
    }();
    return folder;
}
const std::string& gFolder = VersionsBenchFolder();

struct RemoveFolder {
    ~RemoveFolder() {
        std::error_code ec;
        fs::remove_all(gFolder, ec);
    }
} removeFolderAtExit;

// Two contents of a 157 MB library saved in turn, so that every save
// replaces a content that differs from its newest version (the first
// record differs, as after a sort).
void LibrarySaves(benchmark::State& state, bool keep) {
    platform::SetRewritePolicy({keep, false, "bench"});
    const std::string path = gFolder + (keep ? "/kept.ut_botlib" : "/plain.ut_botlib");
    std::string a(kLibraryBytes, 'a');
    std::string b(kLibraryBytes, 'a');
    b[0] = 'b';
    platform::WriteFileAtomically(path, a);
    bool second = false;
    for (auto _ : state) {
        platform::WriteFileAtomically(path, second ? a : b, platform::CreateFailure::SystemWording,
                                      platform::GameFile::Library);
        second = !second;
    }
    platform::SetRewritePolicy({});
}

void BM_LibrarySave100kKeepingVersion(benchmark::State& state) {
    LibrarySaves(state, true);
}
BENCHMARK(BM_LibrarySave100kKeepingVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibrarySave100kNoVersions(benchmark::State& state) {
    LibrarySaves(state, false);
}
BENCHMARK(BM_LibrarySave100kNoVersions)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli versions list of a file with its 20 versions.
void BM_VersionsList20(benchmark::State& state) {
    platform::SetRewritePolicy({true, false, "bench"});
    const std::string path = gFolder + "/UnrealTournament.ini";
    platform::WriteFileAtomically(path, "[Engine.GameEngine]\r\n");
    for (int i = 0; i < 25; ++i) {
        platform::WriteFileAtomically(
            path, "[Engine.GameEngine]\r\nServerPackages=P" + std::to_string(i) + "\r\n",
            platform::CreateFailure::SystemWording, platform::GameFile::Ini);
    }
    std::size_t listed = 0;
    for (auto _ : state) {
        listed = platform::ListVersions(path).size();
    }
    state.counters["versions"] = static_cast<double>(listed);
    platform::SetRewritePolicy({});
}
BENCHMARK(BM_VersionsList20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
