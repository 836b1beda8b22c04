// The export wizard's filter rules, each through its own page: the text,
// numeric, team, jumping and ServerPackages rules.

#include "tests/gui/bots/BotSaveWizardFixture.h"

using namespace keelson;
using namespace keelson::test;

class BotSaveWizardRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void textRule();
    void numericRuleAndThreshold();
    void teamAndJumpyRules();
    void serverPackagesRule();
};

void BotSaveWizardRulesTest::textRule() {
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

void BotSaveWizardRulesTest::numericRuleAndThreshold() {
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

void BotSaveWizardRulesTest::teamAndJumpyRules() {
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

void BotSaveWizardRulesTest::serverPackagesRule() {
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
    if (CanMakeUnreadable()) {
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

KEELSON_WINDOW_TEST_MAIN(BotSaveWizardRulesTest)
#include "BotSaveWizardRulesTest.moc"
