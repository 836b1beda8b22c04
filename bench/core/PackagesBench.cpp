#include <benchmark/benchmark.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/packages/PackageCheck.h"
#include "core/packages/PackageListRules.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"
#include "tests/support/PackageBuilder.h"

namespace {

namespace fs = std::filesystem;
using namespace keelson;

// A game folder of its own for one benchmark, removed afterwards.
class BenchFolder {
  public:
    BenchFolder() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("keelson-bench-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~BenchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        fs::path p = path_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

  private:
    fs::path path_;
};

struct PackageFolder {
    const char* folder;
    const char* extension;
};
constexpr PackageFolder kFolders[] = {{"System", ".u"},
                                      {"Maps", ".unr"},
                                      {"Textures", ".utx"},
                                      {"Sounds", ".uax"},
                                      {"Music", ".umx"}};

// 10,000 packages spread over the five folders of the standard Paths; with
// the argument 10, one in ten has no file and one in four of the others is
// spelt in another letter case on disk; with 0, none has a file. The file system's caches are
// warm after the first run.
void BM_RemoveMissingPackages(benchmark::State& state) {
    const int missingEvery = static_cast<int>(state.range(0));
    BenchFolder game;
    std::string paths = "[Core.System]\n";
    for (const PackageFolder& f : kFolders) {
        paths += std::string("Paths=../") + f.folder + "/*" + f.extension + "\n";
    }
    const std::string ini = game.Write("System/UnrealTournament.ini", paths + "\n");
    PackageList original;
    for (int i = 0; i < 10000; ++i) {
        std::string name = "Package" + std::to_string(i) + "Skins";
        original.Append(name);
        if (missingEvery == 0 || i % missingEvery == 0) {
            continue;  // with 0, every package is missing
        }
        const PackageFolder& f = kFolders[i % 5];
        std::string onDisk = i % 4 == 1 ? "package" + std::to_string(i) + "skins" : name;
        game.Write(std::string(f.folder) + "/" + onDisk + f.extension, "");
    }
    std::size_t removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PackageList list = original;
        state.ResumeTiming();
        removed = RemoveMissingPackages(list, ini);
        benchmark::DoNotOptimize(list);
    }
    state.counters["removed"] = static_cast<double>(removed);
}
BENCHMARK(BM_RemoveMissingPackages)->Arg(10)->Arg(0)->Unit(benchmark::kMillisecond);

// A game folder as keelson-cli's packages rows meet it: a system INI that
// lists count packages under the five Paths patterns; nine in ten have a
// file, a quarter of those spelt in another letter case on disk.
struct BigGame {
    explicit BigGame(int count) {
        std::string text = "[Core.System]\r\n";
        for (const PackageFolder& f : kFolders) {
            text += std::string("Paths=../") + f.folder + "/*" + f.extension + "\r\n";
        }
        text += "\r\n[Engine.GameEngine]\r\n";
        for (int i = 0; i < count; ++i) {
            std::string name = "Package" + std::to_string(i) + "Skins";
            text += "ServerPackages=" + name + "\r\n";
            if (i % 10 == 0) {
                continue;
            }
            const PackageFolder& f = kFolders[i % 5];
            std::string onDisk = i % 4 == 1 ? "package" + std::to_string(i) + "skins" : name;
            game.Write(std::string(f.folder) + "/" + onDisk + f.extension, "");
        }
        text += "\r\n[Engine.Other]\r\nSetting=1\r\n";
        ini = game.Write("System/UnrealTournament.ini", text);
    }
    BenchFolder game;
    std::string ini;
};

// keelson-cli packages list: the list read and printed.
void BM_PackagesList100k(benchmark::State& state) {
    BigGame big(100000);
    for (auto _ : state) {
        PackageList list;
        ReadServerPackages(list, big.ini);
        std::string out;
        for (const std::string& entry : list) {
            out.append(entry).push_back('\n');
        }
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_PackagesList100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// keelson-cli packages remove N1 ... N1000: 1,000 names, in another letter
// case, out of 100,000 entries.
void BM_RemoveByNames1000Of100k(benchmark::State& state) {
    PackageList original;
    for (int i = 0; i < 100000; ++i) {
        original.Append("Package" + std::to_string(i) + "Skins");
    }
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        names.push_back("PACKAGE" + std::to_string(i * 100 + 7) + "skins");
    }
    std::size_t removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PackageList list = original;
        state.ResumeTiming();
        removed = RemoveByNames(list, names);
    }
    state.counters["removed"] = static_cast<double>(removed);
}
BENCHMARK(BM_RemoveByNames1000Of100k)->Unit(benchmark::kMillisecond);

// keelson-cli packages remove --missing on 100,000 entries (warm caches).
void BM_RemoveMissing100k(benchmark::State& state) {
    BigGame big(100000);
    PackageList original;
    ReadServerPackages(original, big.ini);
    std::size_t removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PackageList list = original;
        state.ResumeTiming();
        removed = RemoveMissingPackages(list, big.ini);
    }
    state.counters["removed"] = static_cast<double>(removed);
}
BENCHMARK(BM_RemoveMissing100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// 10,000 names added one by one, each tested against everything listed.
void BM_AddPack10000(benchmark::State& state) {
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) {
        names.push_back("CustomPackage" + std::to_string(i));
    }
    for (auto _ : state) {
        PackageList list;
        for (const std::string& name : names) {
            AddPack(list, name);
        }
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_AddPack10000)->Unit(benchmark::kMillisecond);

// A 50 MB system INI: its ServerPackages read, then the file rewritten with
// the list (read again, rebuilt, written to a temporary file, flushed to
// disk and renamed).
void BM_SystemIniReadAndRewrite(benchmark::State& state) {
    BenchFolder game;
    std::string text = "[Core.System]\r\nPaths=../System/*.u\r\n\r\n[Engine.GameEngine]\r\n";
    for (int i = 0; i < 1000; ++i) {
        text += "ServerPackages=Package" + std::to_string(i) + "\r\n";
    }
    text += "\r\n";
    for (int section = 0; text.size() < 50u * 1000 * 1000; ++section) {
        text += "[Mod" + std::to_string(section) + ".Settings]\r\n";
        for (int key = 0; key < 20; ++key) {
            text += "Setting" + std::to_string(key) + "=Some value of a typical length\r\n";
        }
        text += "\r\n";
    }
    const std::string ini = game.Write("System/UnrealTournament.ini", text);
    for (auto _ : state) {
        PackageList list;
        ReadServerPackages(list, ini);
        AddPack(list, "OneMore");
        benchmark::DoNotOptimize(WriteServerPackages(list, ini));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SystemIniReadAndRewrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rewrite alone, in memory: what the codec costs without the disk.
void BM_SystemIniRewriteText(benchmark::State& state) {
    std::string text = "[Engine.GameEngine]\r\nServerPackages=A\r\n\r\n";
    while (text.size() < 50u * 1000 * 1000) {
        text += "Setting=Some value of a typical length\r\n";
    }
    PackageList list{"BotPack", "SoldierSkins"};
    for (auto _ : state) {
        benchmark::DoNotOptimize(RewriteServerPackagesText(list, text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SystemIniRewriteText)->Unit(benchmark::kMillisecond);

}  // namespace

// ---- the package check ----

// Megabytes of the largest resident set so far (0 where not measured).
double PeakResidentMB() {
#ifdef _WIN32
    return 0;
#else
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

// What cat of every file costs: each read whole, through a small buffer.
double SecondsToReadWhole(const std::vector<std::string>& files) {
    std::vector<char> buffer(1 << 20);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// keelson-cli packages check of a 2,000-entry list on a game folder of 2,000
// package files of 2 MB each (4 GB, sparse: the header and name table at the
// start, the import table at the end, as in real packages). Each package
// needs Core, Engine and the next one. catRatio: the check's time over that
// of reading every file whole (warm cache); the target is at most 0.05, and
// peakMB under 50.
void BM_CheckPackages2000(benchmark::State& state) {
    constexpr int kCount = 2000;
    constexpr std::uint64_t kFileSize = 2u << 20;
    BenchFolder game;
    std::string text = "[Core.System]\r\nPaths=../System/*.u\r\n\r\n[Engine.GameEngine]\r\n";
    std::vector<std::string> entries;
    std::vector<std::string> files;
    auto writeSparse = [&](const std::string& name, std::vector<std::string> needs) {
        PackageInfo info;
        info.version = 69;
        info.flags = kPackageAllowDownload;
        info.guid = std::array<std::uint32_t, 4>{1, 2, 3, 4};
        info.generations = {{100, 200}};
        info.dependencies = std::move(needs);
        test::PackagePieces p = test::PackageParts(info, kFileSize);
        const std::string path = game.Write("System/" + name + ".u", p.head);
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(static_cast<std::streamoff>(p.tailOffset));
        f.write(p.tail.data(), static_cast<std::streamsize>(p.tail.size()));
        files.push_back(path);
    };
    writeSparse("Core", {});
    writeSparse("Engine", {"Core"});
    for (int i = 0; i < kCount; ++i) {
        const std::string name = "Mod" + std::to_string(i);
        std::vector<std::string> needs{"Core", "Engine"};
        if (i + 1 < kCount) {
            needs.push_back("Mod" + std::to_string(i + 1));
        }
        writeSparse(name, needs);
        entries.push_back(name);
        text += "ServerPackages=" + name + "\r\n";
    }
    const std::string ini = game.Write("System/UnrealTournament.ini", text);
    SecondsToReadWhole(files);  // warms the cache
    const double catSeconds = SecondsToReadWhole(files);
    double checkSeconds = 0;
    std::size_t findings = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        PackageCheckResult result = CheckPackages(entries, ini);
        checkSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        findings = result.findings.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["findings"] = static_cast<double>(findings);
    state.counters["catRatio"] = checkSeconds / catSeconds;
    state.counters["peakMB"] = PeakResidentMB();
}
BENCHMARK(BM_CheckPackages2000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
