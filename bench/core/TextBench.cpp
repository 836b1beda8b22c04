#include <benchmark/benchmark.h>

#include "core/common/GameText.h"

// Splitting the lines of a large INI text.
static void BM_SplitLines(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        text += "BotNames[" + std::to_string(i % 32) + "]=Somebody\r\n";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(keelson::SplitGameTextLines(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SplitLines);
