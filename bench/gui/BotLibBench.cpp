// The Bot Library Manager with a library far beyond the game's 32 slots:
// opening it into the window, and selecting, editing and deleting a bot in
// it. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QListView>
#include <QSlider>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "core/bots/TBigKegOBotsDefine.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "gui/bots/BotLib.h"

namespace {

using namespace keelson;
namespace fs = std::filesystem;

struct Fixture {
    fs::path folder;
    std::map<int, std::string> libraries;
    std::string userIni;
    std::unique_ptr<KeelsonWindows> windows;
    TBotLibForm* form = nullptr;
    QListView* list = nullptr;

    Fixture() {
        folder = fs::temp_directory_path() /
                 ("keelson-window-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        desktop::testing::Reset();
        windows = CreateWindows();
        form = windows->BotLibForm.get();
        form->show();
        list = form->findChild<QListView*>("BotsListBox");
        Settle();
    }
    ~Fixture() {
        windows.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // Lets the window lay out and paint what changed, as the event loop
    // would before the user sees it.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }

    // A library of that many bots with random names, teams and skills.
    const std::string& Library(int bots) {
        std::string& path = libraries[bots];
        if (path.empty()) {
            path = (folder / (std::to_string(bots) + ".ut_botlib")).string();
            TBigKegOBots roster;
            std::mt19937 random(7);
            for (int i = 0; i < bots; ++i) {
                TBotRecord bot = DefaultBot;
                bot.Name = "Bot" + std::to_string(random() % 1000000);
                bot.Team = static_cast<std::uint8_t>(random() % 5);
                bot.Skill = static_cast<float>(random() % 41) * 0.05f - 1.0f;
                roster.AddBot(bot);
            }
            roster.SaveToFile(path);
        }
        return path;
    }

    // A user INI of about that size: its bot section, then other sections.
    const std::string& UserIni(std::size_t bytes) {
        if (userIni.empty()) {
            userIni = (folder / "User.ini").string();
            std::string text = "[BotPack.ChallengeBotInfo]\r\n";
            for (int slot = 0; slot < 32; ++slot) {
                text += "BotNames[" + std::to_string(slot) + "]=Bot" + std::to_string(slot) +
                        "\r\nBotSkills[" + std::to_string(slot) + "]=0.350000\r\n";
            }
            text += "[Engine.Input]\r\n";
            const std::string line = "Aliases[0]=(Command=\"Button bFire | Fire\",Alias=Fire)\r\n";
            text.reserve(bytes + line.size());
            while (text.size() < bytes) {
                text += line;
            }
            std::ofstream(userIni, std::ios::binary) << text;
        }
        return userIni;
    }

    void Open(int bots) {
        desktop::testing::SetNextFileName(Library(bots));
        form->OpenBtnClick();
        Settle();
    }

    void Select(int line) {
        list->selectionModel()->setCurrentIndex(list->model()->index(line, 0),
                                                QItemSelectionModel::ClearAndSelect);
        Settle();
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void BM_OpenLibraryIntoWindow(benchmark::State& state) {
    Fixture& f = TheFixture();
    f.Library(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.Open(static_cast<int>(state.range(0)));
    }
    state.counters["bots"] = f.form->Library().Count();
}
BENCHMARK(BM_OpenLibraryIntoWindow)->Arg(32)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SelectLineOfLibrary(benchmark::State& state) {
    Fixture& f = TheFixture();
    const int bots = static_cast<int>(state.range(0));
    f.Open(bots);
    std::mt19937 random(1);
    for (auto _ : state) {
        f.Select(static_cast<int>(random() % bots));
    }
}
BENCHMARK(BM_SelectLineOfLibrary)->Arg(32)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_EditFieldOfLibrary(benchmark::State& state) {
    Fixture& f = TheFixture();
    f.Open(static_cast<int>(state.range(0)));
    f.Select(static_cast<int>(state.range(0)) / 2);
    auto* skill = f.form->findChild<QSlider*>("SkillScrollBar");
    int position = 0;
    for (auto _ : state) {
        position = position == 5 ? -5 : 5;
        skill->setValue(position);
        Fixture::Settle();
    }
}
BENCHMARK(BM_EditFieldOfLibrary)->Arg(32)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DeleteBotOfLibrary(benchmark::State& state) {
    Fixture& f = TheFixture();
    f.Open(100000);
    f.Select(50000);
    for (auto _ : state) {
        f.form->DelBotBtnClick();
        Fixture::Settle();
    }
    state.counters["left"] = f.form->Library().Count();
}
BENCHMARK(BM_DeleteBotOfLibrary)->Unit(benchmark::kMicrosecond)->Iterations(2000);

constexpr std::size_t kLargeUserIni = 200u << 20;

// "Import user INI" on a 200 MB user INI, against the import into a roster
// without the window: the window adds nothing worth measuring to the time
// it is busy reading.
void BM_ImportLargeUserIniIntoWindow(benchmark::State& state) {
    Fixture& f = TheFixture();
    AppSettings.PathToUtUserIni = f.UserIni(kLargeUserIni);
    AppSettings.PromptToFindUser = false;
    f.form->NewBtnClick();
    for (auto _ : state) {
        f.form->ImportINIBtnClick();
        Fixture::Settle();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeUserIni));
}
BENCHMARK(BM_ImportLargeUserIniIntoWindow)->Unit(benchmark::kMillisecond);

void BM_ImportLargeUserIniWithoutWindow(benchmark::State& state) {
    Fixture& f = TheFixture();
    const std::string& path = f.UserIni(kLargeUserIni);
    TBigKegOBots roster;
    for (auto _ : state) {
        roster.ImportUserIni(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeUserIni));
}
BENCHMARK(BM_ImportLargeUserIniWithoutWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    KeelsonApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
