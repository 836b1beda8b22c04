#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstring>
#include <map>

#include "core/bots/BotFiles.h"
#include "core/bots/BotLibrary.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "platform/FileSystem.h"

namespace {

using namespace keelson;
namespace fs = std::filesystem;

constexpr int kLibraryBots = 100000;
constexpr std::size_t kUserIniBytes = 50u << 20;

std::string BenchFolder() {
    static const std::string folder = [] {
        fs::path p =
            fs::temp_directory_path() / ("keelson-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(p);
        return p.string();
    }();
    return folder;
}

struct RemoveFolder {
    ~RemoveFolder() {
        std::error_code ec;
        fs::remove_all(BenchFolder(), ec);
    }
} removeFolderAtExit;

std::string RandomName(std::mt19937& random) {
    static const char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789 ";
    std::string name;
    std::size_t length = 4 + random() % 16;
    for (std::size_t i = 0; i < length; ++i) {
        name += letters[random() % (sizeof letters - 1)];
    }
    return name;
}

// A roster of bots with random names and realistic texts.
void FillRoster(TBigKegOBots& roster, int count) {
    std::mt19937 random(42);
    for (int i = 0; i < count; ++i) {
        TBotRecord bot = DefaultBot;
        bot.Name = RandomName(random);
        bot.Team = static_cast<std::uint8_t>(random() % 5);
        bot.Skill = static_cast<float>(random() % 41) * 0.05f - 1.0f;
        bot.FavoriteWeapon = "Botpack.SniperRifle";
        roster.AddBot(bot);
    }
}

const std::string& LibraryPath() {
    static const std::string path = [] {
        TBigKegOBots roster;
        FillRoster(roster, kLibraryBots);
        std::string p = BenchFolder() + "/big.ut_botlib";
        roster.SaveToFile(p);
        return p;
    }();
    return path;
}

// A user INI of 50 MB: other sections, then a bot section full of key lines
// (repeated slots, keys in any case), then more sections.
const std::string& UserIniText() {
    static const std::string text = [] {
        std::mt19937 random(7);
        std::string t;
        t.reserve(kUserIniBytes + 4096);
        for (int section = 0; t.size() < kUserIniBytes / 3; ++section) {
            t += "[Engine.Section" + std::to_string(section) + "]\r\n";
            for (int k = 0; k < 40; ++k) {
                t += "Key" + std::to_string(k) + "=Value number " + std::to_string(random()) +
                     "\r\n";
            }
            t += "\r\n";
        }
        t += "[Botpack.ChallengeBotInfo]\r\nDifficulty=3\r\n";
        const char* keys[] = {"BotNames",        "botfaces",  "BotSkins",    "BotClasses",
                              "FavoriteWeapon",  "VoiceType", "BotAccuracy", "CombatStyle",
                              "StrafingAbility", "Camping",   "BotSkills",   "Alertness",
                              "BotTeams",        "BotJumpy"};
        while (t.size() < kUserIniBytes * 2 / 3) {
            t += keys[random() % 14];
            t.append("[").append(std::to_string(random() % 32)).append("]=");
            t.append(RandomName(random)).append("\r\n");
        }
        t += "\r\n";
        for (int section = 0; t.size() < kUserIniBytes; ++section) {
            t += "[After.Section" + std::to_string(section) +
                 "]\r\nSomething=" + std::to_string(random()) + "\r\n\r\n";
        }
        return t;
    }();
    return text;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A library of count bots, made once.
const std::string& LibraryOf(int count) {
    static std::map<int, std::string> made;
    auto [it, inserted] = made.try_emplace(count);
    if (inserted) {
        TBigKegOBots roster;
        FillRoster(roster, count);
        it->second = BenchFolder() + "/lib" + std::to_string(count) + ".ut_botlib";
        roster.SaveToFile(it->second);
    }
    return it->second;
}

// The process's resident memory (VmRSS) or its peak since the last reset
// (VmHWM), in bytes; 0 where the system does not say.
std::size_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return static_cast<std::size_t>(std::stoull(line.substr(std::strlen(field) + 1))) *
                   1024;
        }
    }
    return 0;
}

// How far the resident memory rose above where it stood while work ran.
template <class Work>
std::size_t PeakRssGrowth(Work work) {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    std::size_t before = StatusBytes("VmRSS:");
    work();
    std::size_t peak = StatusBytes("VmHWM:");
    return peak > before ? peak - before : 0;
}

std::size_t HeapInUse() {
#if defined(__GLIBC__)
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#else
    return 0;
#endif
}

// Times are wall-clock times, since the file operations wait for the disk.

// Opening a 100,000-bot library; also the roster's memory against the file.
void BM_LibraryOpen100k(benchmark::State& state) {
    const std::string& path = LibraryPath();
    double memoryRatio = 0;
    for (auto _ : state) {
        std::size_t before = HeapInUse();
        TBigKegOBots roster;
        roster.AppendFromFile(path);
        memoryRatio =
            static_cast<double>(HeapInUse() - before) / static_cast<double>(fs::file_size(path));
        benchmark::DoNotOptimize(roster.Count());
    }
    state.counters["roster_memory_per_file_byte"] = memoryRatio;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
}
BENCHMARK(BM_LibraryOpen100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Saving a 100,000-bot library (temporary file, flush to disk, rename).
void BM_LibrarySave100k(benchmark::State& state) {
    TBigKegOBots roster;
    FillRoster(roster, kLibraryBots);
    std::string path = BenchFolder() + "/save.ut_botlib";
    for (auto _ : state) {
        roster.SaveToFile(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kLibraryBots *
                            static_cast<std::int64_t>(kBotRecordSize));
}
BENCHMARK(BM_LibrarySave100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli bots list: every bot's label, the library streamed; also the
// peak memory against the file's size.
void BM_LibraryList100k(benchmark::State& state) {
    const std::string& path = LibraryOf(kLibraryBots);
    double rssRatio = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        auto list = [&] {
            ForEachLibraryBot(path, [&](const TBotRecord& bot) {
                std::string label = BotDisplayLabel(bot);
                bytes += label.size();
            });
        };
        rssRatio = static_cast<double>(PeakRssGrowth(list)) /
                   static_cast<double>(fs::file_size(path));
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["peak_rss_per_file_byte"] = rssRatio;
}
BENCHMARK(BM_LibraryList100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli bots sort: the library read, sorted and written back.
void BM_LibrarySortFile100k(benchmark::State& state) {
    std::string path = BenchFolder() + "/sort.ut_botlib";
    fs::copy_file(LibraryOf(kLibraryBots), path, fs::copy_options::overwrite_existing);
    for (auto _ : state) {
        TBigKegOBots roster;
        roster.AppendFromFile(path);
        roster.SortByName();
        roster.SaveToFile(path);
    }
}
BENCHMARK(BM_LibrarySortFile100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli bots add: one bot at the end of a 100,000-bot library.
void BM_LibraryAddBot100k(benchmark::State& state) {
    std::string path = BenchFolder() + "/add.ut_botlib";
    fs::copy_file(LibraryOf(kLibraryBots), path, fs::copy_options::overwrite_existing);
    TBotRecord bot = DefaultBot;
    bot.Name = "Newcomer";
    for (auto _ : state) {
        AppendBotToLibrary(bot, path);
    }
}
BENCHMARK(BM_LibraryAddBot100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli bots export: 32 bots drawn from a 100,000-bot library into a
// user INI's slots.
void BM_LibraryExport100k(benchmark::State& state) {
    const std::string& path = LibraryOf(kLibraryBots);
    std::string ini = BenchFolder() + "/export.ini";
    WriteFile(ini, "[Engine.Player]\r\nName=Player\r\n\r\n[Botpack.ChallengeBotInfo]\r\n"
                   "Difficulty=3\r\n\r\n");
    for (auto _ : state) {
        TBotSlotTable slots;
        FillGameSlotsFromLibrary(path, slots);
        if (WriteUserIniBots(slots, ini)) {
            state.SkipWithError("not a UT INI file");
        }
    }
}
BENCHMARK(BM_LibraryExport100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening a 1,000,000-bot library (1.57 GB): the peak memory against the
// roster's own.
void BM_LibraryOpen1M(benchmark::State& state) {
    const std::string& path = LibraryOf(1000000);
    double ratio = 0;
    for (auto _ : state) {
        std::size_t heapBefore = HeapInUse();
        std::size_t roster = 0;
        std::size_t peak = PeakRssGrowth([&] {
            TBigKegOBots bots;
            bots.AppendFromFile(path);
            roster = HeapInUse() - heapBefore;
            benchmark::DoNotOptimize(bots.Count());
        });
        ratio = static_cast<double>(peak) / static_cast<double>(roster);
    }
    state.counters["peak_rss_per_roster_byte"] = ratio;
    fs::remove(path);
}
BENCHMARK(BM_LibraryOpen1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_SortByName100k(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TBigKegOBots roster;
        FillRoster(roster, kLibraryBots);
        state.ResumeTiming();
        roster.SortByName();
        state.PauseTiming();
        roster.ClearBots();  // outside the measured time
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortByName100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UserIniImport50MB(benchmark::State& state) {
    const std::string& text = UserIniText();
    std::string path = BenchFolder() + "/import.ini";
    WriteFile(path, text);
    for (auto _ : state) {
        TBigKegOBots roster;
        roster.ImportUserIni(path);
        benchmark::DoNotOptimize(roster.Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UserIniImport50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Rewriting the bot section of a 50 MB user INI (read, rewrite, temporary
// file, flush to disk, rename).
void BM_UserIniRewrite50MB(benchmark::State& state) {
    const std::string& text = UserIniText();
    std::string path = BenchFolder() + "/rewrite.ini";
    TBigKegOBots roster;
    FillRoster(roster, 40);
    TBotSlotTable slots;
    roster.FillGameSlots(slots);
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(path, text);
        state.ResumeTiming();
        if (WriteUserIniBots(slots, path)) {
            state.SkipWithError("not a UT INI file");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UserIniRewrite50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
