// The Bot Library Manager's controls: where they stand, their fonts, pick
// lists, access keys and what a screen reader is told of them.

#include "tests/gui/bots/BotLibFixture.h"

using namespace keelson;
using namespace keelson::test;

class BotLibLookTest : public QObject {
    Q_OBJECT
  private slots:
    void theLayoutAndFonts();
    void thePickLists();
    void assistiveTechnologyNamesEveryControl();
    void accessKeysReachTheControls();
};

void BotLibLookTest::theLayoutAndFonts() {
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

void BotLibLookTest::thePickLists() {
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

void BotLibLookTest::assistiveTechnologyNamesEveryControl() {
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

void BotLibLookTest::accessKeysReachTheControls() {
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

KEELSON_WINDOW_TEST_MAIN(BotLibLookTest)
#include "BotLibLookTest.moc"
