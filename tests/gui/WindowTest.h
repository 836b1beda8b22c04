#pragma once
// Support for the window tests: a fresh settings store and game folder for
// every case, the program's windows made anew, and ways to answer a modal
// window by clicking its real buttons.

#include <QApplication>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"

namespace keelson::test {

// One start of the program: a store folder (KEELSON_REGISTRY) and a game
// folder of its own, the settings record and the desktop seam reset, and the
// nine windows created in start order.
class ProgramStart {
  public:
    ProgramStart();
    ~ProgramStart();

    KeelsonWindows& Windows() { return *windows_; }
    // Makes the windows again, as a new start of the program would.
    void Restart();

    // The game folder: System/User.ini, System/UnrealTournament.ini and a
    // System/UnrealTournament.exe that writes System/started.txt when run.
    const std::string& GameFolder() const { return game_; }
    std::string GameFile(const std::string& relative) const;
    const TempDir& Folder() const { return dir_; }

    // The store as another program would see it.
    std::unique_ptr<platform::SettingsStore> Store() const;
    bool KeyExists(const std::string& keyPath) const;
    // Nothing was written to the store: no key at all, or on Windows, whose
    // registry has a Software key of its own, no key of Brindlewood's.
    bool NothingStored() const;
    // A text value with its closing NUL taken off, or "<none>".
    std::string StoredText(const std::string& name) const;
    // A flag's number, or -1 when there is none.
    long long StoredFlag(const std::string& name) const;
    void StoreText(const std::string& keyPath, const std::string& name, const std::string& text);
    void StoreFlag(const std::string& name, std::uint32_t value);
    // The settings key with nothing in it.
    void CreateEmptySettingsKey();
    // The game installer's record of the game folder.
    void RecordGameFolder(const std::string& folder);
    // A settings key that names this start's game folder, ExitOnRunUT off.
    void StoreSettingsForGame();
    // A normal start on those settings: the main window shown.
    void StartNormally();

  private:
    TempDir dir_;
    std::string game_;
    std::unique_ptr<KeelsonWindows> windows_;
};

// A path inside a folder as the program makes it: "/" in relative, and the
// join, become the system's separator ("\\" on Windows).
std::string InFolder(const std::string& folder, const std::string& relative);

// Runs act on the modal window of that object name as soon as it is up
// (within a few seconds), from inside its own event loop.
void WhenModal(const QString& objectName, std::function<void(QWidget*)> act);

// The modal message box up next, as with WhenModal.
void WhenMessageBox(std::function<void(QWidget*)> act);

// Clicks a push button of a window, found by object name.
void Click(QWidget* window, const char* buttonName);

// RunKeelson with act queued to run once the main window is up; a safety
// timer ends a program that does not end by itself, answering 99.
int RunProgram(KeelsonWindows& windows, std::function<void()> act);

// True when a test step failed inside an event loop.
bool StepFailed();

// Windows runs the tests headless too, with every message on standard error
// rather than the debugger's channel; Wine hands a program no QT_* variable
// of its own, so they are set here.
inline void UseHeadlessPlatform() {
#ifdef _WIN32
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    // The offscreen platform draws with the fonts of one folder: Windows'
    // own, or under Wine Debian's Liberation fonts, Arial's metric twins.
#ifdef KEELSON_TEST_FONT_DIR
    qputenv("QT_QPA_FONTDIR", KEELSON_TEST_FONT_DIR);
#else
    qputenv("QT_QPA_FONTDIR", qgetenv("WINDIR") + "\\Fonts");
#endif
#endif
}

}  // namespace keelson::test

namespace QTest {
template <>
inline char* toString(const std::string& text) {
    return qstrdup(text.c_str());
}
}  // namespace QTest

// The tests' main: the program's own application object, so that the error
// box for exceptions from handlers is the real one.
#define KEELSON_WINDOW_TEST_MAIN(TestClass)          \
    int main(int argc, char** argv) {                \
        keelson::test::UseHeadlessPlatform();        \
        keelson::KeelsonApplication app(argc, argv); \
        app.setAttribute(Qt::AA_Use96Dpi, true);     \
        TestClass tc;                                \
        return QTest::qExec(&tc, argc, argv);        \
    }
