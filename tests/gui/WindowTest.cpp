#include "tests/gui/WindowTest.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/settings/MachineStore.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/MainMenu.h"
#include "platform/FileSystem.h"

namespace keelson::test {

namespace {
bool stepFailed = false;
// Waits for modal windows that have not come up yet.
std::vector<QPointer<QTimer>> pendingWaits;

platform::StoredValue Text(const std::string& text) {
    return {platform::kRegSz, text + std::string(1, '\0')};
}

// Polls for a modal window and acts on it once.
void WhenModalMatches(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    pendingWaits.emplace_back(timer);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, matches, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && matches(modal)) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> window(modal);
            act(modal);
            // A check that failed in act returned early, before act closed
            // the window: close it, or the test would wait for ever.
            if (QTest::currentTestFailed() && window && window->isVisible()) {
                stepFailed = true;
                window->close();
            }
            return;
        }
        if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            stepFailed = true;
            qWarning("expected modal window did not come up");
            if (modal) {
                modal->close();
            }
        }
    });
    timer->start(10);
}
#ifdef _WIN32
// Windows keeps one registry for every case: each starts without Keelson's
// key and without the game installer's record, as on a fresh machine.
void ClearRegistry() {
    std::unique_ptr<platform::SettingsStore> store = platform::OpenMachineStore();
    for (std::string_view path :
         {std::string_view("Software\\Brindlewood"), kGameInstallerKeyPath}) {
        std::string text(path);
        std::size_t cut = text.rfind('\\');
        std::unique_ptr<platform::SettingsKey> parent =
            store->Open(text.substr(0, cut), platform::SettingsStore::Access::Full);
        if (parent) {
            parent->DeleteSubkeyTree(text.substr(cut + 1));
        }
    }
}
#endif

}  // namespace

ProgramStart::ProgramStart() {
    qputenv("KEELSON_REGISTRY", QByteArray::fromStdString(dir_.File("registry")));
    game_ = dir_.File("game");
    dir_.Write("game/System/User.ini", "[BotPack.ChallengeBotInfo]\r\nBotNames[0]=Ada\r\n");
    dir_.Write("game/System/UnrealTournament.ini",
               "[Engine.GameEngine]\nServerPackages=SoldierSkins\n");
#ifdef _WIN32
    std::filesystem::copy_file(KEELSON_FAKE_GAME, dir_.File("game/System/UnrealTournament.exe"));
    ClearRegistry();
#else
    std::string exe =
        dir_.Write("game/System/UnrealTournament.exe", "#!/bin/sh\necho started > started.txt\n");
    std::filesystem::permissions(exe, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
#endif
    Restart();
}

ProgramStart::~ProgramStart() {
    // A wait still pending would act on a later case's windows.
    bool waitsLeft = false;
    for (QPointer<QTimer>& wait : pendingWaits) {
        if (wait && wait->isActive()) {
            waitsLeft = true;
        }
        delete wait.data();
    }
    pendingWaits.clear();
    if (waitsLeft) {
        QTest::qFail("a modal window that the case waited for never came up", __FILE__, __LINE__);
    }
    windows_.reset();
    CloseMachineStore();
}

void ProgramStart::Restart() {
    windows_.reset();
    CloseMachineStore();
    AppSettings = TAppSettings{};
    KeelsonApplication::ClearEnding();
    // A start that ended outside any event loop (the refused terms) leaves
    // the thread's quit flag set, which would end every later loop at once;
    // one turn of the application's own loop clears it.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    desktop::testing::Reset();
    stepFailed = false;
    windows_ = CreateWindows();
}

std::string InFolder(const std::string& folder, const std::string& relative) {
    std::string path = folder + platform::kPathSeparator + relative;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(folder.size()), path.end(), '/',
                 platform::kPathSeparator);
    return path;
}

std::string ProgramStart::GameFile(const std::string& relative) const {
    return InFolder(game_, relative);
}

std::unique_ptr<platform::SettingsStore> ProgramStart::Store() const {
    return platform::OpenMachineStore();
}

bool ProgramStart::KeyExists(const std::string& keyPath) const {
    return Store()->Open(keyPath, platform::SettingsStore::Access::Read) != nullptr;
}

bool ProgramStart::NothingStored() const {
#ifdef _WIN32
    return !KeyExists("Software\\Brindlewood");
#else
    return !KeyExists("Software");
#endif
}

std::string ProgramStart::StoredText(const std::string& name) const {
    auto key = Store()->Open(std::string(kSettingsKeyPath), platform::SettingsStore::Access::Read);
    if (!key) {
        return "<none>";
    }
    auto value = key->Query(name);
    if (!value) {
        return "<none>";
    }
    std::string text = value->data;
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

long long ProgramStart::StoredFlag(const std::string& name) const {
    auto key = Store()->Open(std::string(kSettingsKeyPath), platform::SettingsStore::Access::Read);
    if (!key) {
        return -1;
    }
    auto value = key->Query(name);
    if (!value || value->type != platform::kRegDword || value->data.size() != 4) {
        return -1;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(value->data.data());
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void ProgramStart::StoreText(const std::string& keyPath, const std::string& name,
                             const std::string& text) {
    auto key = Store()->Create(keyPath);
    QVERIFY(key);
    QVERIFY(key->Set(name, Text(text)));
}

void ProgramStart::StoreFlag(const std::string& name, std::uint32_t value) {
    auto key = Store()->Create(std::string(kSettingsKeyPath));
    QVERIFY(key);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    QVERIFY(key->Set(name, {platform::kRegDword, bytes}));
}

void ProgramStart::CreateEmptySettingsKey() {
    QVERIFY(Store()->Create(std::string(kSettingsKeyPath)) != nullptr);
}

void ProgramStart::RecordGameFolder(const std::string& folder) {
    StoreText(std::string(kGameInstallerKeyPath), "Folder", folder);
}

void ProgramStart::StoreSettingsForGame() {
    const std::string key(kSettingsKeyPath);
    StoreText(key, "UtBasePath", game_);
    StoreText(key, "PathToUtSysIni", GameFile("System/UnrealTournament.ini"));
    StoreText(key, "PathToUtUserIni", GameFile("System/User.ini"));
    StoreText(key, "PathToUtExe", GameFile("System/UnrealTournament.exe"));
    StoreFlag("PromptToFindExe", 0);
    StoreFlag("PromptToFindIni", 0);
    StoreFlag("PromptToFindUser", 0);
    StoreFlag("ExitOnRunUT", 0);
}

void ProgramStart::StartNormally() {
    StoreSettingsForGame();
    Windows().MainMenuForm->show();
    QVERIFY(Windows().MainMenuForm->isVisible());
}

void WhenModal(const QString& objectName, std::function<void(QWidget*)> act) {
    WhenModalMatches([objectName](QWidget* w) { return w->objectName() == objectName; },
                     std::move(act));
}

void WhenMessageBox(std::function<void(QWidget*)> act) {
    WhenModalMatches([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                     std::move(act));
}

void Click(QWidget* window, const char* buttonName) {
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(buttonName));
    if (!button) {
        stepFailed = true;
        qWarning("no button %s in %s", buttonName, qPrintable(window->objectName()));
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

int RunProgram(KeelsonWindows& windows, std::function<void()> act) {
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] {
        stepFailed = true;
        QCoreApplication::exit(99);
    });
    safety.start(8000);
    QTimer::singleShot(0, std::move(act));
    int status = RunKeelson(windows);
    if (stepFailed) {
        return 99;
    }
    return status;
}

bool StepFailed() {
    return stepFailed;
}

}  // namespace keelson::test
