// The main window: running the game, leaving, and the windows it opens.

#include <QCheckBox>
#include <QLineEdit>
#include <filesystem>

#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/MainMenu.h"
#include "tests/gui/WindowTest.h"

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

QWidget* Main(ProgramStart& start) {
    return start.Windows().MainMenuForm.get();
}

bool GameRan(ProgramStart& start) {
    return std::filesystem::exists(start.GameFile("System/started.txt"));
}

}  // namespace

class MainMenuTest : public QObject {
    Q_OBJECT
  private slots:
    void runWithTheDialogCancelledDoesNothingAndAsksAgain();
    void runWithAMissingFileNamesItAndStartsNothing();
    void runStartsTheGameInItsFolderAndKeepsRunning();
    void runWithExitOnRunSavesTheSettingsAndEnds();
    void aGameThatCannotStartIsReportedAndTheProgramStays();
    void exitSavesAChangedOption();
    void theCloseBoxSavesToo();
    void aFailedSaveIsShownAndTheProgramStillEnds();
    void theButtonsOpenTheirWindowsModally();
    void theAccessKeysWork();
};

void MainMenuTest::runWithTheDialogCancelledDoesNothingAndAsksAgain() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.PromptToFindExe = true;
    hooks::SetNextFileName(std::nullopt);
    Click(Main(start), "RunUTBtn");
    hooks::SetNextFileName(std::nullopt);
    Click(Main(start), "RunUTBtn");
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(2));
    QVERIFY(shown[1].kind == hooks::Kind::Open);
    QCOMPARE(shown[1].title, std::string("Select UT executable"));
    QCOMPARE(shown[1].request.fileName, AppSettings.PathToUtExe);
    QCOMPARE(shown[1].request.filter, std::string(kGameProgramFilter));
    QVERIFY(hooks::StartedSoFar().empty());
    QVERIFY(!KeelsonApplication::Ending());
}

void MainMenuTest::runWithAMissingFileNamesItAndStartsNothing() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.ExitOnRunUT = true;
    AppSettings.PathToUtExe = start.GameFile("System/gone.exe");
    Click(Main(start), "RunUTBtn");
    AppSettings.PathToUtExe = start.GameFile("System");  // a folder is no file
    Click(Main(start), "RunUTBtn");
    QVERIFY(hooks::StartedSoFar().empty());
    // Each time the error box names the file that is not there.
    QCOMPARE(hooks::ShownSoFar().size(), std::size_t(2));
    QCOMPARE(hooks::ShownSoFar()[0].text, start.GameFile("System/gone.exe") + ": File not found.");
    QCOMPARE(hooks::ShownSoFar()[1].text, start.GameFile("System") + ": File not found.");
    QVERIFY(!KeelsonApplication::Ending());
}

void MainMenuTest::runStartsTheGameInItsFolderAndKeepsRunning() {
    ProgramStart start;
    start.StartNormally();
    Click(Main(start), "RunUTBtn");
    QCOMPARE(hooks::StartedSoFar().size(), std::size_t(1));
    QCOMPARE(hooks::StartedSoFar()[0].folder, start.GameFile("System"));
    QCOMPARE(hooks::StartedSoFar()[0].showMode, 5);
    QTRY_VERIFY(GameRan(start));  // the script writes into its working folder
    QVERIFY(!KeelsonApplication::Ending());
    QVERIFY(Main(start)->isVisible());
}

void MainMenuTest::runWithExitOnRunSavesTheSettingsAndEnds() {
    ProgramStart start;
    start.StoreSettingsForGame();
    start.StoreFlag("ExitOnRunUT", 1);
    int status = RunProgram(start.Windows(), [&] {
        // A correction made in Options a moment before the game starts.
        WhenModal("OptionsForm", [](QWidget* options) {
            auto* base = options->findChild<QLineEdit*>("UtBaseEdit");
            base->clear();
            QTest::keyClicks(base, "/corrected");
            Click(options, "BitBtn5");
        });
        Click(Main(start), "OptionsBtn");
        Click(Main(start), "RunUTBtn");
    });
    QCOMPARE(status, 0);
    QTRY_VERIFY(GameRan(start));
    QCOMPARE(start.StoredText("UtBasePath"), std::string("/corrected"));
    QVERIFY(hooks::ShownSoFar().empty());
}

void MainMenuTest::aGameThatCannotStartIsReportedAndTheProgramStays() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.ExitOnRunUT = true;
    // Marked as a program but not one: the system refuses to run it.
    std::string exe = start.Folder().Write("game/System/Broken.exe", "not a program\n");
    std::filesystem::permissions(exe, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    AppSettings.PathToUtExe = exe;
    Click(Main(start), "RunUTBtn");
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(shown[0].kind == hooks::Kind::Error);
    QCOMPARE(shown[0].title, std::string("Keelson"));
    // The system's reason follows on a second line.
    QCOMPARE(shown[0].text, "Cannot start the game " + exe + ".\nExec format error.");
    QVERIFY(!KeelsonApplication::Ending());
    QVERIFY(Main(start)->isVisible());
    // Nothing was saved on the way.
    QCOMPARE(start.StoredFlag("ExitOnRunUT"), 0LL);
    // The button is not left pressed: the next click fails the same way.
    QVERIFY(!Main(start)->findChild<QPushButton*>("RunUTBtn")->isDown());
    Click(Main(start), "RunUTBtn");
    QCOMPARE(hooks::ShownSoFar().size(), std::size_t(2));
}

void MainMenuTest::exitSavesAChangedOption() {
    ProgramStart start;
    start.StoreSettingsForGame();
    int status = RunProgram(start.Windows(), [&] {
        WhenModal("OptionsForm", [](QWidget* options) {
            QTest::mouseClick(options->findChild<QCheckBox*>("UtUserPromptCheckbox"),
                              Qt::LeftButton);
            Click(options, "BitBtn5");
        });
        Click(Main(start), "OptionsBtn");
        QCOMPARE(start.StoredFlag("PromptToFindUser"), 0LL);  // not before leaving
        Click(Main(start), "ExitBtn");
    });
    QCOMPARE(status, 0);
    QCOMPARE(start.StoredFlag("PromptToFindUser"), 1LL);
    QCOMPARE(start.StoredText("UtBasePath"), start.GameFolder());
}

void MainMenuTest::theCloseBoxSavesToo() {
    ProgramStart start;
    start.StoreSettingsForGame();
    int status = RunProgram(start.Windows(), [&] {
        AppSettings.PathToUtSysIni = "/other/UnrealTournament.ini";
        Main(start)->close();
    });
    QCOMPARE(status, 0);
    QCOMPARE(start.StoredText("PathToUtSysIni"), std::string("/other/UnrealTournament.ini"));
}

void MainMenuTest::aFailedSaveIsShownAndTheProgramStillEnds() {
#ifdef _WIN32
    QSKIP("a test cannot take the right to write HKEY_LOCAL_MACHINE away from Wine");
#endif
    ProgramStart start;
    start.StoreSettingsForGame();
    int status = RunProgram(start.Windows(), [&] {
        // The store's folder is replaced by a file: nothing can be written.
        std::filesystem::remove_all(start.Folder().File("registry"));
        start.Folder().Write("registry", "");
        Click(Main(start), "ExitBtn");
    });
    QCOMPARE(status, 0);
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].text, std::string("Failed to set data for 'PathToUtExe'"));
}

void MainMenuTest::theButtonsOpenTheirWindowsModally() {
    ProgramStart start;
    start.StartNormally();
    const char* buttons[] = {"ConfigSPsBtn", "ConfigBotsBtn", "AboutBtn", "OptionsBtn"};
    const char* windows[] = {"SvPackForm", "BotLibForm", "AboutBox", "OptionsForm"};
    for (int i = 0; i < 4; ++i) {
        bool opened = false;
        WhenModal(windows[i], [&](QWidget* w) {
            opened = true;
            QVERIFY(w->isModal());
            w->close();
        });
        Click(Main(start), buttons[i]);
        QVERIFY2(opened, windows[i]);
    }
    // The About box's OK closes it.
    WhenModal("AboutBox", [](QWidget* about) { Click(about, "OKButton"); });
    Click(Main(start), "AboutBtn");
    QVERIFY(!StepFailed());
}

void MainMenuTest::theAccessKeysWork() {
    ProgramStart start;
    start.StoreSettingsForGame();
    bool aboutOpened = false;
    int status = RunProgram(start.Windows(), [&] {
        QWidget* main = Main(start);
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        WhenModal("AboutBox", [&](QWidget* about) {
            aboutOpened = true;
            QTest::keyClick(about, Qt::Key_Return);  // OK is the default button
        });
        QTest::keyClick(main, Qt::Key_A, Qt::AltModifier);
        AppSettings.UtBasePath = "/changed";
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main, Qt::Key_X, Qt::AltModifier);
    });
    QCOMPARE(status, 0);
    QVERIFY(aboutOpened);
    QCOMPARE(start.StoredText("UtBasePath"), std::string("/changed"));
}

KEELSON_WINDOW_TEST_MAIN(MainMenuTest)
#include "MainMenuTest.moc"
