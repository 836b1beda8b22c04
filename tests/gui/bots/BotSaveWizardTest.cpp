// The export wizard, through its controls, on files the tests make: its
// window, how it opens, and the export into the user INI.

#include "tests/gui/bots/BotSaveWizardFixture.h"

using namespace keelson;
using namespace keelson::test;

class BotSaveWizardTest : public QObject {
    Q_OBJECT
  private slots:
    void theWindowHasItsControlsAndItems();
    void reachableByKeyboardAndScreenReaders();
    void prepareExportCopiesTicksEveryBotAndResetsTheRows();
    void exportWritesTheTickedBots();
    void exportDoesNothingWithoutLinesOrUserIni();
    void exportIntoAUserIniWithoutBotSection();
    void aFailedWriteLeavesTheWizardInStep();
};

void BotSaveWizardTest::theWindowHasItsControlsAndItems() {
    ProgramStart start;
    start.StartNormally();
    InWizard(start, Library({Bot("Ann")}), [](QWidget* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Export bots to user INI"));
        QCOMPARE(w->size(), QSize(344, 370));
        auto* ok = Find<QPushButton>(w, "OKBtn");
        QCOMPARE(ok->text(), QStringLiteral("Export"));
        QVERIFY(!ok->isDefault());  // Enter in a rule's field never exports
        QCOMPARE(Find<QPushButton>(w, "CancelBtn")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Find<QLabel>(w, "Label3")->text(), QStringLiteral("Filtering"));
        QVERIFY(Find<QLabel>(w, "Label3")->font().bold());
        QVERIFY(Find<QLabel>(w, "Label3")->font().italic());

        auto* pages = Find<QTabWidget>(w, "PageControl1");
        QCOMPARE(pages->count(), 4);
        const char* const pageNames[] = {"spPage", "TabSheet1", "TabSheet2", "TabSheet4"};
        const char* const captions[] = {"ServerPackages", "Text fields", "Numeric scales",
                                        "Other settings"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(pages->widget(i)->objectName(), QString::fromLatin1(pageNames[i]));
            QCOMPARE(pages->tabText(i), QString::fromLatin1(captions[i]));
        }
        QCOMPARE(Find<QPushButton>(w, "spRemNonSPackBtn")->text(),
                 QStringLiteral("Remove bots which aren't in the ServerPackages"));

        for (const char* action :
             {"txtActionComboBox", "nmActionCombobox", "tmActionCombobox", "jbActionCombobox"}) {
            QCOMPARE(Items(w, action), (QStringList{"Add", "Remove"}));
        }
        QCOMPARE(Items(w, "txtFieldComboBox"),
                 (QStringList{"name", "model name", "skin name", "face name", "voice-pack name",
                              "favourite weapon name"}));
        QCOMPARE(Items(w, "txtComparisonComboBox"),
                 (QStringList{"is", "includes", "doesn't include", "starts with"}));
        QCOMPARE(Items(w, "nmFieldCombobox"),
                 (QStringList{"aggression (\"combat style\")", "strafing ability", "alertness",
                              "camping (sniping)", "accuracy", "skill adjustment"}));
        QCOMPARE(Items(w, "nmComparisonComboBox"),
                 (QStringList{"is less than", "is less than or equal to", "is exactly equal to",
                              "is greater than or equal to", "is greater than"}));
        QCOMPARE(Items(w, "tmTeamComboBox"),
                 (QStringList{"Red", "Blue", "Green", "Gold", "[neutral]"}));
        QCOMPARE(Items(w, "jbConditionComboBox"),
                 (QStringList{"jump excessively", "don't jump excessively"}));
        for (QComboBox* combo : w->findChildren<QComboBox*>()) {
            QVERIFY2(!combo->isEditable(), qPrintable(combo->objectName()));
        }
        for (const char* filter : {"txtCommitBtn", "nmCommitBtn", "tmCommitBtn", "jbCommitBtn"}) {
            QCOMPARE(Find<QPushButton>(w, filter)->text(), QStringLiteral("Filter"));
        }
        auto* threshold = Find<QLineEdit>(w, "nmThresholdDummyEdit");
        QVERIFY(threshold->isReadOnly());
        QCOMPARE(threshold->text(), QStringLiteral("0.000000"));
        QCOMPARE(threshold->toolTip(), QStringLiteral("Use the slider below to change this"));

        // Esc ends the opening as Cancel does.
        QTest::keyClick(w, Qt::Key_Escape);
    });
}

void BotSaveWizardTest::reachableByKeyboardAndScreenReaders() {
    ProgramStart start;
    start.StartNormally();
    InWizard(start, Library({Bot("Ann"), Bot("Bob")}), [](QWidget* w) {
        // Labels hand their access keys to their controls.
        const std::pair<const char*, const char*> buddies[] = {
            {"Label1", "BotsChecklist"},
            {"txtWhoseLabel", "txtFieldComboBox"},
            {"txtTextLabel", "txtTextEdit"},
            {"nmWhoseLabel", "nmFieldCombobox"},
            {"nmThresholdLabel", "nmThresholdScrollBar"},
            {"tmTeamLabel", "tmTeamComboBox"},
            {"jbWhoLabel", "jbConditionComboBox"},
        };
        for (const auto& [label, control] : buddies) {
            QCOMPARE(Find<QLabel>(w, label)->buddy(), Find<QWidget>(w, control));
        }
        auto* pages = Find<QTabWidget>(w, "PageControl1");
        pages->setCurrentIndex(1);
        QApplication::processEvents();
        QTest::keyClick(w, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>(w, "txtTextEdit"));
        pages->setCurrentIndex(2);
        QApplication::processEvents();
        QTest::keyClick(w, Qt::Key_L, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>(w, "nmThresholdScrollBar"));

        // From outside: the accessibility tree, as assistive technology walks
        // it. Every control that takes input is named, by its label where it
        // has one, and hints come as descriptions.
        std::map<QString, QString> names;
        std::map<QString, QString> descriptions;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            const QAccessible::Role role = node->role();
            if (role == QAccessible::ComboBox || role == QAccessible::EditableText ||
                role == QAccessible::CheckBox || role == QAccessible::PushButton ||
                role == QAccessible::ScrollBar || role == QAccessible::Slider ||
                role == QAccessible::List) {
                QString name = node->text(QAccessible::Name);
                const auto labels = node->relations(QAccessible::Label);
                if (!labels.isEmpty()) {
                    name = labels.first().first->text(QAccessible::Name);
                }
                const QString id = node->object() ? node->object()->objectName() : QString();
                if (!id.isEmpty()) {
                    names[id] = name;
                    descriptions[id] = node->text(QAccessible::Description);
                }
            }
            for (int i = 0; i < node->childCount(); ++i) {
                if (QAccessibleInterface* child = node->child(i)) {
                    walk(child);
                }
            }
        };
        walk(QAccessible::queryAccessibleInterface(w));
        const std::pair<const char*, const char*> expected[] = {
            {"BotsChecklist", "Bots to use:"},
            {"OKBtn", "Export"},
            {"CancelBtn", "Cancel"},
            {"spRemNonSPackBtn", "Remove bots which aren't in the ServerPackages"},
            {"txtFieldComboBox", "bots whose"},
            {"txtTextEdit", "the text below"},
            {"txtCaseSensCheckBox", "Use case-sensitive filter"},
            {"txtCommitBtn", "Filter"},
            {"nmFieldCombobox", "bots whose"},
            {"nmThresholdScrollBar", "Threshold level:"},
            {"nmThresholdDummyEdit", "Threshold"},
            {"tmTeamComboBox", "bots whose team is"},
            {"jbConditionComboBox", "bots who"},
        };
        for (const auto& [control, name] : expected) {
            QVERIFY2(names.count(QString::fromLatin1(control)), control);
            QCOMPARE(names[QString::fromLatin1(control)], QString::fromLatin1(name));
        }
        for (const auto& [control, name] : names) {
            QVERIFY2(!name.isEmpty(), qPrintable(control));
        }
        QCOMPARE(descriptions[QStringLiteral("nmThresholdDummyEdit")],
                 QStringLiteral("Use the slider below to change this"));
        Click(w, "CancelBtn");
    });
}

void BotSaveWizardTest::prepareExportCopiesTicksEveryBotAndResetsTheRows() {
    ProgramStart start;
    start.StartNormally();
    TBotRecord ann = Bot("Ann");
    ann.Team = kTeamBlue;
    TBigKegOBots library = Library({ann, Bot("Bob")});
    // First opening: every row changed, a line unticked, then Cancel.
    InWizard(start, library, [](QWidget* w) {
        QCOMPARE(Lines(w), (QStringList{"Ann (Blue Botpack.TMale1Bot / CommandoSkins.cmdo)",
                                        "Bob (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)"}));
        QCOMPARE(Ticks(w), All(2, true));
        Toggle(w, 0);
        QCOMPARE(Ticks(w), (std::vector<bool>{false, true}));
        Choose(w, "txtActionComboBox", "Add");
        Choose(w, "txtFieldComboBox", "skin name");
        Choose(w, "txtComparisonComboBox", "starts with");
        Type(w, "txtTextEdit", "Commando");
        Find<QCheckBox>(w, "txtCaseSensCheckBox")->click();
        Choose(w, "nmActionCombobox", "Add");
        Choose(w, "nmComparisonComboBox", "is greater than");
        Choose(w, "nmFieldCombobox", "skill adjustment");
        Find<QScrollBar>(w, "nmThresholdScrollBar")->setValue(9);
        Choose(w, "tmActionCombobox", "Add");
        Choose(w, "tmTeamComboBox", "Gold");
        Choose(w, "jbActionCombobox", "Add");
        Choose(w, "jbConditionComboBox", "jump excessively");
        Find<QTabWidget>(w, "PageControl1")->setCurrentIndex(3);
        Click(w, "CancelBtn");
    });
    // The next opening starts afresh, but for the case-sensitive box.
    InWizard(start, library, [](QWidget* w) {
        QCOMPARE(Ticks(w), All(2, true));
        QCOMPARE(Lines(w).size(), 2);
        QCOMPARE(Find<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
        auto current = [w](const char* box) { return Find<QComboBox>(w, box)->currentText(); };
        QCOMPARE(current("txtActionComboBox"), QStringLiteral("Remove"));
        QCOMPARE(current("txtFieldComboBox"), QStringLiteral("name"));
        QCOMPARE(current("txtComparisonComboBox"), QStringLiteral("is"));
        QCOMPARE(Find<QLineEdit>(w, "txtTextEdit")->text(), QString());
        QVERIFY(Find<QCheckBox>(w, "txtCaseSensCheckBox")->isChecked());
        QCOMPARE(current("nmActionCombobox"), QStringLiteral("Remove"));
        QCOMPARE(current("nmComparisonComboBox"), QStringLiteral("is less than"));
        QCOMPARE(current("nmFieldCombobox"), QStringLiteral("aggression (\"combat style\")"));
        auto* slider = Find<QScrollBar>(w, "nmThresholdScrollBar");
        QCOMPARE(slider->minimum(), -2);
        QCOMPARE(slider->maximum(), 2);
        QCOMPARE(slider->value(), 0);
        QCOMPARE(Find<QLineEdit>(w, "nmThresholdDummyEdit")->text(), QStringLiteral("0.000000"));
        QCOMPARE(current("tmActionCombobox"), QStringLiteral("Remove"));
        QCOMPARE(current("tmTeamComboBox"), QStringLiteral("Red"));
        QCOMPARE(current("jbActionCombobox"), QStringLiteral("Remove"));
        QCOMPARE(current("jbConditionComboBox"), QStringLiteral("don't jump excessively"));
        Click(w, "CancelBtn");
    });
    // An empty library: an empty checklist on which the rules change nothing.
    InWizard(start, TBigKegOBots{}, [](QWidget* w) {
        QCOMPARE(Lines(w).size(), 0);
        for (const char* filter :
             {"txtCommitBtn", "nmCommitBtn", "tmCommitBtn", "jbCommitBtn", "spRemNonSPackBtn"}) {
            Click(w, filter);
        }
        QCOMPARE(Lines(w).size(), 0);
        QVERIFY(hooks::ShownSoFar().empty());
        Click(w, "CancelBtn");
    });
}

void BotSaveWizardTest::exportWritesTheTickedBots() {
    ProgramStart start;
    start.StartNormally();
    const std::string userIni = start.GameFile("System/User.ini");

    // Nothing ticked: 32 placeholders, and the window closes with OK.
    int result = InWizard(start, Numbered(3), [](QWidget* w) {
        Choose(w, "txtComparisonComboBox", "doesn't include");
        Click(w, "txtCommitBtn");
        QCOMPARE(Ticks(w), All(3, false));
        Click(w, "OKBtn");
    });
    QCOMPARE(result, int(QDialog::Accepted));
    TBotSlotTable written = WrittenSlots(userIni);
    for (std::size_t i = 0; i < kGameSlots; ++i) {
        QCOMPARE(written[i].Name.Str(), "Bot_" + std::to_string(i + 1));
    }

    // 5 of 7 ticked: those 5 in the first slots, placeholders after them.
    InWizard(start, Numbered(7), [](QWidget* w) {
        Toggle(w, 1);
        Toggle(w, 4);
        Click(w, "OKBtn");
    });
    written = WrittenSlots(userIni);
    std::set<std::string> names;
    for (std::size_t i = 0; i < 5; ++i) {
        names.insert(written[i].Name.Str());
    }
    QCOMPARE(names, (std::set<std::string>{"b0", "b2", "b3", "b5", "b6"}));
    QCOMPARE(written[5].Name.Str(), std::string("Bot_6"));
    QCOMPARE(written[31].Name.Str(), std::string("Bot_32"));

    // 40 ticked: 32 different ones of them.
    InWizard(start, Numbered(40), [](QWidget* w) { Click(w, "OKBtn"); });
    written = WrittenSlots(userIni);
    names.clear();
    for (const TBotRecord& slot : written) {
        QVERIFY(slot.Name.Str().starts_with("b"));
        names.insert(slot.Name.Str());
    }
    QCOMPARE(names.size(), 32u);
}

void BotSaveWizardTest::exportDoesNothingWithoutLinesOrUserIni() {
    ProgramStart start;
    start.StartNormally();
    const std::string userIni = start.GameFile("System/User.ini");
    const std::string before = ReadBytes(userIni);
    // An empty checklist: Export does nothing and the window stays.
    int result = InWizard(start, TBigKegOBots{}, [](QWidget* w) {
        Click(w, "OKBtn");
        QVERIFY(w->isVisible());
        Click(w, "CancelBtn");
    });
    QCOMPARE(result, int(QDialog::Rejected));
    // No file at the user INI's path: the error box names it; a cancelled
    // prompt: nothing is said. The window stays either way.
    AppSettings.PathToUtUserIni = start.GameFile("System/Gone.ini");
    InWizard(start, Numbered(2), [&start](QWidget* w) {
        Click(w, "OKBtn");
        QVERIFY(w->isVisible());
        QVERIFY(hooks::ShownSoFar().size() == 1 &&
                hooks::ShownSoFar()[0].kind == hooks::Kind::Error);
        QCOMPARE(hooks::ShownSoFar()[0].text,
                 start.GameFile("System/Gone.ini") + ": File not found.");
        AppSettings.PromptToFindUser = true;
        Click(w, "OKBtn");
        QVERIFY(w->isVisible());
        QCOMPARE(hooks::UnansweredDialogs(), 1);
        QVERIFY(hooks::ShownSoFar().size() == 2 &&
                hooks::ShownSoFar()[1].kind == hooks::Kind::Open);
        QCOMPARE(Ticks(w), All(2, true));
        Click(w, "CancelBtn");
    });
    QCOMPARE(ReadBytes(userIni), before);
    QVERIFY(!std::filesystem::exists(start.GameFile("System/Gone.ini")));
}

void BotSaveWizardTest::exportIntoAUserIniWithoutBotSection() {
    ProgramStart start;
    start.StartNormally();
    const std::string userIni =
        start.Folder().Write("game/System/User.ini", "[Engine.Input]\r\nF1=ShowScores\r\n");
    int result = InWizard(start, Numbered(2), [](QWidget* w) { Click(w, "OKBtn"); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(hooks::ShownSoFar().size(), 1u);
    QCOMPARE(hooks::ShownSoFar()[0].kind, hooks::Kind::Message);
    QCOMPARE(hooks::ShownSoFar()[0].text,
             std::string("Error: This doesn't seem to be a UT INI file"));
    QCOMPARE(ReadBytes(userIni), std::string("[Engine.Input]\r\nF1=ShowScores\r\n"));
}

void BotSaveWizardTest::aFailedWriteLeavesTheWizardInStep() {
    ProgramStart start;
    start.StartNormally();
    const std::string userIni = start.GameFile("System/User.ini");
    const std::string before = ReadBytes(userIni);
    // A read-only file cannot be replaced, whoever runs the program.
    std::filesystem::permissions(userIni, std::filesystem::perms::owner_read);
    TBigKegOBots library = Library({Bot("Ann"), Bot("Bob"), Bot("Cy")});
    int result = InWizard(start, library, [&](QWidget* w) {
        Toggle(w, 1);
        Click(w, "OKBtn");
        QVERIFY(w->isVisible());
        QCOMPARE(hooks::ShownSoFar().size(), 1u);
        QCOMPARE(hooks::ShownSoFar()[0].kind, hooks::Kind::Error);
        QCOMPARE(hooks::ShownSoFar()[0].text, "Cannot create file " + userIni + ".");
        QCOMPARE(ReadBytes(userIni), before);
        // The lines still name their bots, with the same ticks.
        QCOMPARE(Lines(w).size(), 3);
        QVERIFY(Lines(w)[1].startsWith(QStringLiteral("Bob ")));
        QCOMPARE(Ticks(w), (std::vector<bool>{true, false, true}));
        auto* wizard = static_cast<TBotSaveWizardForm*>(w);
        QCOMPARE(wizard->ExportRoster().Count(), 3);
        QCOMPARE(wizard->ExportRoster().Bot(1).Name.Str(), std::string("Bob"));

        // A second Export, once the file can be written, writes those ticks.
        std::filesystem::permissions(
            userIni, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        Click(w, "OKBtn");
    });
    QCOMPARE(result, int(QDialog::Accepted));
    TBotSlotTable written = WrittenSlots(userIni);
    std::set<std::string> names{written[0].Name.Str(), written[1].Name.Str()};
    QCOMPARE(names, (std::set<std::string>{"Ann", "Cy"}));
    QCOMPARE(written[2].Name.Str(), std::string("Bot_3"));
    QCOMPARE(library.Count(), 3);  // the library never changes
}

KEELSON_WINDOW_TEST_MAIN(BotSaveWizardTest)
#include "BotSaveWizardTest.moc"
