// The Server Packages Editor on a list of 10,000 packages: loading it from
// the system INI and each button pressed on it, with the window shown and
// its list box laid out and painted (QT_QPA_PLATFORM=offscreen by default).
// The list is refilled outside the timing before each press that shrinks it.

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "gui/app/Desktop.h"
#include "core/settings/Settings.h"
#include "gui/packages/SvPack.h"

namespace {

namespace fs = std::filesystem;
using namespace keelson;

constexpr int kPackages = 10000;

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A game folder whose system INI lists 10,000 packages; one in ten has no
// file, the others are spread over System and Textures.
class Game {
  public:
    Game() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("keelson-svpack-bench-" + std::to_string(rd()));
        std::string ini =
            "[Core.System]\r\nPaths=../System/*.u\r\nPaths=../Textures/*.utx\r\n\r\n"
            "[Engine.GameEngine]\r\nCacheSizeMegs=4\r\n";
        for (int i = 0; i < kPackages; ++i) {
            const std::string name = (i % 4 == 0 ? "SkinPack" : "Mutator") + std::to_string(i);
            ini += "ServerPackages=" + name + "\r\n";
            if (i % 10 == 9) {
                continue;
            }
            WriteFile(i % 4 == 0 ? root_ / "Textures" / (name + ".utx")
                                 : root_ / "System" / (name + ".u"),
                      "x");
        }
        iniText_ = ini + "\r\n[Engine.Player]\r\nConfiguredInternetSpeed=20000\r\n";
        WriteIni();
        WriteFile(root_ / "presets" / "Mod.ut_pre",
                  "A Mod\r\n\r\nhttps://example.org\r\nMutator1\r\nMutator2\r\nSkinPack4\r\n");
        WriteFile(root_ / "System" / "NewMutator.u", "x");
    }
    ~Game() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    void WriteIni() const { WriteFile(IniPath(), iniText_); }
    std::string IniPath() const { return (root_ / "System" / "UnrealTournament.ini").string(); }
    std::string Path(const std::string& relative) const { return (root_ / relative).string(); }
    std::string Root() const { return root_.string(); }

  private:
    fs::path root_;
    std::string iniText_;
};

Game& TheGame() {
    static Game game;
    return game;
}

// The editor, shown, on the benchmark's game folder.
class Bench {
  public:
    Bench() {
        AppSettings.UtBasePath = TheGame().Root();
        AppSettings.PathToUtSysIni = TheGame().IniPath();
        AppSettings.ProgramFolder = TheGame().Root();
        AppSettings.PromptToFindIni = false;
        desktop::testing::Reset();
        form_.show();
        Settle();
    }
    TSvPackForm& Form() { return form_; }
    void Press(const char* button) {
        form_.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        Settle();
    }
    // Lays out and paints what the press changed.
    static void Settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void Refill() {
        form_.Packages().Clear();
        Press("LoadBtn");
    }
    QListView* List() { return form_.findChild<QListView*>("PackList"); }

  private:
    TSvPackForm form_;
};

void BM_LoadTenThousand(benchmark::State& state) {
    Bench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Form().Packages().Clear();
        Bench::Settle();
        state.ResumeTiming();
        bench.Press("LoadBtn");
    }
    state.counters["entries"] = static_cast<double>(bench.Form().Packages().Size());
}
BENCHMARK(BM_LoadTenThousand)->Unit(benchmark::kMillisecond);

// A press that leaves the list as long as it was (or a little longer).
void PressOnFullList(benchmark::State& state, const char* button,
                     const std::function<void()>& before = {}) {
    Bench bench;
    bench.Refill();
    for (auto _ : state) {
        state.PauseTiming();
        if (bench.Form().Packages().Size() > kPackages + 50) {
            bench.Refill();
        }
        if (before) {
            before();
        }
        state.ResumeTiming();
        bench.Press(button);
    }
}

void BM_AddUTStandardPackages(benchmark::State& state) {
    PressOnFullList(state, "AddUTPkgsBtn");
}
BENCHMARK(BM_AddUTStandardPackages)->Unit(benchmark::kMillisecond);

void BM_AddEpicBonusPack(benchmark::State& state) {
    PressOnFullList(state, "AddBonusPackBtn");
}
BENCHMARK(BM_AddEpicBonusPack)->Unit(benchmark::kMillisecond);

void BM_AddModFile(benchmark::State& state) {
    PressOnFullList(state, "AddModBtn", [] {
        desktop::testing::SetNextFileName(TheGame().Path("System/NewMutator.u"));
    });
}
BENCHMARK(BM_AddModFile)->Unit(benchmark::kMillisecond);

void BM_AddOtherPreset(benchmark::State& state) {
    PressOnFullList(state, "AddOtherBtn", [] {
        desktop::testing::SetNextFileName(TheGame().Path("presets/Mod.ut_pre"));
    });
}
BENCHMARK(BM_AddOtherPreset)->Unit(benchmark::kMillisecond);

void BM_SaveToIni(benchmark::State& state) {
    PressOnFullList(state, "SaveBtn");
    TheGame().WriteIni();
}
BENCHMARK(BM_SaveToIni)->Unit(benchmark::kMillisecond);

// A press that removes entries: the full list again before each one.
void PressRemoving(benchmark::State& state, const char* button,
                   const std::function<void(Bench&)>& before = {}) {
    Bench bench;
    std::size_t removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Refill();
        if (before) {
            before(bench);
        }
        Bench::Settle();
        const std::size_t size = bench.Form().Packages().Size();
        state.ResumeTiming();
        bench.Press(button);
        removed = size - bench.Form().Packages().Size();
    }
    state.counters["removed"] = static_cast<double>(removed);
}

// Every other entry selected: 5,000 scattered rows.
void BM_RemoveSelectedEveryOther(benchmark::State& state) {
    PressRemoving(state, "RemSelBtn", [](Bench& bench) {
        QAbstractItemModel* model = bench.List()->model();
        QItemSelection selection;
        for (int row = 0; row < model->rowCount(); row += 2) {
            selection.select(model->index(row, 0), model->index(row, 0));
        }
        bench.List()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    });
}
BENCHMARK(BM_RemoveSelectedEveryOther)->Unit(benchmark::kMillisecond);

void BM_RemoveSelectedAll(benchmark::State& state) {
    PressRemoving(state, "RemSelBtn", [](Bench& bench) { bench.List()->selectAll(); });
}
BENCHMARK(BM_RemoveSelectedAll)->Unit(benchmark::kMillisecond);

// The text filter with each method; "contains skin" removes one in four.
void BM_TextFilter(benchmark::State& state) {
    const int method = static_cast<int>(state.range(0));
    PressRemoving(state, "TextFilterBtn", [method](Bench& bench) {
        bench.Form().findChild<QComboBox*>("TextFilterMethodComboBox")->setCurrentIndex(method);
        bench.Form()
            .findChild<QLineEdit*>("TextFilterEdit")
            ->setText(method == 0 ? QStringLiteral("mutator5") : QStringLiteral("skin"));
    });
    state.SetLabel(std::string(kTextFilterMethodCaptions[static_cast<std::size_t>(method)]));
}
BENCHMARK(BM_TextFilter)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// One in ten files missing, looked for through the INI's Paths.
void BM_RemoveMissing(benchmark::State& state) {
    PressRemoving(state, "RemNonExistBtn");
}
BENCHMARK(BM_RemoveMissing)->Unit(benchmark::kMillisecond);

}  // namespace
