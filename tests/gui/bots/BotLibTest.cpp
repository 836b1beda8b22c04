// Editing bots in the Bot Library Manager through its controls: the list,
// the text boxes, the sliders and what each writes back.

#include "tests/gui/bots/BotLibFixture.h"

using namespace keelson;
using namespace keelson::test;

class BotLibTest : public QObject {
    Q_OBJECT
  private slots:
    void anEmptyLibraryChangesNothingAndExportsNothing();
    void newBotAndDeleteSelected();
    void aTypedBlankShowsAsUnderscoreWithTheCaretKept();
    void headingsEmptyTheirField();
    void loadingShowsTheNearestPositionAndChangesNothing();
    void aWriteBackStoresSliderStepsAndTeamsAsShown();
    void textsAreCutTo255AndKeepTheirBytes();
};

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

KEELSON_WINDOW_TEST_MAIN(BotLibTest)
#include "BotLibTest.moc"
