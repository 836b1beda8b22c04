// Loading the settings from a values file of many lines: every load parses
// the file once, in time that grows with its length.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/settings/Settings.h"
#include "platform/posix/FileSettingsStore.h"

namespace {

void BM_LoadSettingsFromLongValuesFile(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("keelson-bench-" + std::to_string(getpid()));
    const fs::path key = root / "Software" / "Brindlewood" / "Keelson" / "1";
    fs::create_directories(key);
    {
        std::ofstream out(key / "values.reg", std::ios::binary);
        for (int i = 0; i < state.range(0); ++i) {
            out << "\"Extra" << i << "\"=\"value " << i << "\"\n";
        }
        out << "\"UtBasePath\"=\"/srv/ut\"\n";
    }
    auto store = keelson::platform::OpenFileStore(root.string());
    for (auto _ : state) {
        keelson::TAppSettings settings;
        keelson::LoadPathValues(*store, settings);
        keelson::LoadFlagValues(*store, settings);
        benchmark::DoNotOptimize(settings.UtBasePath);
    }
    state.SetComplexityN(state.range(0));
    fs::remove_all(root);
}
BENCHMARK(BM_LoadSettingsFromLongValuesFile)->Arg(2000)->Arg(20000)->Complexity();

}  // namespace
