// The export wizard, through its controls, on files the tests make.

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTabWidget>
#include <filesystem>
#include <set>

#include <unistd.h>

#include "app/Desktop.h"
#include "app/Settings.h"
#include "bots/BotFiles.h"
#include "bots/TBigKegOBotsDefine.h"
#include "botui/BotSaveWizard.h"
#include "tests/windows/WindowTest.h"

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

TBotRecord Bot(std::string_view name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

TBigKegOBots Library(const std::vector<TBotRecord>& bots) {
    TBigKegOBots roster;
    for (const TBotRecord& bot : bots) {
        roster.AddBot(bot);
    }
    return roster;
}

TBigKegOBots Numbered(int count) {
    TBigKegOBots roster;
    for (int i = 0; i < count; ++i) {
        std::string name = "b";
        name += std::to_string(i);
        roster.AddBot(Bot(name));
    }
    return roster;
}

template <typename T>
T* Find(QWidget* wizard, const char* name) {
    T* found = wizard->findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        qWarning("no control %s", name);
    }
    return found;
}

QAbstractItemModel* Checklist(QWidget* wizard) {
    return Find<QListView>(wizard, "BotsChecklist")->model();
}

// The ticks as the checklist shows them.
std::vector<bool> Ticks(QWidget* wizard) {
    QAbstractItemModel* model = Checklist(wizard);
    std::vector<bool> ticks;
    for (int i = 0; i < model->rowCount(); ++i) {
        ticks.push_back(model->index(i, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
                        Qt::Checked);
    }
    return ticks;
}

QStringList Lines(QWidget* wizard) {
    QAbstractItemModel* model = Checklist(wizard);
    QStringList lines;
    for (int i = 0; i < model->rowCount(); ++i) {
        lines << model->index(i, 0).data().toString();
    }
    return lines;
}

QStringList Items(QWidget* wizard, const char* box) {
    auto* combo = Find<QComboBox>(wizard, box);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

// Picks an item of a drop-down list as the user would.
void Choose(QWidget* wizard, const char* box, const char* item) {
    auto* combo = Find<QComboBox>(wizard, box);
    int line = combo->findText(QString::fromLatin1(item));
    QVERIFY2(line >= 0, item);
    combo->setCurrentIndex(line);
}

void Type(QWidget* wizard, const char* edit, const char* text) {
    auto* box = Find<QLineEdit>(wizard, edit);
    box->clear();
    QTest::keyClicks(box, QString::fromLatin1(text));
}

// Ticks or unticks line i by hand: the line made current, then Space.
void Toggle(QWidget* wizard, int line) {
    auto* view = Find<QListView>(wizard, "BotsChecklist");
    view->setCurrentIndex(view->model()->index(line, 0));
    QTest::keyClick(view, Qt::Key_Space);
}

// Opens the wizard on a library and acts in it; the act must close it.
int InWizard(ProgramStart& start, const TBigKegOBots& library, std::function<void(QWidget*)> act) {
    int result = -1;
    WhenModal("BotSaveWizardForm", std::move(act));
    TBotSaveWizardForm* wizard = start.Windows().BotSaveWizardForm.get();
    QObject::connect(
        wizard, &QDialog::finished, wizard, [&result](int r) { result = r; },
        Qt::SingleShotConnection);
    wizard->PrepareExport(library);
    if (StepFailed()) {
        QTest::qFail("a step in the wizard failed", __FILE__, __LINE__);
    }
    return result;
}

std::vector<bool> All(std::size_t n, bool tick) {
    return std::vector<bool>(n, tick);
}

TBotSlotTable WrittenSlots(const std::string& userIni) {
    return ReadUserIniBotSlots(ReadBytes(userIni));
}

}  // namespace

class BotSaveWizardTest : public QObject {
    Q_OBJECT
  private slots:
    void theWindowHasItsControlsAndItems();
    void reachableByKeyboardAndScreenReaders();
    void prepareExportCopiesTicksEveryBotAndResetsTheRows();
    void textRule();
    void numericRuleAndThreshold();
    void teamAndJumpyRules();
    void serverPackagesRule();
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

void BotSaveWizardTest::textRule() {
    ProgramStart start;
    start.StartNormally();
    TBotRecord ann = Bot("Ann");
    ann.Skin = "SGirlSkins.army";
    TBotRecord lower = Bot("ann");
    lower.FavoriteWeapon = "Botpack.ShockRifle";
    TBotRecord anna = Bot("Anna");
    anna.Voice = "BotPack.VoiceFemaleOne";
    TBotRecord bob = Bot("Bob");
    bob.Class = "Botpack.TBoss";
    InWizard(start, Library({ann, lower, anna, bob}), [](QWidget* w) {
        using V = std::vector<bool>;
        auto filter = [w](const char* action, const char* field, const char* comparison,
                          const char* text) {
            Choose(w, "txtActionComboBox", action);
            Choose(w, "txtFieldComboBox", field);
            Choose(w, "txtComparisonComboBox", comparison);
            Type(w, "txtTextEdit", text);
            Click(w, "txtCommitBtn");
        };
        // "is" ignores letter case unless the box says otherwise.
        filter("Remove", "name", "is", "ANN");
        QCOMPARE(Ticks(w), (V{false, false, true, true}));
        Find<QCheckBox>(w, "txtCaseSensCheckBox")->click();
        filter("Add", "name", "is", "Ann");
        QCOMPARE(Ticks(w), (V{true, false, true, true}));
        filter("Add", "name", "is", "ANN");
        QCOMPARE(Ticks(w), (V{true, false, true, true}));
        Find<QCheckBox>(w, "txtCaseSensCheckBox")->click();

        // The empty text: "includes" finds it nowhere, the other two everywhere.
        filter("Remove", "name", "includes", "");
        QCOMPARE(Ticks(w), (V{true, false, true, true}));
        filter("Remove", "name", "doesn't include", "");
        QCOMPARE(Ticks(w), All(4, false));
        filter("Add", "name", "starts with", "");
        QCOMPARE(Ticks(w), All(4, true));

        // Each field of its own.
        filter("Remove", "skin name", "starts with", "sgirl");
        QCOMPARE(Ticks(w), (V{false, true, true, true}));
        filter("Remove", "favourite weapon name", "includes", "shock");
        QCOMPARE(Ticks(w), (V{false, false, true, true}));
        filter("Remove", "voice-pack name", "includes", "female");
        QCOMPARE(Ticks(w), (V{false, false, false, true}));
        filter("Add", "model name", "doesn't include", "boss");
        QCOMPARE(Ticks(w), (V{true, true, true, true}));
        filter("Remove", "face name", "is", "CommandoSkins.Blake");
        QCOMPARE(Ticks(w), All(4, false));

        // "Add" re-ticks a bot that was unticked by hand.
        Toggle(w, 3);
        Toggle(w, 3);
        QCOMPARE(Ticks(w), All(4, false));
        Toggle(w, 3);
        QCOMPARE(Ticks(w), (V{false, false, false, true}));
        Toggle(w, 3);
        filter("Add", "name", "starts with", "b");
        QCOMPARE(Ticks(w), (V{false, false, false, true}));
        Click(w, "CancelBtn");
    });
}

void BotSaveWizardTest::numericRuleAndThreshold() {
    ProgramStart start;
    start.StartNormally();
    TBotRecord fresh = Bot("Fresh");  // every scale 0, as a new bot
    TBotRecord set = Bot("Set");
    set.StrafingAbility = static_cast<float>(7 * 0.05);  // as the editor's slider stores 7
    set.CombatStyle = -0.5f;
    set.Accuracy = 0.33f;  // read from a file
    InWizard(start, Library({fresh, set}), [](QWidget* w) {
        using V = std::vector<bool>;
        auto* slider = Find<QScrollBar>(w, "nmThresholdScrollBar");
        auto* box = Find<QLineEdit>(w, "nmThresholdDummyEdit");
        auto filter = [w](const char* action, const char* comparison) {
            Choose(w, "nmActionCombobox", action);
            Choose(w, "nmComparisonComboBox", comparison);
            Click(w, "nmCommitBtn");
        };

        slider->setValue(-1);
        QCOMPARE(box->text(), QStringLiteral("-0.500000"));
        filter("Remove", "is exactly equal to");
        QCOMPARE(Ticks(w), (V{true, false}));
        filter("Add", "is greater than");
        QCOMPARE(Ticks(w), (V{true, false}));
        filter("Add", "is less than or equal to");
        QCOMPARE(Ticks(w), (V{true, true}));

        Choose(w, "nmFieldCombobox", "strafing ability");
        QCOMPARE(slider->minimum(), -20);
        QCOMPARE(slider->maximum(), 20);
        slider->setValue(7);
        QCOMPARE(box->text(), QStringLiteral("0.350000"));
        filter("Remove", "is exactly equal to");
        QCOMPARE(Ticks(w), (V{true, false}));
        filter("Remove", "is less than");
        QCOMPARE(Ticks(w), (V{false, false}));
        filter("Add", "is greater than or equal to");
        QCOMPARE(Ticks(w), (V{false, true}));

        // "is exactly equal to" at 0 on accuracy: the new bot's 0, never 0.33.
        Choose(w, "nmFieldCombobox", "accuracy");
        QCOMPARE(slider->value(), 0);
        filter("Add", "is exactly equal to");
        QCOMPARE(Ticks(w), (V{true, true}));
        filter("Remove", "is exactly equal to");
        QCOMPARE(Ticks(w), (V{false, true}));
        for (int position : {6, 7}) {
            slider->setValue(position);
            filter("Remove", "is exactly equal to");
            QCOMPARE(Ticks(w), (V{false, true}));
        }

        // Back to aggression from 15: range -2 to 2, slider and box at 0.
        Choose(w, "nmFieldCombobox", "skill adjustment");
        slider->setValue(15);
        QCOMPARE(box->text(), QStringLiteral("0.750000"));
        Choose(w, "nmFieldCombobox", "aggression (\"combat style\")");
        QCOMPARE(slider->minimum(), -2);
        QCOMPARE(slider->maximum(), 2);
        QCOMPARE(slider->value(), 0);
        QCOMPARE(box->text(), QStringLiteral("0.000000"));
        slider->setValue(2);
        QCOMPARE(box->text(), QStringLiteral("1.000000"));
        Click(w, "CancelBtn");
    });
}

void BotSaveWizardTest::teamAndJumpyRules() {
    ProgramStart start;
    start.StartNormally();
    std::vector<TBotRecord> bots;
    for (int team : {0, 1, 2, 3, 7, 255}) {
        TBotRecord bot = Bot("t");
        bot.Team = static_cast<std::uint8_t>(team);
        bot.Jumpy = team == 1 || team == 7 ? (team == 7 ? 2 : 1) : 0;
        bots.push_back(bot);
    }
    InWizard(start, Library(bots), [](QWidget* w) {
        using V = std::vector<bool>;
        auto team = [w](const char* action, const char* choice) {
            Choose(w, "tmActionCombobox", action);
            Choose(w, "tmTeamComboBox", choice);
            Click(w, "tmCommitBtn");
        };
        auto jumpy = [w](const char* action, const char* condition) {
            Choose(w, "jbActionCombobox", action);
            Choose(w, "jbConditionComboBox", condition);
            Click(w, "jbCommitBtn");
        };
        team("Remove", "[neutral]");  // 255 only, not 7
        QCOMPARE(Ticks(w), (V{true, true, true, true, true, false}));
        team("Remove", "Red");
        team("Remove", "Gold");
        QCOMPARE(Ticks(w), (V{false, true, true, false, true, false}));
        team("Add", "Gold");
        QCOMPARE(Ticks(w), (V{false, true, true, true, true, false}));
        jumpy("Remove", "jump excessively");
        QCOMPARE(Ticks(w), (V{false, false, true, true, false, false}));
        jumpy("Add", "don't jump excessively");
        QCOMPARE(Ticks(w), (V{true, false, true, true, false, true}));
        jumpy("Remove", "don't jump excessively");
        QCOMPARE(Ticks(w), All(6, false));
        Click(w, "CancelBtn");
    });
}

void BotSaveWizardTest::serverPackagesRule() {
    ProgramStart start;
    start.StartNormally();
    const std::string ini = start.GameFile("System/UnrealTournament.ini");
    auto bot = [](const char* name, const char* skin, const char* face) {
        TBotRecord b = Bot(name);
        b.Class = "botpack.TMale1Bot";
        b.Skin = skin;
        b.Face = face;
        b.Voice = "BotPack.VoiceMaleOne";
        return b;
    };
    TBotRecord noPackages = Bot("Plain");
    noPackages.Class = "TMale1Bot";
    noPackages.Skin = "";
    noPackages.Face = "";
    noPackages.Voice = "";
    TBigKegOBots library =
        Library({bot("Sent", "SoldierSkins.blkt", "soldierskins.Brock"),
                 bot("Shorter", "Soldier.blkt", "SoldierSkins.Brock"),
                 bot("Longer", "SoldierSkinsHD.blkt", "SoldierSkins.Brock"), noPackages});
    using V = std::vector<bool>;

    // Whole entries, letter case ignored; a name held inside a listed one
    // is not sent. The rule only unticks.
    start.Folder().Write("game/System/UnrealTournament.ini",
                         "[Engine.GameEngine]\r\nServerPackages=BotPack\r\n"
                         "ServerPackages=SoldierSkinsHD2\r\nServerPackages=SoldierSkins\r\n");
    InWizard(start, library, [](QWidget* w) {
        Toggle(w, 0);
        Click(w, "spRemNonSPackBtn");
        QCOMPARE(Ticks(w), (V{false, false, false, true}));
        Click(w, "CancelBtn");
    });

    // No ServerPackages at all: every bot with a package goes.
    start.Folder().Write("game/System/UnrealTournament.ini", "[Engine.GameEngine]\r\n");
    InWizard(start, library, [](QWidget* w) {
        Click(w, "spRemNonSPackBtn");
        QCOMPARE(Ticks(w), (V{false, false, false, true}));
        Click(w, "CancelBtn");
    });

    // A cancelled prompt or a missing file changes nothing; an unreadable
    // one is reported.
    AppSettings.PromptToFindIni = true;
    InWizard(start, library, [](QWidget* w) {
        Click(w, "spRemNonSPackBtn");
        QCOMPARE(hooks::UnansweredDialogs(), 1);
        QCOMPARE(Ticks(w), All(4, true));
        Click(w, "CancelBtn");
    });
    AppSettings.PromptToFindIni = false;
    AppSettings.PathToUtSysIni = start.GameFile("System/Missing.ini");
    const std::size_t shown = hooks::ShownSoFar().size();
    InWizard(start, library, [shown, &start](QWidget* w) {
        Click(w, "spRemNonSPackBtn");
        QCOMPARE(Ticks(w), All(4, true));
        QCOMPARE(hooks::ShownSoFar().size(), shown + 1);
        QCOMPARE(hooks::ShownSoFar().back().text,
                 start.GameFile("System/Missing.ini") + ": File not found.");
        Click(w, "CancelBtn");
    });
    AppSettings.PathToUtSysIni = ini;
    std::filesystem::permissions(ini, std::filesystem::perms::none);
    if (::geteuid() != 0) {
        InWizard(start, library, [shown](QWidget* w) {
            Click(w, "spRemNonSPackBtn");
            QCOMPARE(hooks::ShownSoFar().size(), shown + 1);
            QCOMPARE(hooks::ShownSoFar().back().kind, hooks::Kind::Error);
            QCOMPARE(Ticks(w), All(4, true));
            Click(w, "CancelBtn");
        });
    }
    std::filesystem::permissions(ini, std::filesystem::perms::owner_all);
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
