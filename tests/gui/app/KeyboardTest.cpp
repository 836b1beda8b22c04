// Enter and the mouse wheel in every editing window: one table of (window,
// control, gesture, what the user then sees and what the files hold), and
// the error box of a command that fails.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QSlider>
#include <QTabWidget>
#include <QWheelEvent>
#include <filesystem>
#include <functional>

#include "core/bots/BotFiles.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Options.h"
#include "gui/app/Win1252.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotSaveWizard.h"
#include "gui/packages/SvPack.h"
#include "tests/gui/WindowTest.h"

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

enum class Gesture { Enter, WheelDown };

// A normal start with a library of two bots, "Odd" and "Even", in the Bot
// Library Manager, and a system INI listing BotPack and SoldierSkins.
struct Setting {
    Setting() {
        start.StartNormally();
        start.Folder().Write("game/System/UnrealTournament.ini",
                             "[Engine.GameEngine]\r\nServerPackages=BotPack\r\n"
                             "ServerPackages=SoldierSkins\r\n");
        TBigKegOBots library;
        for (const char* name : {"Odd", "Even"}) {
            TBotRecord bot = DefaultBot;
            bot.Name = name;
            library.AddBot(bot);
        }
        libraryFile = start.Folder().File("two.ut_botlib");
        library.SaveToFile(libraryFile);
        userIni = start.GameFile("System/User.ini");
        systemIni = start.GameFile("System/UnrealTournament.ini");
        userIniBefore = ReadBytes(userIni);
    }
    TBotLibForm* Manager() { return start.Windows().BotLibForm.get(); }
    std::vector<std::string> Packages() { return start.Windows().SvPackForm->Packages().Entries(); }

    ProgramStart start;
    std::string libraryFile;
    std::string userIni;
    std::string systemIni;
    std::string userIniBefore;
    bool opened = false;  // a modal window came up
};

template <typename T = QWidget>
T* Control(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qWarning("no control %s", name);
    }
    return found;
}

void Perform(QWidget* control, Gesture gesture) {
    if (gesture == Gesture::Enter) {
        // A modal window may be shown but not yet active: keys go to the
        // active window's focus.
        QVERIFY(QTest::qWaitForWindowActive(control->window()));
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        return;
    }
    // A wheel notch over the control, wherever the focus is.
    const QPointF at = QRectF(control->rect()).center();
    QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    for (int notch = 0; notch < 3; ++notch) {
        QApplication::sendEvent(control, &wheel);
    }
}

struct Row {
    const char* what;
    const char* window;  // the object name of the window acted in
    // Mouse work done first (selections, typing); may queue a modal answer.
    std::function<void(Setting&, QWidget*)> before;
    const char* control;
    Gesture gesture;
    std::function<void(Setting&, QWidget*)> expect;
};

void TypeInto(QWidget* window, const char* edit, const char* text) {
    auto* box = Control<QLineEdit>(window, edit);
    box->clear();
    QTest::keyClicks(box, QString::fromLatin1(text));
}

void SelectPackage(QWidget* editor, int row) {
    auto* list = Control<QListView>(editor, "PackList");
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect);
}

void OpenTwoBots(Setting& s, QWidget* manager) {
    hooks::SetNextFileName(s.libraryFile);
    Click(manager, "OpenBtn");
    auto* list = Control<QListView>(manager, "BotsListBox");
    list->setCurrentIndex(list->model()->index(0, 0));
    list->setFocus();
}

// The wizard's text rule reads "Remove bots whose name is Odd".
void TypeOddAsTheNameToRemove(Setting&, QWidget* wizard) {
    Control<QTabWidget>(wizard, "PageControl1")->setCurrentIndex(1);
    TypeInto(wizard, "txtTextEdit", "Odd");
}

std::vector<bool> WizardTicks(QWidget* wizard) {
    return static_cast<TBotSaveWizardForm*>(wizard)->Ticks();
}

// The wizard is left open with Odd unticked, and the user INI untouched.
void FilteredNotExported(Setting& s, QWidget* wizard) {
    QVERIFY(wizard->isVisible());
    QCOMPARE(WizardTicks(wizard), (std::vector<bool>{false, true}));
    QCOMPARE(ReadBytes(s.userIni), s.userIniBefore);
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"Enter in the wizard's rule text presses that rule's Filter, never Export",
         "BotSaveWizardForm", TypeOddAsTheNameToRemove, "txtTextEdit", Gesture::Enter,
         FilteredNotExported},
        {"Enter on a focused Filter button filters", "BotSaveWizardForm", TypeOddAsTheNameToRemove,
         "txtCommitBtn", Gesture::Enter, FilteredNotExported},
        {"Enter in the wizard's checklist does nothing", "BotSaveWizardForm", nullptr,
         "BotsChecklist", Gesture::Enter,
         [](Setting& s, QWidget* w) {
             QVERIFY(w->isVisible());
             QCOMPARE(WizardTicks(w), (std::vector<bool>{true, true}));
             QCOMPARE(ReadBytes(s.userIni), s.userIniBefore);
         }},
        {"Enter on a focused Export exports", "BotSaveWizardForm", TypeOddAsTheNameToRemove,
         "OKBtn", Gesture::Enter,
         [](Setting& s, QWidget* w) {
             QVERIFY(!w->isVisible());
             // Both bots were ticked; the export places them at random.
             const TBotSlotTable written = ReadUserIniBotSlots(ReadBytes(s.userIni));
             QVERIFY(written[0].Name.Str() == "Odd" || written[1].Name.Str() == "Odd");
         }},
        {"Enter in the editor's filter box presses its Remove, not Remove selected", "SvPackForm",
         [](Setting&, QWidget* w) {
             Click(w, "LoadBtn");
             SelectPackage(w, 0);
             Control<QComboBox>(w, "TextFilterMethodComboBox")->setCurrentIndex(1);  // contains
             TypeInto(w, "TextFilterEdit", "soldier");
         },
         "TextFilterEdit", Gesture::Enter,
         [](Setting& s, QWidget* w) {
             QCOMPARE(s.Packages(), (std::vector<std::string>{"BotPack"}));
             Click(w, "SaveBtn");
             QVERIFY(ReadBytes(s.systemIni).find("ServerPackages=BotPack") != std::string::npos);
         }},
        {"Enter in the package list removes nothing", "SvPackForm",
         [](Setting&, QWidget* w) {
             Click(w, "LoadBtn");
             SelectPackage(w, 0);
         },
         "PackList", Gesture::Enter,
         [](Setting& s, QWidget*) {
             QCOMPARE(s.Packages(), (std::vector<std::string>{"BotPack", "SoldierSkins"}));
         }},
        {"Enter on a focused Remove selected removes", "SvPackForm",
         [](Setting&, QWidget* w) {
             Click(w, "LoadBtn");
             SelectPackage(w, 0);
         },
         "RemSelBtn", Gesture::Enter,
         [](Setting& s, QWidget*) {
             QCOMPARE(s.Packages(), (std::vector<std::string>{"SoldierSkins"}));
         }},
        {"Enter on a focused Add bot adds one", "BotLibForm", OpenTwoBots, "AddBotBtn",
         Gesture::Enter, [](Setting& s, QWidget*) { QCOMPARE(s.Manager()->Library().Count(), 3); }},
        {"Enter in a bot's name box runs no command", "BotLibForm", OpenTwoBots, "BotNameComboBox",
         Gesture::Enter,
         [](Setting& s, QWidget*) {
             QCOMPARE(s.Manager()->Library().Count(), 2);
             QCOMPARE(s.Manager()->Library().Bot(0).Name.Str(), std::string("Odd"));
         }},
        {"The wheel over Skill without the focus changes no bot", "BotLibForm", OpenTwoBots,
         "SkillScrollBar", Gesture::WheelDown,
         [](Setting& s, QWidget* w) {
             QCOMPARE(s.Manager()->Library().Bot(0).Skill, DefaultBot.Skill);
             QCOMPARE(Control<QSlider>(w, "SkillScrollBar")->value(), 0);
         }},
        {"The wheel over Team without the focus changes no bot", "BotLibForm", OpenTwoBots,
         "BotTeamComboBox", Gesture::WheelDown,
         [](Setting& s, QWidget*) {
             QCOMPARE(s.Manager()->Library().Bot(0).Team, DefaultBot.Team);
         }},
        {"The wheel turns the Skill slider that has the focus", "BotLibForm",
         [](Setting& s, QWidget* w) {
             OpenTwoBots(s, w);
             Control(w, "SkillScrollBar")->setFocus(Qt::TabFocusReason);
         },
         "SkillScrollBar", Gesture::WheelDown,
         [](Setting& s, QWidget*) {
             QVERIFY(s.Manager()->Library().Bot(0).Skill != DefaultBot.Skill);
         }},
        {"Enter on a focused main-menu button opens its window", "MainMenuForm",
         [](Setting& s, QWidget*) {
             WhenModal("SvPackForm", [&s](QWidget* editor) {
                 s.opened = true;
                 editor->close();
             });
         },
         "ConfigSPsBtn", Gesture::Enter, [](Setting& s, QWidget*) { QVERIFY(s.opened); }},
    };
    return rows;
}

// Shows the row's window, acts in it and checks; a modal window is acted
// in from inside its own event loop and closed afterwards.
void RunRow(const Row& row) {
    Setting s;
    KeelsonWindows& windows = s.start.Windows();
    auto act = [&](QWidget* window) {
        if (row.before) {
            row.before(s, window);
        }
        if (QWidget* control = Control(window, row.control)) {
            Perform(control, row.gesture);
        }
        row.expect(s, window);
    };
    if (QString::fromLatin1(row.window) == "BotSaveWizardForm") {
        TBigKegOBots library;
        library.AppendFromFile(s.libraryFile);
        WhenModal(row.window, [&](QWidget* wizard) {
            act(wizard);
            wizard->close();
        });
        windows.BotSaveWizardForm->PrepareExport(library);
        return;
    }
    QWidget* window = windows.MainMenuForm->window();
    for (QWidget* w :
         std::initializer_list<QWidget*>{windows.SvPackForm.get(), windows.BotLibForm.get()}) {
        if (w->objectName() == QString::fromLatin1(row.window)) {
            window = w;
        }
    }
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    act(window);
    window->hide();
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
  private slots:
    void enterAndTheWheelDoWhatTheUserMeans();
    void theUninstallQuestionAnswersNoToEnter();
    void aFailingCommandIsShownAndTheWindowStaysUsable();
    void aGameFileThatIsNotThereIsNamed();
};

void KeyboardTest::enterAndTheWheelDoWhatTheUserMeans() {
    for (const Row& row : Rows()) {
        hooks::Reset();
        RunRow(row);
        if (QTest::currentTestFailed()) {
            qWarning("row failed: %s", row.what);
            return;
        }
    }
}

void KeyboardTest::theUninstallQuestionAnswersNoToEnter() {
    ProgramStart start;
    start.StartNormally();
    hooks::SetBoxesShown(true);
    WhenMessageBox([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    start.Windows().OptionsForm->EnsureControls();  // pressed unshown here
    Click(start.Windows().OptionsForm.get(), "BitBtn1");
    QVERIFY(!StepFailed());
    QVERIFY(start.KeyExists(std::string(kSettingsKeyPath)));
    QVERIFY(!KeelsonApplication::Ending());
}

void KeyboardTest::aFailingCommandIsShownAndTheWindowStaysUsable() {
    Setting s;
    TBotLibForm* manager = s.Manager();
    manager->show();
    // A library cut off in its second bot: the first is read, the error box
    // says why the rest is not, and the editors show no bot.
    const std::string whole = ReadBytes(s.libraryFile);
    const std::string cut =
        s.start.Folder().Write("cut.ut_botlib", whole.substr(0, whole.size() - 10));
    hooks::SetNextFileName(cut);
    Click(manager, "OpenBtn");
    const auto& shown = hooks::ShownSoFar();
    QVERIFY(!shown.empty() && shown.back().kind == hooks::Kind::Error);
    QCOMPARE(manager->Library().Count(), 1);
    QVERIFY(!Control(manager, "BotNameComboBox")->isEnabled());
    // The window goes on working.
    Click(manager, "AddBotBtn");
    QCOMPARE(manager->Library().Count(), 2);
    QVERIFY(Control(manager, "BotNameComboBox")->isEnabled());
    manager->hide();
}

void KeyboardTest::aGameFileThatIsNotThereIsNamed() {
    // A path typed in Options that names no file: each command that needs
    // the system INI says so by name and changes nothing.
    Setting s;
    const std::string missing = s.start.Folder().File("unmounted/UnrealTournament.ini");
    AppSettings.PathToUtSysIni = missing;
    AppSettings.PathToUtUserIni = missing;
    TSvPackForm* editor = s.start.Windows().SvPackForm.get();
    // The windows are driven unshown here: their controls are made first.
    editor->EnsureControls();
    s.Manager()->EnsureControls();
    for (const char* button : {"LoadBtn", "SaveBtn", "RemNonExistBtn"}) {
        hooks::Reset();
        Click(editor, button);
        const auto& shown = hooks::ShownSoFar();
        QVERIFY2(shown.size() == 1 && shown[0].kind == hooks::Kind::Error, button);
        QCOMPARE(shown[0].text, missing + ": File not found.");
    }
    hooks::Reset();
    Click(s.Manager(), "ImportINIBtn");
    QCOMPARE(hooks::ShownSoFar().size(), std::size_t(1));
    QCOMPARE(hooks::ShownSoFar()[0].text, missing + ": File not found.");
    QVERIFY(!std::filesystem::exists(missing));
}

KEELSON_WINDOW_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
