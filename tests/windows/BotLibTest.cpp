// The Bot Library Manager through its controls, on library files and user
// INIs that each case writes.

#include <QAbstractItemModel>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "app/Desktop.h"
#include "app/MainMenu.h"
#include "app/Settings.h"
#include "app/Win1252.h"
#include "bots/BotFiles.h"
#include "botui/BotLib.h"
#include "botui/BotSaveWizard.h"
#include "tests/windows/WindowTest.h"

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

const char* const kTextBoxes[] = {"BotNameComboBox", "BotModelComboBox", "BotSkinComboBox",
                                  "BotFaceComboBox", "BotVoiceComboBox", "FaveWeaponComboBox"};
const char* const kSliders[] = {"SkillScrollBar",    "AccuracyScrollBar", "AlertnessScrollBar",
                                "StrafingScrollBar", "CampingScrollBar",  "CombatStyleScrollbar"};

// The window shown as the main menu's button shows it, without its own
// event loop, so that a case can act on it step by step.
class Manager {
  public:
    Manager() {
        start_.StartNormally();
        form_ = start_.Windows().BotLibForm.get();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
    }
    ~Manager() { form_->hide(); }

    ProgramStart& Start() { return start_; }
    TBotLibForm* Form() { return form_; }
    const TBigKegOBots& Library() const { return form_->Library(); }

    QComboBox* Box(const char* name) { return form_->findChild<QComboBox*>(name); }
    QSlider* Slider(const char* name) { return form_->findChild<QSlider*>(name); }
    QCheckBox* Jumpy() { return form_->findChild<QCheckBox*>("JumpyCheckBox"); }
    QListView* List() { return form_->findChild<QListView*>("BotsListBox"); }
    QString LibraryName() { return form_->findChild<QLabel*>("CurrLibNameLabel")->text(); }

    void Press(const char* button) { Click(form_, button); }

    QStringList Lines() {
        QStringList lines;
        QAbstractItemModel* model = List()->model();
        for (int i = 0; i < model->rowCount(); ++i) {
            lines << model->index(i, 0).data().toString();
        }
        return lines;
    }
    int LineCount() { return List()->model()->rowCount(); }
    int Selected() {
        QModelIndexList rows = List()->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
    // Clicks a line of the list as the user would.
    void Select(int line) {
        QModelIndex at = List()->model()->index(line, 0);
        List()->scrollTo(at);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualRect(at).center());
    }
    // Opens a library file with "Open...".
    void Open(const std::string& path) {
        hooks::SetNextFileName(path);
        Press("OpenBtn");
    }
    // Replaces a box's text by typing, as the user would.
    void Type(const char* box, const QString& text) {
        QLineEdit* edit = Box(box)->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    bool EditorsEnabled() {
        std::vector<QWidget*> editors = {Box("BotTeamComboBox"), Jumpy()};
        for (const char* name : kTextBoxes)
            editors.push_back(Box(name));
        for (const char* name : kSliders)
            editors.push_back(Slider(name));
        int enabled = 0;
        for (QWidget* editor : editors)
            enabled += editor->isEnabled() ? 1 : 0;
        if (enabled != 0 && enabled != 14) {
            qWarning("only %d of the 14 editors are enabled", enabled);
        }
        return enabled == 14;
    }
    // The editors as "New library" leaves them.
    bool EditorsEmptied() {
        for (const char* name : kTextBoxes) {
            if (!Box(name)->currentText().isEmpty())
                return false;
        }
        for (const char* name : kSliders) {
            if (Slider(name)->value() != 0)
                return false;
        }
        return Box("BotTeamComboBox")->currentText() == "[Neutral]" && !Jumpy()->isChecked();
    }

    std::string File(const std::string& name) { return start_.Folder().File(name); }
    // A library file holding these bots.
    std::string WriteLibrary(const std::string& name, const std::vector<TBotRecord>& bots) {
        TBigKegOBots roster;
        for (const TBotRecord& bot : bots)
            roster.AddBot(bot);
        roster.SaveToFile(File(name));
        return File(name);
    }

  private:
    ProgramStart start_;
    TBotLibForm* form_ = nullptr;
};

TBotRecord Bot(const char* name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

const hooks::Shown* LastError() {
    const hooks::Shown* last = nullptr;
    for (const hooks::Shown& shown : hooks::ShownSoFar()) {
        if (shown.kind == hooks::Kind::Error)
            last = &shown;
    }
    return last;
}

QAccessibleInterface* FindAccessible(QAccessibleInterface* from, QObject* object) {
    if (!from)
        return nullptr;
    if (from->object() == object)
        return from;
    for (int i = 0; i < from->childCount(); ++i) {
        if (QAccessibleInterface* found = FindAccessible(from->child(i), object))
            return found;
    }
    return nullptr;
}

}  // namespace

class BotLibTest : public QObject {
    Q_OBJECT
  private slots:
    void theLayoutAndFonts();
    void thePickLists();
    void assistiveTechnologyNamesEveryControl();
    void accessKeysReachTheControls();
    void anEmptyLibraryChangesNothingAndExportsNothing();
    void newBotAndDeleteSelected();
    void aTypedBlankShowsAsUnderscoreWithTheCaretKept();
    void headingsEmptyTheirField();
    void loadingShowsTheNearestPositionAndChangesNothing();
    void aWriteBackStoresSliderStepsAndTeamsAsShown();
    void textsAreCutTo255AndKeepTheirBytes();
    void importAddsExactly32Bots();
    void openAppendAndSaveLibraries();
    void aLibraryThatFailsKeepsListAndRosterInStep();
    void sortByNameAndTheWindowBetweenOpenings();
};

void BotLibTest::theLayoutAndFonts() {
    Manager m;
    QWidget* form = m.Form();
    QCOMPARE(form->size(), QSize(577, 453));
    QCOMPARE(form->font().family(), QString("Arial"));
    QVERIFY(m.Box("BotNameComboBox")->font().bold());
    QVERIFY(!m.Box("BotModelComboBox")->font().bold());
    QVERIFY(!m.Box("BotTeamComboBox")->isEditable());
    for (const char* name : kTextBoxes)
        QVERIFY2(m.Box(name)->isEditable(), name);
    for (const char* name : kSliders) {
        const int end = QString(name) == "CombatStyleScrollbar" ? 2 : 20;
        QCOMPARE(m.Slider(name)->minimum(), -end);
        QCOMPARE(m.Slider(name)->maximum(), end);
    }
    for (QPushButton* button : form->findChildren<QPushButton*>()) {
        // Enter typed in a box must not run "New library".
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->text()));
    }
    auto* title = form->findChild<QLabel*>("TitleLabel");
    QCOMPARE(title->text(), QString("Bot Library Manager"));
    QVERIFY(title->font().bold() && title->font().italic() && title->font().pixelSize() > 20);
    QVERIFY(title->x() + title->width() > 500);  // at the top right
    QCOMPARE(m.LibraryName(), QString("<no file loaded>"));
    // Every control lies inside its own group and the client area.
    for (QWidget* child : form->findChildren<QWidget*>()) {
        QWidget* parent = child->parentWidget();
        if (child->isWindow() || !parent || (parent != form && !qobject_cast<QGroupBox*>(parent)))
            continue;
        QVERIFY2(QRect(QPoint(0, 0), parent->size()).contains(child->geometry()),
                 qPrintable(child->objectName()));
    }
    // The list with its buttons on the right, then the row under it, the
    // group, and the three buttons at the bottom right.
    QWidget* list = m.List();
    QVERIFY(form->findChild<QWidget*>("NewBtn")->x() > list->x() + list->width());
    QVERIFY(form->findChild<QWidget*>("SortBtn")->y() > list->y() + list->height());
    QWidget* group = form->findChild<QWidget*>("CurrentBotGroup");
    QCOMPARE(group->width() + 16, 577);
    QVERIFY(form->findChild<QWidget*>("BitBtn1")->y() > group->y() + group->height());
}

void BotLibTest::thePickLists() {
    Manager m;
    auto items = [&](const char* box) {
        QStringList lines;
        for (int i = 0; i < m.Box(box)->count(); ++i)
            lines << m.Box(box)->itemText(i);
        return lines;
    };
    auto headings = [](const QStringList& lines) {
        QStringList found;
        for (const QString& line : lines) {
            if (line.startsWith("//"))
                found << line;
        }
        return found;
    };
    QCOMPARE(items("BotTeamComboBox"), QStringList({"Red", "Blue", "Green", "Gold", "[Neutral]"}));
    const QStringList names = items("BotNameComboBox");
    QCOMPARE(names.size(), 32);
    QCOMPARE(names.front(), QString("Alarik"));
    QCOMPARE(names.back(), QString("Zenith"));
    QVERIFY(headings(names).isEmpty());
    const QStringList models = items("BotModelComboBox");
    QCOMPARE(models.size(), 17);
    QCOMPARE(models.indexOf("//Bonus Pack"), 5);
    QCOMPARE(models.indexOf("//Dorvane's bug fixes"), 9);
    QCOMPARE(models.indexOf("//A few user-made addons"), 12);
    QCOMPARE(models.last(), QString("Troop.TroopBot"));
    const QStringList skins = items("BotSkinComboBox");
    QCOMPARE(skins.size(), 31);
    QCOMPARE(headings(skins),
             QStringList({"//Male 1 (Commando)", "//Male 2 (Soldier)", "//Female 1 (Commando)",
                          "//Female 2 (Soldier)", "//Skaarj Hybrid", "//Nali", "//WarCow"}));
    const QStringList faces = items("BotFaceComboBox");
    QCOMPARE(faces.size(), 81);
    QCOMPARE(headings(faces), QStringList({"//Male 1 (Commando)", "//Male 2 (Soldier)",
                                           "// Female 1 (Commando)", "//Female 2 (Soldier)",
                                           "//Skaarj Hybrid", "//Leave blank for Nali/Cow"}));
    QCOMPARE(faces.back(), QString());  // the one empty line ends the list
    QCOMPARE(faces.count(QString()), 1);
    // Each face belongs to the package of its heading's model family.
    const char* packages[] = {"CommandoSkins.", "SoldierSkins.", "FCommandoSkins.", "SGirlSkins.",
                              "TSkMSkins."};
    int group = -1;
    for (const QString& face : faces.mid(0, 80)) {
        if (face.startsWith("//")) {
            ++group;
            continue;
        }
        QVERIFY2(group < 5 && face.startsWith(packages[group]), qPrintable(face));
    }
    QCOMPARE(faces[1], QString("CommandoSkins.Blake"));
    QCOMPARE(faces[78], QString("TSkMSkins.Disconnect"));
    const QStringList voices = items("BotVoiceComboBox");
    QCOMPARE(voices.size(), 11);
    QCOMPARE(headings(voices),
             QStringList({"//Male (UT)", "//Female (UT)", "//Male (Bonus Pack)"}));
    const QStringList weapons = items("FaveWeaponComboBox");
    QCOMPARE(weapons.size(), 13);
    QCOMPARE(weapons.front(), QString("// no favourite"));
    QCOMPARE(weapons.back(), QString("BotPack.SniperRifle"));
    // Enter in a box adds nothing to its list.
    m.Press("AddBotBtn");
    m.Type("BotModelComboBox", "My.Model");
    QTest::keyClick(m.Box("BotModelComboBox")->lineEdit(), Qt::Key_Return);
    QCOMPARE(items("BotModelComboBox"), models);
    QCOMPARE(m.Library().Bot(0).Class.Str(), std::string("My.Model"));
    QVERIFY(m.Form()->isVisible());
}

// Every control as a screen reader meets it: named by its label (or its
// caption), described by its hint, which is also its tool tip.
void BotLibTest::assistiveTechnologyNamesEveryControl() {
    Manager m;
    m.Press("AddBotBtn");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m.Form());
    QVERIFY(window);
    QCOMPARE(window->text(QAccessible::Name), QString("Bot Library Manager -- Keelson Tools"));
    const char* hintA =
        "It's easier to set this via UT and import the bot. Only use this box if you know how UT "
        "class names work.";
    using A = QAccessible;
    struct Expected {
        const char* control;
        const char* name;
        A::Role role;
        const char* hint;
    };
    const Expected all[] = {
        {"BotsListBox", "Bots List", A::List, "Click a bot's line to edit it"},
        {"NewBtn", "New library", A::Button, ""},
        {"OpenBtn", "Open...", A::Button, ""},
        {"OpenAndAppendBtn", "Open & append", A::Button, ""},
        {"SaveAsBtn", "Save As...", A::Button, ""},
        {"SortBtn", "Sort by name", A::Button, ""},
        {"AddBotBtn", "New bot", A::Button, ""},
        {"DelBotBtn", "Delete selected", A::Button, ""},
        {"ImportINIBtn", "Import user INI", A::Button, ""},
        {"ExportINIBtn", "Write to user INI", A::Button, ""},
        {"BitBtn1", "Close window", A::Button, ""},
        {"BotNameComboBox", "Name", A::ComboBox,
         "Set your bot's name, or choose from the defaults built into UT"},
        {"BotModelComboBox", "Model (package.class)", A::ComboBox, hintA},
        {"BotSkinComboBox", "Skin (package.name)", A::ComboBox, hintA},
        {"BotFaceComboBox", "Face (package.name)", A::ComboBox, hintA},
        {"BotTeamComboBox", "Team", A::ComboBox,
         "Select your bot's team skin colour. If \"force team balance\" is switched off, the bot "
         "will join this team if possible."},
        {"BotVoiceComboBox", "Voice (package.name)", A::ComboBox, hintA},
        {"SkillScrollBar", "Skill adjust", A::Slider,
         "Further right results in a generally more skilled bot."},
        {"AccuracyScrollBar", "Accuracy", A::Slider,
         "Further right results in a more accurate bot. Warning: this setting is sensitive, small "
         "changes can give big results"},
        {"AlertnessScrollBar", "Alertness", A::Slider,
         "Further right gives the bot better peripheral vision and faster reactions"},
        {"StrafingScrollBar", "Strafing (dodging)", A::Slider,
         "Further right makes the bot more inclined to dodge, rather than standing still and "
         "blasting you"},
        {"CampingScrollBar", "Camping (sniping)", A::Slider,
         "Further right makes the bot more inclined to camp in a good sniper spot and wait for "
         "you"},
        {"CombatStyleScrollbar", "Aggression", A::Slider,
         "Sets the bot's Combat Style: further right is more aggressive and confident"},
        {"FaveWeaponComboBox", "Favourite weapon", A::ComboBox,
         "Leave blank to set no particular favourite."},
        {"JumpyCheckBox", "Jumpy Behaviour", A::CheckBox,
         "Tick this box if you want your bot to jump manically around the map like some human "
         "players do"},
        {"CombatStyleLabel", "Aggression", A::StaticText, "a.k.a. Combat Style"},
        {"AppearanceGroup", "Appearance", A::Grouping, "Set what your bot looks and sounds like"},
        {"BehaviourGroup", "Behaviour", A::Grouping, ""},
    };
    for (const Expected& e : all) {
        QWidget* control = m.Form()->findChild<QWidget*>(e.control);
        QAccessibleInterface* found = FindAccessible(window, control);
        QVERIFY2(found, e.control);
        QCOMPARE(found->role(), e.role);
        QCOMPARE(found->text(QAccessible::Description), QString(e.hint));
        QCOMPARE(control->toolTip(), QString(e.hint));
        // A label names its control through its "labelled by" relation,
        // which is how a screen reader finds it (a group around it is
        // another); other controls carry their caption as their name.
        QString name;
        for (const auto& relation : found->relations(QAccessible::Label)) {
            if (qobject_cast<QLabel*>(relation.first->object())) {
                name = relation.first->text(QAccessible::Name);
            }
        }
        if (name.isEmpty())
            name = found->text(QAccessible::Name);
        QCOMPARE(name, QString(e.name));
    }
    // The lines of the list are there for the reader too.
    QAccessibleInterface* list = FindAccessible(window, m.List());
    QVERIFY(list->childCount() >= 1);
}

void BotLibTest::accessKeysReachTheControls() {
    Manager m;
    m.Press("AddBotBtn");
    struct Key {
        Qt::Key key;
        const char* control;
    };
    const Key keys[] = {{Qt::Key_L, "BotsListBox"},       {Qt::Key_N, "BotNameComboBox"},
                        {Qt::Key_M, "BotModelComboBox"},  {Qt::Key_T, "BotTeamComboBox"},
                        {Qt::Key_K, "SkillScrollBar"},    {Qt::Key_G, "CombatStyleScrollbar"},
                        {Qt::Key_W, "FaveWeaponComboBox"}};
    for (const Key& k : keys) {
        QTest::keyClick(m.Form(), k.key, Qt::AltModifier);
        QWidget* focus = QApplication::focusWidget();
        QWidget* control = m.Form()->findChild<QWidget*>(k.control);
        QVERIFY2(focus == control || (focus && focus->parentWidget() == control), k.control);
    }
    // Alt+J ticks the jumpy box, and the bot with it.
    QTest::keyClick(m.Form(), Qt::Key_J, Qt::AltModifier);
    QTRY_VERIFY(m.Jumpy()->isChecked());
    QCOMPARE(m.Library().Bot(0).Jumpy, std::uint8_t(1));
    // Esc is "Close window".
    QTest::keyClick(m.Form(), Qt::Key_Escape);
    QVERIFY(!m.Form()->isVisible());
    QCOMPARE(m.Form()->result(), int(QDialog::Accepted));
}

void BotLibTest::anEmptyLibraryChangesNothingAndExportsNothing() {
    Manager m;
    QVERIFY(!m.EditorsEnabled());
    QVERIFY(m.EditorsEmptied());
    m.Press("DelBotBtn");
    m.Press("SortBtn");
    QCOMPARE(m.Library().Count(), 0);
    QVERIFY(m.Lines().isEmpty());
    // Moving an editor of no bot changes nothing either.
    m.Slider("SkillScrollBar")->setEnabled(true);
    m.Slider("SkillScrollBar")->setValue(5);
    QCOMPARE(m.Library().Count(), 0);
    m.Slider("SkillScrollBar")->setValue(0);
    m.Slider("SkillScrollBar")->setEnabled(false);

    int exported = -1;
    WhenModal("BotSaveWizardForm", [&](QWidget* wizard) {
        exported = static_cast<TBotSaveWizardForm*>(wizard)->ExportRoster().Count();
        wizard->close();
    });
    m.Press("ExportINIBtn");
    QCOMPARE(exported, 0);
    QVERIFY(!StepFailed());
}

void BotLibTest::newBotAndDeleteSelected() {
    Manager m;
    for (int i = 0; i < 4; ++i)
        m.Press("AddBotBtn");
    QCOMPARE(m.Library().Count(), 4);
    QCOMPARE(m.Selected(), 3);
    QCOMPARE(m.Lines()[3], QString("__Null__ (neutral Botpack.TMale1Bot / CommandoSkins.cmdo)"));
    QVERIFY(m.EditorsEnabled());
    QCOMPARE(m.Box("BotFaceComboBox")->currentText(), QString("CommandoSkins.Blake"));
    QCOMPARE(m.Box("BotVoiceComboBox")->currentText(), QString("BotPack.VoiceMaleOne"));
    QCOMPARE(m.Box("BotTeamComboBox")->currentText(), QString("[Neutral]"));
    // Name the bots so that a wrong deletion shows.
    for (int i = 0; i < 4; ++i) {
        m.Select(i);
        m.Type("BotNameComboBox", QString("Bot%1").arg(i));
    }
    QCOMPARE(m.Library().Bot(2).Name.Str(), std::string("Bot2"));
    // Deleting a middle line selects the line that took its place.
    m.Select(1);
    m.Press("DelBotBtn");
    QCOMPARE(m.Selected(), 1);
    QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("Bot2"));
    // Deleting the last line selects the new last line.
    m.Select(2);
    m.Press("DelBotBtn");
    QCOMPARE(m.Selected(), 1);
    QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("Bot2"));
    QCOMPARE(m.LineCount(), 2);
    QCOMPARE(m.Library().Bot(0).Name.Str(), std::string("Bot0"));
    m.Press("DelBotBtn");
    m.Press("DelBotBtn");
    // The only line gone: editors emptied and disabled.
    QCOMPARE(m.Library().Count(), 0);
    QCOMPARE(m.Selected(), -1);
    QVERIFY(!m.EditorsEnabled());
    QVERIFY(m.EditorsEmptied());
    // "New library" after a few bots: the same emptied window.
    m.Press("AddBotBtn");
    m.Press("AddBotBtn");
    m.Press("NewBtn");
    QCOMPARE(m.Library().Count(), 0);
    QVERIFY(m.Lines().isEmpty());
    QVERIFY(!m.EditorsEnabled() && m.EditorsEmptied());
}

void BotLibTest::aTypedBlankShowsAsUnderscoreWithTheCaretKept() {
    Manager m;
    m.Press("AddBotBtn");
    m.Type("BotNameComboBox", "Mr Bot");
    QLineEdit* edit = m.Box("BotNameComboBox")->lineEdit();
    QCOMPARE(edit->text(), QString("Mr_Bot"));
    QCOMPARE(edit->cursorPosition(), 6);
    QVERIFY(m.Lines()[0].startsWith("Mr_Bot ("));
    QCOMPARE(m.Library().Bot(0).Name.Str(), std::string("Mr_Bot"));
    // A blank typed in the middle: the caret stays behind it.
    edit->setCursorPosition(2);
    QTest::keyClick(edit, Qt::Key_Space);
    QCOMPARE(edit->text(), QString("Mr__Bot"));
    QCOMPARE(edit->cursorPosition(), 3);
    QTest::keyClicks(edit, "X");
    QCOMPARE(m.Library().Bot(0).Name.Str(), std::string("Mr_X_Bot"));
    // A name picked from the list is taken as it stands.
    m.Box("BotNameComboBox")->setCurrentIndex(m.Box("BotNameComboBox")->findText("Loque"));
    QCOMPARE(m.Library().Bot(0).Name.Str(), std::string("Loque"));
}

void BotLibTest::headingsEmptyTheirField() {
    Manager m;
    m.Press("AddBotBtn");
    m.Box("FaveWeaponComboBox")->setCurrentIndex(10);  // BotPack.UT_FlakCannon
    QCOMPARE(m.Library().Bot(0).FavoriteWeapon.Str(), std::string("BotPack.UT_FlakCannon"));
    struct Heading {
        const char* box;
        const char* line;
    };
    const Heading headings[] = {{"FaveWeaponComboBox", "// no favourite"},
                                {"BotModelComboBox", "//Bonus Pack"},
                                {"BotSkinComboBox", "//Nali"},
                                {"BotFaceComboBox", "//Leave blank for Nali/Cow"},
                                {"BotVoiceComboBox", "//Female (UT)"}};
    for (const Heading& h : headings) {
        QComboBox* box = m.Box(h.box);
        box->setCurrentIndex(box->findText(h.line));
        QVERIFY2(box->currentText().isEmpty(), h.box);
        QCOMPARE(box->currentIndex(), -1);
    }
    const TBotRecord& bot = m.Library().Bot(0);
    QVERIFY(bot.FavoriteWeapon.empty() && bot.Class.empty() && bot.Skin.empty() &&
            bot.Face.empty() && bot.Voice.empty());
    QCOMPARE(m.Lines()[0], QString("__Null__ (neutral  / )"));
    // Typed text that begins with "//" goes the same way; one slash stays.
    m.Type("BotSkinComboBox", "/x");
    QCOMPARE(m.Library().Bot(0).Skin.Str(), std::string("/x"));
    QTest::keyClick(m.Box("BotSkinComboBox")->lineEdit(), Qt::Key_Home);
    QTest::keyClicks(m.Box("BotSkinComboBox")->lineEdit(), "/");
    QVERIFY(m.Box("BotSkinComboBox")->currentText().isEmpty());
    QVERIFY(m.Library().Bot(0).Skin.empty());
    // The empty line under the last face heading is an empty face too.
    m.Box("BotFaceComboBox")->setCurrentIndex(2);
    m.Box("BotFaceComboBox")->setCurrentIndex(80);
    QVERIFY(m.Library().Bot(0).Face.empty());
}

void BotLibTest::loadingShowsTheNearestPositionAndChangesNothing() {
    Manager m;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float skill;
        float combatStyle;
        int skillAt, combatAt;
    };
    // Nearest position, exact halves to the even one (0.125 x 20 is 2.5,
    // 0.25 x 2 is 0.5), clamped at the ends.
    const Case cases[] = {{0.33f, 0.25f, 7, 0}, {0.025f, 0.75f, 1, 2},    {-0.125f, -0.25f, -2, 0},
                          {1.5f, 1.5f, 20, 2},  {-7.0f, -0.75f, -20, -2}, {nan, nan, 0, 0},
                          {0.35f, -1.0f, 7, -2}};
    std::vector<TBotRecord> bots;
    for (const Case& c : cases) {
        TBotRecord bot = Bot("Scaled");
        bot.Skill = c.skill;
        bot.CombatStyle = c.combatStyle;
        bot.Team = 7;
        bots.push_back(bot);
    }
    const std::string path = m.WriteLibrary("scales.ut_botlib", bots);
    const std::string before = ReadBytes(path);
    m.Open(path);
    QCOMPARE(m.LineCount(), int(std::size(cases)));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        m.Select(i);
        QCOMPARE(m.Slider("SkillScrollBar")->value(), cases[i].skillAt);
        QCOMPARE(m.Slider("CombatStyleScrollbar")->value(), cases[i].combatAt);
        QCOMPARE(m.Box("BotTeamComboBox")->currentIndex(), -1);  // team 7: no line
    }
    // Selecting bots rewrote none of them.
    m.Press("SaveAsBtn");  // cancelled: nothing written
    hooks::SetNextFileName(m.File("again.ut_botlib"));
    m.Press("SaveAsBtn");
    QCOMPARE(ReadBytes(m.File("again.ut_botlib")), before);
}

void BotLibTest::aWriteBackStoresSliderStepsAndTeamsAsShown() {
    Manager m;
    TBotRecord bot = Bot("Moved");
    bot.Skill = 0.33f;
    bot.Accuracy = -0.5f;
    bot.Alertness = 0.04f;
    bot.StrafingAbility = 2.0f;
    bot.Camping = 0.1f;
    bot.CombatStyle = 0.75f;
    bot.Team = 7;
    bot.Jumpy = 9;
    m.Open(m.WriteLibrary("moved.ut_botlib", {bot}));
    m.Select(0);
    QVERIFY(m.Jumpy()->isChecked());
    // One step right and back: every field is rebuilt from the editors.
    QSlider* accuracy = m.Slider("AccuracyScrollBar");
    accuracy->setFocus();
    QTest::keyClick(accuracy, Qt::Key_Right);
    QTest::keyClick(accuracy, Qt::Key_Left);
    const TBotRecord& stored = m.Library().Bot(0);
    // The float nearest position x step, compared exactly.
    QVERIFY(stored.Skill == static_cast<float>(7 * 0.05));
    QVERIFY(stored.Skill == 0.35f);
    QVERIFY(stored.Accuracy == -0.5f);
    QVERIFY(stored.Alertness == static_cast<float>(1 * 0.05));
    QVERIFY(stored.StrafingAbility == 1.0f);
    QVERIFY(stored.Camping == static_cast<float>(2 * 0.05));
    QVERIFY(stored.CombatStyle == 1.0f);
    QCOMPARE(stored.Team, kNoTeam);
    QCOMPARE(stored.Jumpy, std::uint8_t(1));
    QCOMPARE(m.Box("BotTeamComboBox")->currentIndex(), -1);  // shown as it was
    // Each team line gives its team, "[Neutral]" gives 255.
    const QString labels[] = {"Red", "Blue", "Green", "Gold"};
    for (int team = 0; team < 4; ++team) {
        m.Box("BotTeamComboBox")->setCurrentIndex(team);
        QCOMPARE(m.Library().Bot(0).Team, std::uint8_t(team));
        QVERIFY(m.Lines()[0].startsWith("Moved (" + labels[team] + " "));
    }
    m.Box("BotTeamComboBox")->setCurrentIndex(4);
    QCOMPARE(m.Library().Bot(0).Team, kNoTeam);
    QTest::mouseClick(m.Jumpy(), Qt::LeftButton, {}, QPoint(6, m.Jumpy()->height() / 2));
    QCOMPARE(m.Library().Bot(0).Jumpy, std::uint8_t(0));
    // Reloaded, the bot shows as stored.
    m.Press("AddBotBtn");
    m.Select(0);
    QCOMPARE(m.Slider("SkillScrollBar")->value(), 7);
    QCOMPARE(m.Slider("CombatStyleScrollbar")->value(), 2);
    QCOMPARE(m.Slider("StrafingScrollBar")->value(), 20);
}

void BotLibTest::textsAreCutTo255AndKeepTheirBytes() {
    Manager m;
    TBotRecord bot = Bot("\x80t\xE9 \xFF\x81");
    bot.Skin = "Skins.\xC6gir";
    m.Open(m.WriteLibrary("bytes.ut_botlib", {bot}));
    QCOMPARE(m.Lines()[0], FromAnsi(BotDisplayLabel(bot)));
    QVERIFY(m.Lines()[0].startsWith(QString::fromUtf8("\u20ACt\u00E9 \u00FF")));
    m.Select(0);
    QCOMPARE(m.Box("BotSkinComboBox")->currentText(), QString::fromUtf8("Skins.\u00C6gir"));
    // A write-back keeps every byte, the undefined 0x81 included.
    m.Box("BotTeamComboBox")->setCurrentIndex(1);
    QCOMPARE(m.Library().Bot(0).Name, bot.Name);
    QCOMPARE(m.Library().Bot(0).Skin, bot.Skin);
    // Longer texts are cut to their first 255 characters.
    const QString longText = QString(300, QLatin1Char('v')) + "end";
    for (const char* name : kTextBoxes) {
        m.Box(name)->setEditText(longText);
        QCOMPARE(m.Box(name)->currentText(), longText);  // the box shows it all
    }
    const TBotRecord& stored = m.Library().Bot(0);
    const std::string cut(255, 'v');
    for (const BotText* text : {&stored.Name, &stored.Class, &stored.Skin, &stored.Face,
                                &stored.Voice, &stored.FavoriteWeapon}) {
        QCOMPARE(text->Str(), cut);
    }
    // A character outside the code page shows and is stored as "?".
    m.Type("BotNameComboBox", "Bot");
    m.Box("BotNameComboBox")->lineEdit()->insert(QString::fromUtf8("\u4E00"));  // as pasted
    QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("Bot?"));
    QCOMPARE(m.Library().Bot(0).Name.Str(), std::string("Bot?"));
}

void BotLibTest::importAddsExactly32Bots() {
    Manager m;
    std::string ini =
        "[BotPack.ChallengeBotInfo]\r\nBotNames[0]=Ada\r\nBotNames[31]=Zed\r\n"
        "BotTeams[0]=1\r\nBotSkills[0]=0.5\r\n";
    m.Start().Folder().Write("game/System/User.ini", ini);
    m.Press("AddBotBtn");
    m.Press("ImportINIBtn");
    QCOMPARE(m.Library().Count(), 33);
    QCOMPARE(m.Library().Bot(1).Name.Str(), std::string("Ada"));
    QCOMPARE(m.Library().Bot(1).Team, std::uint8_t(1));
    QCOMPARE(m.Library().Bot(32).Name.Str(), std::string("Zed"));
    QCOMPARE(m.LineCount(), 33);
    QCOMPARE(m.Selected(), 0);  // line 0 selected and loaded
    QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("__Null__"));
    QCOMPARE(m.LibraryName(), QString("<no file loaded>"));
    // No bot section: 32 default bots all the same.
    m.Start().Folder().Write("game/System/User.ini", "[Engine.Input]\r\nF1=Help\r\n");
    m.Press("ImportINIBtn");
    QCOMPARE(m.Library().Count(), 65);
    QCOMPARE(m.Library().Bot(64), DefaultBot);
    // No user INI where the settings say: nothing happens, and the error
    // box names the file.
    AppSettings.PathToUtUserIni = m.File("game/System/Gone.ini");
    m.Press("ImportINIBtn");
    QCOMPARE(hooks::ShownSoFar().back().text, m.File("game/System/Gone.ini") + ": File not found.");
    // A cancelled prompt: nothing happens, nothing is said.
    hooks::Reset();
    AppSettings.PromptToFindUser = true;
    hooks::SetNextFileName(std::nullopt);
    m.Press("ImportINIBtn");
    QCOMPARE(m.Library().Count(), 65);
    for (const hooks::Shown& shown : hooks::ShownSoFar()) {
        QVERIFY(shown.kind == hooks::Kind::Open);
    }
    QVERIFY(!LastError());
}

void BotLibTest::openAppendAndSaveLibraries() {
    Manager m;
    const std::string three = m.WriteLibrary("three.ut_botlib", {Bot("A"), Bot("B"), Bot("C")});
    const std::string empty = m.Start().Folder().Write("empty.ut_botlib", "");
    m.Press("AddBotBtn");
    m.Type("BotNameComboBox", "Kept");
    // A library with no bots: an empty list, the editors emptied and off,
    // as "New library" leaves them, so that nothing is typed into no bot.
    m.Open(empty);
    QVERIFY(m.Lines().isEmpty());
    QCOMPARE(m.Library().Count(), 0);
    QCOMPARE(m.LibraryName().toStdString(), empty);
    QVERIFY(!m.EditorsEnabled());
    QVERIFY(m.EditorsEmptied());

    m.Open(three);
    QCOMPARE(m.LineCount(), 3);
    QCOMPARE(m.Selected(), -1);
    QCOMPARE(m.LibraryName().toStdString(), three);
    m.Type("BotModelComboBox", "Edits.Nothing");
    QCOMPARE(m.Library().Bot(0).Class, DefaultBot.Class);
    // Appending keeps the bots there and the library's name.
    hooks::SetNextFileName(three);
    m.Press("OpenAndAppendBtn");
    QCOMPARE(m.LineCount(), 6);
    QCOMPARE(m.Library().Bot(3).Name.Str(), std::string("A"));
    QCOMPARE(m.Lines()[5].left(2), QString("C "));
    QCOMPARE(m.LibraryName().toStdString(), three);
    // Cancelled dialogs change nothing.
    m.Press("OpenBtn");
    m.Press("OpenAndAppendBtn");
    QCOMPARE(m.Library().Count(), 6);

    // Saving over an existing file replaces it without a question.
    m.Select(5);
    m.Type("BotNameComboBox", "Last");
    const std::string target = m.Start().Folder().Write("saved.ut_botlib", "old content");
    hooks::SetNextFileName(target);
    m.Press("SaveAsBtn");
    QCOMPARE(m.LibraryName().toStdString(), target);
    TBigKegOBots saved;
    saved.AppendFromFile(target);
    QCOMPARE(saved.Count(), 6);
    QCOMPARE(saved.Bot(5).Name.Str(), std::string("Last"));
    QCOMPARE(ReadBytes(target).size(), 6 * kBotRecordSize);
    int opens = 0, saves = 0;
    for (const hooks::Shown& shown : hooks::ShownSoFar()) {
        QVERIFY(shown.kind == hooks::Kind::Open || shown.kind == hooks::Kind::Save);
        const bool open = shown.kind == hooks::Kind::Open;
        (open ? opens : saves) += 1;
        QCOMPARE(shown.title,
                 std::string(open ? "Open bot library file" : "Save bot library file"));
        QCOMPARE(shown.request.filter,
                 std::string("Bot libraries (*.ut_botlib)|*.ut_botlib|All files|*.*"));
        QCOMPARE(shown.request.defaultExt, std::string("ut_botlib"));
    }
    QCOMPARE(opens, 5);
    QCOMPARE(saves, 1);
    // A save that fails keeps the name of the library; a read-only file is
    // refused and keeps its content.
    hooks::SetNextFileName(m.File("no such folder/x.ut_botlib"));
    m.Press("SaveAsBtn");
    QVERIFY(LastError());
    QCOMPARE(m.LibraryName().toStdString(), target);
    const std::string locked = m.Start().Folder().Write("locked.ut_botlib", "keep");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    hooks::SetNextFileName(locked);
    m.Press("SaveAsBtn");
    QCOMPARE(LastError()->text, std::string("File access denied."));
    QCOMPARE(ReadBytes(locked), std::string("keep"));
    QCOMPARE(m.LibraryName().toStdString(), target);
}

void BotLibTest::aLibraryThatFailsKeepsListAndRosterInStep() {
    Manager m;
    const std::string two = m.WriteLibrary("two.ut_botlib", {Bot("One"), Bot("Two")});
    std::string bytes = ReadBytes(two);
    const std::string cut =
        m.Start().Folder().Write("cut.ut_botlib", bytes + bytes.substr(0, kBotRecordSize / 2));
    m.Open(two);
    // Truncated: the complete bots are read, shown, and the error box says why.
    m.Open(cut);
    QVERIFY(LastError());
    QCOMPARE(LastError()->text, std::string("Read beyond end of file."));
    QCOMPARE(m.Library().Count(), 2);
    QCOMPARE(m.LineCount(), 2);
    QCOMPARE(m.LibraryName().toStdString(), two);  // the failed open named nothing
    // The list is the roster: editing line 1 edits bot 1.
    m.Select(1);
    m.Type("BotNameComboBox", "Edited");
    QCOMPARE(m.Library().Bot(1).Name.Str(), std::string("Edited"));
    // Appending what cannot be read keeps the bots there, in the list too.
    hooks::SetNextFileName(m.File("missing.ut_botlib"));
    m.Press("OpenAndAppendBtn");
    QCOMPARE(LastError()->text, std::string("File not found."));
    QCOMPARE(m.Library().Count(), 2);
    QCOMPARE(m.LineCount(), 2);
    hooks::SetNextFileName(cut);
    m.Press("OpenAndAppendBtn");  // the cut file's complete bots, and its error
    QCOMPARE(m.Library().Count(), 4);
    QCOMPARE(m.LineCount(), 4);
    // Opening what cannot be read has emptied the library, and the list.
    m.Open(m.File("missing.ut_botlib"));
    QCOMPARE(m.Library().Count(), 0);
    QVERIFY(m.Lines().isEmpty());
    m.Press("DelBotBtn");  // no line: nothing, and no error
    QCOMPARE(int(std::count_if(hooks::ShownSoFar().begin(), hooks::ShownSoFar().end(),
                               [](const hooks::Shown& s) { return s.kind == hooks::Kind::Error; })),
             4);
}

void BotLibTest::sortByNameAndTheWindowBetweenOpenings() {
    Manager m;
    m.Open(m.WriteLibrary("mixed.ut_botlib", {Bot("delta"), Bot("Alpha"), Bot("charlie"),
                                              Bot("alpha"), Bot("Bravo")}));
    m.Press("SortBtn");
    QStringList names;
    for (const QString& line : m.Lines())
        names << line.section(' ', 0, 0);
    QCOMPARE(names, QStringList({"Alpha", "alpha", "Bravo", "charlie", "delta"}));
    QCOMPARE(m.Selected(), 0);
    QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("Alpha"));
    m.Select(3);
    m.Form()->hide();
    // Opened again from the main menu: the same library, selection and editors.
    WhenModal("BotLibForm", [&](QWidget* form) {
        QCOMPARE(m.Selected(), 3);
        QCOMPARE(m.Box("BotNameComboBox")->currentText(), QString("charlie"));
        QCOMPARE(m.LineCount(), 5);
        Click(form, "BitBtn1");
    });
    Click(m.Start().Windows().MainMenuForm.get(), "ConfigBotsBtn");
    QVERIFY(!StepFailed());
    // The export works on copies: the library is the same afterwards.
    WhenModal("BotSaveWizardForm", [&](QWidget* wizard) {
        QCOMPARE(static_cast<TBotSaveWizardForm*>(wizard)->ExportRoster().Count(), 5);
        wizard->close();
    });
    m.Form()->show();
    m.Press("ExportINIBtn");
    QVERIFY(!StepFailed());
    QCOMPARE(m.Library().Count(), 5);
}

KEELSON_WINDOW_TEST_MAIN(BotLibTest)
#include "BotLibTest.moc"
