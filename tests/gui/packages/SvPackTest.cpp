// The Server Packages Editor through its controls: the add and remove
// buttons, the filters, a long list, the keyboard and screen readers.

#include "tests/gui/packages/SvPackFixture.h"

using namespace keelson;
using namespace keelson::test;

class SvPackTest : public QObject {
    Q_OBJECT
  private slots:
    void theGroupsAddEachNameOnce();
    void theTextFilterMethods();
    void removeSelected();
    void removeMissingFindsFilesWhateverTheirCase();
    void theListStaysBetweenShowingsAndEscapeClosesIt();
    void aThousandsLongListStaysInStepWithScatteredRemovals();
    void assistiveTechnologySeesEveryControlByItsCaption();
};

void SvPackTest::theGroupsAddEachNameOnce() {
    {
        Editor e;
        for (int i = 0; i < 2; ++i) {
            Click(e.form, "AddUTPkgsBtn");
            Click(e.form, "AddBonusPackBtn");
        }
        QCOMPARE(e.Shown(),
                 (Names{"BotPack", "SoldierSkins", "SGirlSkins", "CommandoSkins", "FCommandoSkins",
                        "BossSkins", "MultiMesh", "EpicCustomModels", "TSkMSkins", "TNaliMeshSkins",
                        "TCowMeshSkins", "Relics", "RelicsBindings"}));
    }
    // A listed name is one entry equal to it in any letter case, not a part
    // of a longer name: FCommandoSkins does not hide CommandoSkins.
    Editor e;
    e.WriteIni({"FCommandoSkins", "RelicsBindings", "botpack"});
    Click(e.form, "LoadBtn");
    Click(e.form, "AddUTPkgsBtn");
    Click(e.form, "AddBonusPackBtn");
    QCOMPARE(e.Shown(),
             (Names{"FCommandoSkins", "RelicsBindings", "botpack", "SoldierSkins", "SGirlSkins",
                    "CommandoSkins", "BossSkins", "MultiMesh", "EpicCustomModels", "TSkMSkins",
                    "TNaliMeshSkins", "TCowMeshSkins", "Relics"}));
}

void SvPackTest::theTextFilterMethods() {
    Editor e;
    QCOMPARE(e.Method()->currentText(), QStringLiteral("is"));
    QCOMPARE(e.Method()->count(), 4);
    struct Case {
        int method;
        const char* text;
        Names left;
    };
    const Names all{"BotPack", "", "UTSkins", "MyBotSkins", "Relics"};
    const Case cases[] = {
        {0, "botpack", {"", "UTSkins", "MyBotSkins", "Relics"}},
        {0, "", {"BotPack", "UTSkins", "MyBotSkins", "Relics"}},
        {0, "botpack ", all},  // the text is not trimmed
        {1, "SKIN", {"BotPack", "", "Relics"}},
        {1, "", all},
        {2, "bot", {"BotPack", "MyBotSkins"}},
        {2, "", {}},
        {3, "bot", {"", "UTSkins", "MyBotSkins", "Relics"}},
        {3, "", {}},
    };
    for (const Case& c : cases) {
        e.form->Packages().Clear();
        for (const std::string& name : all) {
            e.form->Packages().Append(name);
        }
        e.Method()->setCurrentIndex(c.method);
        e.FilterText()->clear();
        QTest::keyClicks(e.FilterText(), QString::fromLatin1(c.text));
        Click(e.form, "TextFilterBtn");
        QCOMPARE(e.Shown(), c.left);
        // The method and the text stay for the next press.
        QCOMPARE(e.Method()->currentIndex(), c.method);
        QCOMPARE(e.FilterText()->text(), QString::fromLatin1(c.text));
    }
    // An empty list is left alone whatever the method.
    e.form->Packages().Clear();
    Click(e.form, "TextFilterBtn");
    QVERIFY(e.Shown().empty());
}

void SvPackTest::removeSelected() {
    Editor e;
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        e.form->AddPack(name);
    }
    Click(e.form, "RemSelBtn");
    QCOMPARE(e.Shown(), (Names{"A", "B", "C", "D", "E"}));
    // Click, then Ctrl+click adds to the selection.
    e.Select({1, 3, 4});
    QCOMPARE(e.SelectedCount(), 3);
    Click(e.form, "RemSelBtn");
    QCOMPARE(e.Shown(), (Names{"A", "C"}));
    QCOMPARE(e.SelectedCount(), 0);
    // A drag selects the rows it passes over.
    QListView* list = e.List();
    e.form->AddPack("F");
    const QPoint from = list->visualRect(list->model()->index(0, 0)).center();
    const QPoint to = list->visualRect(list->model()->index(1, 0)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, list->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(e.SelectedCount(), 2);
    Click(e.form, "RemSelBtn");
    QCOMPARE(e.Shown(), (Names{"F"}));
    // Every entry selected (Ctrl+A in the list): the list empties.
    e.form->AddPack("G");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(e.SelectedCount(), 2);
    Click(e.form, "RemSelBtn");
    QVERIFY(e.Shown().empty());
}

void SvPackTest::removeMissingFindsFilesWhateverTheirCase() {
    Editor e;
    const TempDir& dir = e.start.Folder();
    // A tree copied from Windows: folders and files in any letter case.
    dir.Write("game/SYSTEM/botpack.U", "x");
    dir.Write("game/textures/SoldierSkins.utx", "x");
    dir.Write("game/Sounds/Voice.UAX", "x");
    std::filesystem::create_directories(e.start.GameFile("Textures/Folder.utx"));
    dir.Write("game/system/UnrealTournament.ini", kPaths);
    AppSettings.PathToUtSysIni = e.start.GameFile("system/UnrealTournament.ini");
    for (const char* name : {"BotPack", "Missing", "soldierskins", "voice", "Folder", ""}) {
        e.form->Packages().Append(name);
    }
    e.Select({0, 1, 3});
    Click(e.form, "RemNonExistBtn");
    QCOMPARE(e.Shown(), (Names{"BotPack", "soldierskins", "voice"}));
    // The entries that stay keep their selection.
    QCOMPARE(e.SelectedCount(), 2);
    QVERIFY(hooks::ShownSoFar().empty());
}

void SvPackTest::theListStaysBetweenShowingsAndEscapeClosesIt() {
    ProgramStart start;
    start.StartNormally();
    QWidget* main = start.Windows().MainMenuForm.get();
    WhenModal("SvPackForm", [](QWidget* w) {
        Click(w, "AddBonusPackBtn");
        auto* method = w->findChild<QComboBox*>("TextFilterMethodComboBox");
        method->setCurrentIndex(2);
        QTest::keyClicks(w->findChild<QLineEdit*>("TextFilterEdit"), "Skins");
        QTest::keyClick(w, Qt::Key_Escape);
    });
    Click(main, "ConfigSPsBtn");
    QVERIFY(!StepFailed());
    TSvPackForm* form = start.Windows().SvPackForm.get();
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    const std::string ini = ReadBytes(start.GameFile("System/UnrealTournament.ini"));
    WhenModal("SvPackForm", [&](QWidget* w) {
        QCOMPARE(w->findChild<QComboBox*>("TextFilterMethodComboBox")->currentIndex(), 2);
        QCOMPARE(w->findChild<QLineEdit*>("TextFilterEdit")->text(), QStringLiteral("Skins"));
        Click(w, "OKBtn");
    });
    Click(main, "ConfigSPsBtn");
    QVERIFY(!StepFailed());
    QCOMPARE(form->Packages().Size(), std::size_t(7));
    // Neither showing nor closing touched the system INI.
    QCOMPARE(ReadBytes(start.GameFile("System/UnrealTournament.ini")), ini);
}

void SvPackTest::aThousandsLongListStaysInStepWithScatteredRemovals() {
    Editor e;
    Names names;
    for (int i = 0; i < 3000; ++i) {
        names.push_back((i % 3 == 0 ? "Skin" : "Mod") + std::to_string(i));
    }
    e.WriteIni(names);
    Click(e.form, "LoadBtn");
    QCOMPARE(e.Shown().size(), std::size_t(3000));
    // Every other entry selected, then the skins filtered out: the selected
    // mods stay selected, and removing them leaves the unselected mods.
    QItemSelection every;
    for (int row = 0; row < 3000; row += 2) {
        every.select(e.List()->model()->index(row, 0), e.List()->model()->index(row, 0));
    }
    e.List()->selectionModel()->select(every, QItemSelectionModel::Select);
    e.Method()->setCurrentIndex(3);
    QTest::keyClicks(e.FilterText(), "skin");
    Click(e.form, "TextFilterBtn");
    QCOMPARE(e.Shown().size(), std::size_t(2000));
    QCOMPARE(e.SelectedCount(), 1000);
    Click(e.form, "RemSelBtn");
    Names left;
    for (int i = 0; i < 3000; ++i) {
        if (i % 3 != 0 && i % 2 == 1) {
            left.push_back("Mod" + std::to_string(i));
        }
    }
    QCOMPARE(e.Shown(), left);
}

void SvPackTest::assistiveTechnologySeesEveryControlByItsCaption() {
    Editor e;
    QAccessible::setActive(true);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(e.form);
    QVERIFY(window);
    QCOMPARE(window->text(QAccessible::Name),
             QStringLiteral("Server Packages Editor -- Keelson Tools"));
    struct Expected {
        QAccessible::Role role;
        const char* name;
        const char* description;  // the hint
        QRect place;              // in the window's client area
    };
    const Expected expected[] = {
        {QAccessible::List,
         "Packages available to the server",
         "Click to select a package, drag or Ctrl+click to select multiple packages, press the "
         "button below to remove them",
         {0, 128, 177, 209}},
        {QAccessible::Button, "Remove selected package(s)", "", {0, 344, 177, 25}},
        {QAccessible::Button,
         "Remove packages where the file doesn't exist",
         "",
         {200, 248, 361, 25}},
#ifdef _WIN32
        // Windows names a pick box after the group it stands in.
        {QAccessible::ComboBox,
         "Remove all packages where the package name:",
         "",
         {208, 296, 97, 21}},
#else
        {QAccessible::ComboBox, "is", "", {208, 296, 97, 21}},
#endif
        {QAccessible::EditableText, "Filter text", "", {312, 296, 161, 21}},
        {QAccessible::Button, "Remove", "", {480, 296, 75, 25}},
        {QAccessible::Button, "Add mod, mutator, model (*.u)", "", {392, 128, 177, 25}},
        {QAccessible::Button,
         "       Add skin (*skin*.utx)        ",
         "This filter will find most skins, but you may have to change the filter to *.utx for "
         "some",
         {392, 160, 177, 25}},
        {QAccessible::Button,
         " Add voicepack (*.u, *.uax)  ",
         "Some voicepacks need both a *.u file and a *.uax file",
         {392, 192, 177, 25}},
        {QAccessible::Button,
         "UT (v420) standard packages",
         "If you don't include these packages your server probably won't work",
         {192, 128, 177, 25}},
        {QAccessible::Button,
         "    Epic Bonus Pack (v100)     ",
         "Add all the packages required for Bonus Pack models and Relics",
         {192, 160, 177, 25}},
        {QAccessible::Button,
         "           Other presets...          ",
         "Add all the required packages for a mod at once",
         {192, 192, 177, 25}},
        {QAccessible::Button,
         "Check...",
         "Find the entries that will stop the server or its clients",
         {184, 344, 73, 25}},
        {QAccessible::Button, "Load from INI", "", {264, 344, 97, 25}},
        {QAccessible::Button, "Save to INI", "", {368, 344, 97, 25}},
        {QAccessible::Button, "Close window", "", {472, 344, 105, 25}},
    };
    // Walk the focus chain as a keyboard user would, and ask each control
    // what assistive technology learns about it.
    QWidget* control = e.List();
    control->setFocus();
    const QPoint origin = e.form->mapToGlobal(QPoint(0, 0));
    for (const Expected& want : expected) {
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control);
        QVERIFY(seen);
        QCOMPARE(seen->role(), want.role);
        QCOMPARE(seen->text(QAccessible::Name), QString::fromLatin1(want.name));
        QCOMPARE(seen->text(QAccessible::Description), QString::fromLatin1(want.description));
        QCOMPARE(seen->rect().translated(-origin), want.place);
        control = control->nextInFocusChain();
        while (control != e.form && control->focusPolicy() == Qt::NoFocus) {
            control = control->nextInFocusChain();
        }
    }
    // The list's hint comes up over its entries and over its empty space.
    e.form->AddPack("BotPack");
    for (QPoint at : {QPoint(20, 5), QPoint(20, 180)}) {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, at, e.List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(e.List()->viewport(), &help);
        QCOMPARE(QToolTip::text(), e.List()->toolTip());
    }
    // The heading and the notice's texts are read as they stand.
    auto* heading = e.form->findChild<QLabel*>("Label1");
    QCOMPARE(QAccessible::queryAccessibleInterface(heading)->text(QAccessible::Name),
             QStringLiteral("Server Packages Editor"));
    QCOMPARE(heading->geometry(), QRect(208, 0, 369, 36));
    QVERIFY(!heading->isEnabled() && heading->font().bold() && heading->font().italic());
    TYouDontHaveModForm* notice = e.start.Windows().YouDontHaveModForm.get();
    notice->EnsureControls();
    QCOMPARE(notice->size(), QSize(479, 225));
    auto* cancel = notice->findChild<QPushButton*>("BitBtn1");
    QCOMPARE(QAccessible::queryAccessibleInterface(cancel)->text(QAccessible::Name),
             QStringLiteral("Cancel"));
    QVERIFY(cancel->isDefault());
    for (const char* name : {"PresetLabel", "ModnameLabel", "UrlLabel"}) {
        auto* label = notice->findChild<QLabel*>(name);
        QVERIFY(label->font().bold() && !label->wordWrap());
        QCOMPARE(label->width(), 465);
    }
    QAccessible::setActive(false);
}

KEELSON_WINDOW_TEST_MAIN(SvPackTest)
#include "SvPackTest.moc"
