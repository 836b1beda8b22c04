// The Options window and the uninstall, through their controls.

#include <QCheckBox>
#include <QLineEdit>

#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Options.h"
#include "tests/gui/WindowTest.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

QLineEdit* Edit(QWidget* options, const char* name) {
    return options->findChild<QLineEdit*>(QString::fromLatin1(name));
}

QCheckBox* Box(QWidget* options, const char* name) {
    return options->findChild<QCheckBox*>(QString::fromLatin1(name));
}

// Opens the Options window with the main window's button and acts in it.
void InOptions(ProgramStart& start, std::function<void(QWidget*)> act) {
    WhenModal("OptionsForm", std::move(act));
    Click(start.Windows().MainMenuForm.get(), "OptionsBtn");
    QVERIFY(!StepFailed());
}

bool SameSettings(const TAppSettings& a, const TAppSettings& b) {
    return a.UtBasePath == b.UtBasePath && a.PathToUtSysIni == b.PathToUtSysIni &&
           a.PathToUtUserIni == b.PathToUtUserIni && a.PathToUtExe == b.PathToUtExe &&
           a.PromptToFindExe == b.PromptToFindExe && a.PromptToFindIni == b.PromptToFindIni &&
           a.PromptToFindUser == b.PromptToFindUser && a.ExitOnRunUT == b.ExitOnRunUT;
}

}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT
  private slots:
    void theWindowShowsTheSettings();
    void okStoresEveryBoxAsTyped();
    void cancelAndEscChangeNothing();
    void browseWithoutPromptPutsBackTheStoredPath();
    void browseWithoutPromptLeavesTheBoxWhenTheFileIsGone();
    void browseWithPromptProposesTheStoredPath();
    void aPromptTickedInTheWindowCountsOnlyAfterOk();
    void textsOutsideAsciiKeepTheirBytes();
    void theSettingsReachTheRegistrysThirtyTwoBitView();
    void uninstallCancelledChangesNothing();
    void uninstallRemovesOnlyKeelsonsKeysAndEndsWithoutSaving();
    void uninstallKeepsAnotherSubkeyOfTheProductKey();
    void uninstallWithTheKeysAlreadyGoneStillShowsTheFolderAndEnds();
    void uninstallTellsHowToRemoveTheProgram();
};

void OptionsTest::theWindowShowsTheSettings() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.PromptToFindIni = true;
    InOptions(start, [&](QWidget* options) {
        QCOMPARE(Edit(options, "UtBaseEdit")->text().toStdString(), start.GameFolder());
        QCOMPARE(Edit(options, "UTIniEdit")->text().toStdString(),
                 start.GameFile("System/UnrealTournament.ini"));
        QCOMPARE(Edit(options, "UTuseredit")->text().toStdString(),
                 start.GameFile("System/User.ini"));
        QCOMPARE(Edit(options, "UtExeEdit")->text().toStdString(),
                 start.GameFile("System/UnrealTournament.exe"));
        QVERIFY(Box(options, "UtIniPromptCheckbox")->isChecked());
        QVERIFY(!Box(options, "UtUserPromptCheckbox")->isChecked());
        QVERIFY(!Box(options, "UtExePromptCheckbox")->isChecked());
        QVERIFY(!Box(options, "AutoExitCheckbox")->isChecked());
        Click(options, "BitBtn4");
    });
}

void OptionsTest::okStoresEveryBoxAsTyped() {
    ProgramStart start;
    start.StartNormally();
    const TAppSettings before = AppSettings;
    InOptions(start, [](QWidget* options) {
        Edit(options, "UtBaseEdit")->clear();
        QTest::keyClicks(Edit(options, "UtBaseEdit"), "  /new base ");
        Edit(options, "UtExeEdit")->clear();  // empty is accepted
        QTest::mouseClick(Box(options, "UtExePromptCheckbox"), Qt::LeftButton);
        QTest::mouseClick(Box(options, "AutoExitCheckbox"), Qt::LeftButton);
        QTest::keyClick(options, Qt::Key_Return);  // OK is the default button
    });
    QCOMPARE(AppSettings.UtBasePath, std::string("  /new base "));
    QCOMPARE(AppSettings.PathToUtExe, std::string());
    // A new base folder leaves the file paths alone.
    QCOMPARE(AppSettings.PathToUtSysIni, before.PathToUtSysIni);
    QCOMPARE(AppSettings.PathToUtUserIni, before.PathToUtUserIni);
    QVERIFY(AppSettings.PromptToFindExe);
    QVERIFY(AppSettings.ExitOnRunUT);
    QVERIFY(!AppSettings.PromptToFindIni && !AppSettings.PromptToFindUser);
    // Nothing reaches the store before the main window closes.
    QCOMPARE(start.StoredText("UtBasePath"), start.GameFolder());
    QCOMPARE(start.StoredFlag("PromptToFindExe"), 0LL);
}

void OptionsTest::cancelAndEscChangeNothing() {
    ProgramStart start;
    start.StartNormally();
    const TAppSettings before = AppSettings;
    InOptions(start, [](QWidget* options) {
        QTest::keyClicks(Edit(options, "UtBaseEdit"), "/typed");
        Click(options, "browseUTIbtn");
        QTest::mouseClick(Box(options, "UtIniPromptCheckbox"), Qt::LeftButton);
        Click(options, "BitBtn4");
    });
    QVERIFY(SameSettings(AppSettings, before));
    InOptions(start, [](QWidget* options) {
        // What the cancelled opening typed is gone.
        QCOMPARE(Edit(options, "UtBaseEdit")->text().toStdString(), AppSettings.UtBasePath);
        QTest::keyClicks(Edit(options, "UTuseredit"), "x");
        QTest::keyClick(options, Qt::Key_Escape);
    });
    QVERIFY(SameSettings(AppSettings, before));
    InOptions(start, [](QWidget* options) {
        QTest::keyClicks(Edit(options, "UTuseredit"), "x");
        options->close();
    });
    QVERIFY(SameSettings(AppSettings, before));
}

void OptionsTest::browseWithoutPromptPutsBackTheStoredPath() {
    ProgramStart start;
    start.StartNormally();
    InOptions(start, [&](QWidget* options) {
        const char* edits[] = {"UTIniEdit", "UTuseredit", "UtExeEdit"};
        const char* browse[] = {"browseUTIbtn", "browseUTUbtn", "browseUTExeBtn"};
        const std::string stored[] = {AppSettings.PathToUtSysIni, AppSettings.PathToUtUserIni,
                                      AppSettings.PathToUtExe};
        for (int i = 0; i < 3; ++i) {
            Edit(options, edits[i])->setText("typed by the user");
            Click(options, browse[i]);
            QCOMPARE(Edit(options, edits[i])->text().toStdString(), stored[i]);
        }
        Click(options, "BitBtn4");
    });
    QVERIFY(hooks::ShownSoFar().empty());
}

void OptionsTest::browseWithoutPromptLeavesTheBoxWhenTheFileIsGone() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.PathToUtUserIni = start.GameFile("System/Missing.ini");
    InOptions(start, [](QWidget* options) {
        Edit(options, "UTuseredit")->setText("typed");
        Click(options, "browseUTUbtn");
        QCOMPARE(Edit(options, "UTuseredit")->text(), QString("typed"));
        Click(options, "BitBtn4");
    });
    QVERIFY(hooks::ShownSoFar().empty());
}

void OptionsTest::browseWithPromptProposesTheStoredPath() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.PromptToFindIni = true;
    AppSettings.PromptToFindExe = true;
    const std::string other = start.Folder().Write("elsewhere/Other.ini", "[Core.System]\n");
    InOptions(start, [&](QWidget* options) {
        hooks::SetNextFileName(other);
        Click(options, "browseUTIbtn");
        QCOMPARE(Edit(options, "UTIniEdit")->text().toStdString(), other);
        // Cancelled: the box stays as it was.
        Edit(options, "UtExeEdit")->setText("typed");
        hooks::SetNextFileName(std::nullopt);
        Click(options, "browseUTExeBtn");
        QCOMPARE(Edit(options, "UtExeEdit")->text(), QString("typed"));
        // A chosen name that is no file is not taken either.
        hooks::SetNextFileName(start.GameFile("System/nothing.exe"));
        Click(options, "browseUTExeBtn");
        QCOMPARE(Edit(options, "UtExeEdit")->text(), QString("typed"));
        Click(options, "BitBtn4");
    });
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(3));
    QCOMPARE(shown[0].title, std::string("Select UT system INI"));
    QCOMPARE(shown[0].request.fileName, start.GameFile("System/UnrealTournament.ini"));
    QCOMPARE(shown[0].request.initialFolder, start.GameFile("System"));
    QCOMPARE(shown[0].request.filter, std::string("UT system INI (*.ini)|*.ini"));
    QCOMPARE(shown[0].request.defaultExt, std::string("ini"));
    QCOMPARE(shown[1].title, std::string("Select UT executable"));
    // The pick was used once: the settings still hold the stored path.
    QCOMPARE(AppSettings.PathToUtSysIni, start.GameFile("System/UnrealTournament.ini"));
}

void OptionsTest::aPromptTickedInTheWindowCountsOnlyAfterOk() {
    ProgramStart start;
    start.StartNormally();
    InOptions(start, [](QWidget* options) {
        QTest::mouseClick(Box(options, "UtIniPromptCheckbox"), Qt::LeftButton);
        Click(options, "browseUTIbtn");
        QVERIFY(hooks::ShownSoFar().empty());
        Click(options, "BitBtn5");
    });
    InOptions(start, [](QWidget* options) {
        hooks::SetNextFileName(std::nullopt);
        Click(options, "browseUTIbtn");
        QCOMPARE(hooks::ShownSoFar().size(), std::size_t(1));
        Click(options, "BitBtn4");
    });
}

void OptionsTest::textsOutsideAsciiKeepTheirBytes() {
    ProgramStart start;
    start.StartNormally();
    AppSettings.UtBasePath = "C:\\Spiele\\Unreal \xC4rger \x80";  // Windows-1252 bytes
    InOptions(start, [](QWidget* options) {
        QCOMPARE(Edit(options, "UtBaseEdit")->text(),
                 QString::fromUtf8("C:\\Spiele\\Unreal Ärger €"));
        for (QString typed : {QString::fromUtf8("é"), QString::fromUtf8("✓")}) {
            QTest::sendKeyEvent(QTest::Click, Edit(options, "UTuseredit"), Qt::Key_unknown, typed,
                                Qt::NoModifier);
        }
        Click(options, "BitBtn5");
    });
    // The unchanged box keeps its bytes exactly.
    QCOMPARE(AppSettings.UtBasePath, std::string("C:\\Spiele\\Unreal \xC4rger \x80"));
#ifdef _WIN32
    // A character the code page lacks becomes "?".
    QVERIFY(AppSettings.PathToUtUserIni.ends_with("\xE9?"));
#else
    // Typed paths are file names of a UTF-8 file system.
    QVERIFY(AppSettings.PathToUtUserIni.ends_with("\xC3\xA9\xE2\x9C\x93"));
#endif
}

void OptionsTest::uninstallCancelledChangesNothing() {
    ProgramStart start;
    start.StartNormally();
    InOptions(start, [](QWidget* options) {
        hooks::SetNextAnswer(false);
        Click(options, "BitBtn1");
        QVERIFY(options->isVisible());
        Click(options, "BitBtn4");
    });
    QVERIFY(start.KeyExists(std::string(kSettingsKeyPath)));
    QVERIFY(hooks::StartedSoFar().empty());
    QVERIFY(!KeelsonApplication::Ending());
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(shown[0].kind == hooks::Kind::Confirm);
    QCOMPARE(shown[0].title, std::string("Confirm"));
    QCOMPARE(shown[0].text, std::string(kUninstallQuestion));
}

void OptionsTest::uninstallRemovesOnlyKeelsonsKeysAndEndsWithoutSaving() {
    ProgramStart start;
    start.StoreSettingsForGame();
    start.StoreText("Software\\Brindlewood\\Lanyard\\2", "Name", "another product");
    hooks::SetStartResult(true);  // no file manager in the test
    int closeSeen = 0;
    QObject guard;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &guard, [&] { ++closeSeen; });
    int status = RunProgram(start.Windows(), [&] {
        WhenModal("OptionsForm", [](QWidget* options) {
            // Changed in this opening: must not reach the store.
            QTest::keyClicks(options->findChild<QLineEdit*>("UtBaseEdit"), "/changed");
            hooks::SetNextAnswer(true);
            Click(options, "BitBtn1");
        });
        Click(start.Windows().MainMenuForm.get(), "OptionsBtn");
    });
    QCOMPARE(status, 0);
    QVERIFY(!start.KeyExists("Software\\Brindlewood\\Keelson"));
    QVERIFY(start.KeyExists("Software\\Brindlewood\\Lanyard\\2"));
    // The window closed as a cancelled one.
    QCOMPARE(AppSettings.UtBasePath, start.GameFolder());
    QCOMPARE(hooks::StartedSoFar().size(), std::size_t(1));
    const auto& explorer = hooks::StartedSoFar()[0];
    QCOMPARE(explorer.file, std::string("explorer"));
    QCOMPARE(explorer.parameters, InFolder(AppSettings.ProgramFolder, ".."));
    QCOMPARE(explorer.folder, std::string("c:\\windows"));
    QCOMPARE(explorer.showMode, 5);
    // The program ended without closing the main window; closing it now, as
    // Qt's quit would, saves nothing either.
    QCOMPARE(closeSeen, 0);
    start.Windows().MainMenuForm->close();
    QVERIFY(!start.KeyExists("Software\\Brindlewood\\Keelson"));
}

void OptionsTest::uninstallKeepsAnotherSubkeyOfTheProductKey() {
    ProgramStart start;
    start.StoreSettingsForGame();
    start.StoreText("Software\\Brindlewood\\Keelson\\2", "Old", "kept");
    hooks::SetStartResult(true);
    int status = RunProgram(start.Windows(), [&] {
        InOptions(start, [](QWidget* options) {
            hooks::SetNextAnswer(true);
            Click(options, "BitBtn1");
        });
    });
    QCOMPARE(status, 0);
    QVERIFY(!start.KeyExists(std::string(kSettingsKeyPath)));
    QVERIFY(start.KeyExists("Software\\Brindlewood\\Keelson\\2"));
}

void OptionsTest::uninstallWithTheKeysAlreadyGoneStillShowsTheFolderAndEnds() {
    ProgramStart start;
    start.StoreSettingsForGame();
    start.RecordGameFolder(start.GameFolder());
    hooks::SetStartResult(true);
    int status = RunProgram(start.Windows(), [&] {
        // Removed by hand while the program runs.
        start.Store()
            ->Open("Software\\Brindlewood", platform::SettingsStore::Access::Full)
            ->DeleteSubkeyTree("Keelson");
        InOptions(start, [](QWidget* options) {
            hooks::SetNextAnswer(true);
            Click(options, "BitBtn1");
        });
    });
    QCOMPARE(status, 0);
    QCOMPARE(hooks::StartedSoFar().size(), std::size_t(1));
    QVERIFY(hooks::ShownSoFar().back().kind == hooks::Kind::Confirm);
    // The game's own key is never touched.
    QVERIFY(start.KeyExists(std::string(kGameInstallerKeyPath)));
    QVERIFY(!start.KeyExists(std::string(kSettingsKeyPath)));
}

// What the user is told after the settings are gone: the folder above the
// program in the file manager, an error box when no file manager starts, and
// for a copy in the package manager's folders the package to remove.
void OptionsTest::uninstallTellsHowToRemoveTheProgram() {
    struct Case {
        const char* programFolder;  // empty: where the tests run
        bool fileManagerStarts;
        bool packaged;
    } cases[] = {
        {"", true, false},
        {"", false, false},
#ifdef __linux__
        {"/usr/bin", false, true},
        {"/usr/local/bin", false, false},
#endif
    };
    for (const Case& c : cases) {
        ProgramStart start;
        start.StoreSettingsForGame();
        hooks::SetStartResult(c.fileManagerStarts);
        std::string folder;
        int status = RunProgram(start.Windows(), [&] {
            if (*c.programFolder) {
                AppSettings.ProgramFolder = c.programFolder;
            }
            folder = AppSettings.ProgramFolder;
            InOptions(start, [](QWidget* options) {
                hooks::SetNextAnswer(true);
                Click(options, "BitBtn1");
            });
        });
        QCOMPARE(status, 0);
        QVERIFY(!start.KeyExists("Software\\Brindlewood\\Keelson"));
        const auto& shown = hooks::ShownSoFar();
        QCOMPARE(shown.size(), std::size_t(c.packaged || !c.fileManagerStarts ? 2 : 1));
        if (c.packaged) {
            QVERIFY(hooks::StartedSoFar().empty());
            QVERIFY(shown[1].kind == hooks::Kind::Message);
            QCOMPARE(shown[1].text, std::string("Keelson's settings have been removed. Keelson was "
                                                "installed by the package manager: remove it with "
                                                "\"apt remove keelson\"."));
            continue;
        }
        QCOMPARE(hooks::StartedSoFar().size(), std::size_t(1));
        QCOMPARE(hooks::StartedSoFar()[0].parameters, InFolder(folder, ".."));
        if (!c.fileManagerStarts) {
            QVERIFY(shown[1].kind == hooks::Kind::Error);
            QCOMPARE(shown[1].text, "No file manager could be started to show " +
                                        InFolder(folder, "..") +
                                        ": delete the Keelson installation folder " + folder +
                                        " yourself.");
        }
    }
}

// On Windows the settings live in the registry, under HKEY_LOCAL_MACHINE in
// its 32-bit view, where the game's 32-bit installer and earlier 32-bit
// builds keep theirs: what OK keeps is there once the program ends.
void OptionsTest::theSettingsReachTheRegistrysThirtyTwoBitView() {
#ifndef _WIN32
    QSKIP("the registry is Windows' own");
#else
    ProgramStart start;
    start.StoreSettingsForGame();
    int status = RunProgram(start.Windows(), [&] {
        InOptions(start, [](QWidget* options) {
            Edit(options, "UtBaseEdit")
                ->setText(QStringLiteral("D:\\Spiele\\Unreal Tournament \u00E9"));
            QTest::mouseClick(Box(options, "AutoExitCheckbox"), Qt::LeftButton);
            Click(options, "BitBtn5");
        });
        Click(start.Windows().MainMenuForm.get(), "ExitBtn");
    });
    QCOMPARE(status, 0);
    HKEY key = nullptr;
    QCOMPARE(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brindlewood\\Keelson\\1", 0,
                             KEY_READ | KEY_WOW64_32KEY, &key),
             LONG(ERROR_SUCCESS));
    char text[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof text;
    QCOMPARE(
        ::RegQueryValueExA(key, "UtBasePath", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
        LONG(ERROR_SUCCESS));
    QCOMPARE(type, DWORD(REG_SZ));
    QCOMPARE(std::string(text), std::string("D:\\Spiele\\Unreal Tournament \xE9"));
    DWORD flag = 0;
    size = sizeof flag;
    QCOMPARE(::RegQueryValueExA(key, "ExitOnRunUT", nullptr, &type, reinterpret_cast<BYTE*>(&flag),
                                &size),
             LONG(ERROR_SUCCESS));
    QCOMPARE(type, DWORD(REG_DWORD));
    QCOMPARE(flag, DWORD(1));
    ::RegCloseKey(key);
    // Nothing in the 64-bit view, where 32-bit programs would not look.
    QVERIFY(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brindlewood\\Keelson\\1", 0,
                            KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS);
#endif
}

KEELSON_WINDOW_TEST_MAIN(OptionsTest)
#include "OptionsTest.moc"
