#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/packages/PackageListRules.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"

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
