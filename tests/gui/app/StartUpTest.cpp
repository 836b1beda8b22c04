// The start-up sequence and the first start, through the windows.

#include <QLineEdit>
#include <QPushButton>

#include "core/common/UTSharedUtils1.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/FirstRun.h"
#include "gui/app/FirstRunOptions.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/MainMenu.h"
#include "platform/FileSystem.h"
#include "tests/gui/WindowTest.h"

using namespace keelson;
using namespace keelson::test;

class StartUpTest : public QObject {
    Q_OBJECT
  private slots:
    void quitOnTheTermsWritesNothingAndAsksAgain();
    void theTermsCloseBoxIsQuit();
    void acceptWithoutTheGamesKeyUsesTheDefaultFolder();
    void acceptUsesTheFolderTheInstallerRecorded();
    void browseRecordsThePickedFolderAndThePathsFollowIt();
    void anEmptySettingsKeyGetsTheExistingKeyDefaults();
    void storedValuesReplaceTheDefaults();
    void aBadValueIsShownAndTheWindowStillOpens();
    void startUpRunsOnlyOnTheFirstShowing();
};

void StartUpTest::quitOnTheTermsWritesNothingAndAsksAgain() {
    ProgramStart start;
    bool termsShown = false;
    WhenModal("FirstRunForm", [&](QWidget* terms) {
        termsShown = true;
        Click(terms, "BitBtn2");
    });
    QCOMPARE(RunKeelson(start.Windows()), 0);
    QVERIFY(termsShown);
    QVERIFY(KeelsonApplication::Ending());
    QVERIFY(!start.Windows().MainMenuForm->isVisible());
    QVERIFY(start.NothingStored());

    // The next start shows the terms again.
    start.Restart();
    termsShown = false;
    WhenModal("FirstRunForm", [&](QWidget* terms) {
        termsShown = true;
        Click(terms, "BitBtn2");
    });
    QCOMPARE(RunKeelson(start.Windows()), 0);
    QVERIFY(termsShown);
    QVERIFY(start.NothingStored());
}

void StartUpTest::theTermsCloseBoxIsQuit() {
    ProgramStart start;
    WhenModal("FirstRunForm", [](QWidget* terms) { terms->close(); });
    QCOMPARE(RunKeelson(start.Windows()), 0);
    QVERIFY(!StepFailed());
    QVERIFY(KeelsonApplication::Ending());
    QVERIFY(start.NothingStored());
}

void StartUpTest::acceptWithoutTheGamesKeyUsesTheDefaultFolder() {
    ProgramStart start;
    QString shownFolder;
    WhenModal("FirstRunForm", [&](QWidget* terms) {
        // The folder window follows the terms.
        WhenModal("FirstRunOptionsForm", [&](QWidget* folder) {
            shownFolder = folder->findChild<QLineEdit*>("Edit1")->text();
            QVERIFY(folder->findChild<QLineEdit*>("Edit1")->isReadOnly());
            // Nothing is saved until the dialogs are done: a start killed
            // here is a first start again next time.
            QVERIFY(!start.KeyExists("Software\\Brindlewood\\Keelson\\1"));
            folder->close();  // the close box does what Accept does
        });
        Click(terms, "BitBtn1");
    });
    start.Windows().MainMenuForm->show();
    QVERIFY(!StepFailed());
    QVERIFY(start.Windows().MainMenuForm->isVisible());
    QCOMPARE(shownFolder, QString("c:\\UnrealTournament"));
    QVERIFY(AppSettings.SettingsPresent);
    QCOMPARE(start.StoredText("UtBasePath"), std::string("c:\\UnrealTournament"));
    QCOMPARE(start.StoredText("PathToUtExe"), AppSettings.PathToUtExe);
    QVERIFY(StartsWith(AppSettings.PathToUtExe, "c:\\UnrealTournament"));
    QCOMPARE(start.StoredFlag("ExitOnRunUT"), 1LL);
    QCOMPARE(start.StoredFlag("PromptToFindExe"), 0LL);
    QCOMPARE(start.StoredFlag("PromptToFindIni"), 0LL);
    QCOMPARE(start.StoredFlag("PromptToFindUser"), 0LL);
    QCOMPARE(AppSettings.ProgramFolder, FolderOfPath(platform::ExecutablePath()));
}

void StartUpTest::acceptUsesTheFolderTheInstallerRecorded() {
    ProgramStart start;
    start.RecordGameFolder(start.GameFolder());
    QString shownFolder;
    WhenModal("FirstRunForm", [&](QWidget* terms) {
        WhenModal("FirstRunOptionsForm", [&](QWidget* folder) {
            shownFolder = folder->findChild<QLineEdit*>("Edit1")->text();
            // A recorded folder is not browsed for.
            QVERIFY(!folder->findChild<QPushButton*>("BrowseBtn")->isVisible());
            Click(folder, "BitBtn1");
        });
        QTest::keyClick(terms, Qt::Key_Return);  // Accept is the default button
    });
    start.Windows().MainMenuForm->show();
    QVERIFY(!StepFailed());
    QCOMPARE(shownFolder, QString::fromStdString(start.GameFolder()));
    QCOMPARE(AppSettings.UtBasePath, start.GameFolder());
    QCOMPARE(AppSettings.PathToUtUserIni, start.GameFile("System/User.ini"));
    QCOMPARE(start.StoredText("PathToUtSysIni"), start.GameFile("System/UnrealTournament.ini"));
    QVERIFY(AppSettings.ExitOnRunUT);
}

void StartUpTest::browseRecordsThePickedFolderAndThePathsFollowIt() {
#ifdef _WIN32
    QSKIP("the game's installer records its folder on Windows");
#endif
    ProgramStart start;
    desktop::testing::SetNextFileName(start.GameFolder());
    QString shownFolder;
    bool browseShown = false;
    WhenModal("FirstRunForm", [&](QWidget* terms) {
        WhenModal("FirstRunOptionsForm", [&](QWidget* folder) {
            browseShown = folder->findChild<QPushButton*>("BrowseBtn")->isVisible();
            Click(folder, "BrowseBtn");
            shownFolder = folder->findChild<QLineEdit*>("Edit1")->text();
            Click(folder, "BitBtn1");
        });
        Click(terms, "BitBtn1");
    });
    start.Windows().MainMenuForm->show();
    QVERIFY(!StepFailed());
    QVERIFY(browseShown);
    QCOMPARE(shownFolder, QString::fromStdString(start.GameFolder()));
    // Recorded as keelson-cli settings set-game-folder records it, and the
    // three file paths follow it.
    QCOMPARE(DetectGameFolder(*start.Store()), start.GameFolder());
    QCOMPARE(AppSettings.PathToUtUserIni, start.GameFile("System/User.ini"));
    QCOMPARE(start.StoredText("PathToUtSysIni"), start.GameFile("System/UnrealTournament.ini"));
    QCOMPARE(start.StoredText("PathToUtExe"), start.GameFile("System/UnrealTournament.exe"));
    QCOMPARE(start.StoredFlag("ExitOnRunUT"), 1LL);
}

void StartUpTest::anEmptySettingsKeyGetsTheExistingKeyDefaults() {
    ProgramStart start;
    start.CreateEmptySettingsKey();
    start.Windows().MainMenuForm->show();
    QVERIFY(start.Windows().MainMenuForm->isVisible());
    QVERIFY(desktop::testing::ShownSoFar().empty());
    QVERIFY(AppSettings.SettingsPresent);
    QCOMPARE(AppSettings.UtBasePath, std::string("c:\\unrealtournament"));
    QVERIFY(StartsWith(AppSettings.PathToUtSysIni, "c:\\unrealtournament"));
    QVERIFY(AppSettings.ExitOnRunUT);
    QVERIFY(!AppSettings.PromptToFindExe && !AppSettings.PromptToFindIni &&
            !AppSettings.PromptToFindUser);
    // Nothing is written at start when the key exists.
    QCOMPARE(start.StoredText("UtBasePath"), std::string("<none>"));
}

void StartUpTest::storedValuesReplaceTheDefaults() {
    ProgramStart start;
    start.StoreText(std::string(kSettingsKeyPath), "PathToUtExe", "/elsewhere/ut");
    start.StoreFlag("PromptToFindIni", 2);
    start.Windows().MainMenuForm->show();
    QCOMPARE(AppSettings.PathToUtExe, std::string("/elsewhere/ut"));
    QCOMPARE(AppSettings.UtBasePath, std::string("c:\\unrealtournament"));
    QVERIFY(AppSettings.PromptToFindIni);
}

void StartUpTest::aBadValueIsShownAndTheWindowStillOpens() {
    ProgramStart start;
    start.StoreFlag("UtBasePath", 1);  // a number where a text belongs
    start.Windows().MainMenuForm->show();
    QVERIFY(start.Windows().MainMenuForm->isVisible());
    const auto& shown = desktop::testing::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(shown[0].kind == desktop::testing::Kind::Error);
    QCOMPARE(shown[0].text, std::string("Invalid data type for 'UtBasePath'"));
}

void StartUpTest::startUpRunsOnlyOnTheFirstShowing() {
    ProgramStart start;
    start.CreateEmptySettingsKey();
    TMainMenuForm& main = *start.Windows().MainMenuForm;
    main.show();
    AppSettings.UtBasePath = "changed in this run";
    main.hide();
    main.show();
    QCOMPARE(AppSettings.UtBasePath, std::string("changed in this run"));
}

KEELSON_WINDOW_TEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
