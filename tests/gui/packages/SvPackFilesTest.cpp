// The Server Packages Editor's files: the system INI's list loaded and
// saved, the add dialogs, presets and the missing-modification notice.

#include "tests/gui/packages/SvPackFixture.h"

using namespace keelson;
using namespace keelson::test;

class SvPackFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void loadingAppendsAndSavingWritesTheList();
    void savingProblemsAreShownAndWriteNothing();
    void iniButtonsChangeNothingWithoutASystemIni();
    void browseButtonsSetTheirDialogAfreshAndAddThePickedPackage();
    void presets();
};

void SvPackFilesTest::loadingAppendsAndSavingWritesTheList() {
    Editor e;
    e.WriteIni({"Alpha", "Beta"});
    const std::string before = ReadBytes(e.IniPath());
    // An empty list leaves the system INI as it is.
    Click(e.form, "SaveBtn");
    QCOMPARE(ReadBytes(e.IniPath()), before);

    e.form->AddPack("Zulu");
    Click(e.form, "LoadBtn");
    Click(e.form, "LoadBtn");
    QCOMPARE(e.Shown(), (Names{"Zulu", "Alpha", "Beta", "Alpha", "Beta"}));
    Click(e.form, "SaveBtn");
    QCOMPARE(ReadBytes(e.IniPath()),
             std::string(kPaths) +
                 "[Engine.GameEngine]\r\nCacheSizeMegs=4\r\nServerPackages=Zulu\r\n"
                 "ServerPackages=Alpha\r\nServerPackages=Beta\r\nServerPackages=Alpha\r\n"
                 "ServerPackages=Beta\r\n");
    QVERIFY(hooks::ShownSoFar().empty());
}

void SvPackFilesTest::savingProblemsAreShownAndWriteNothing() {
    Editor e;
    const std::string ini = e.start.Folder().Write("game/System/UnrealTournament.ini", kPaths);
    Click(e.form, "AddUTPkgsBtn");
    Click(e.form, "SaveBtn");
    QCOMPARE(ReadBytes(ini), std::string(kPaths));
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(shown[0].kind == hooks::Kind::Message);
    QCOMPARE(shown[0].text, std::string("Error: This doesn't seem to be a UT INI file"));

    // A picked file whose name holds a line break cannot be written as one
    // line: the error box says so, the INI stays whole and the list keeps it.
    e.WriteIni({"Old"});
    const std::string before = ReadBytes(e.IniPath());
    hooks::SetNextFileName(e.start.GameFile("System/Two\nLines.u"));
    Click(e.form, "AddModBtn");
    Click(e.form, "SaveBtn");
    QCOMPARE(ReadBytes(e.IniPath()), before);
    QVERIFY(hooks::ShownSoFar().back().kind == hooks::Kind::Error);
    QCOMPARE(e.Shown().size(), std::size_t(7));
    QCOMPARE(e.Shown().back(), std::string("Two\nLines"));
}

void SvPackFilesTest::iniButtonsChangeNothingWithoutASystemIni() {
    Editor e;
    // The prompt for the system INI, cancelled, names no file.
    AppSettings.PromptToFindIni = true;
    Click(e.form, "AddUTPkgsBtn");
    for (const char* button : {"LoadBtn", "SaveBtn", "RemNonExistBtn"}) {
        hooks::SetNextFileName(std::nullopt);
        Click(e.form, button);
    }
    QCOMPARE(hooks::ShownSoFar().size(), std::size_t(3));  // the three prompts, nothing else
    // Without prompting, a configured path where no file is: each says so.
    AppSettings.PromptToFindIni = false;
    std::filesystem::remove(e.IniPath());
    for (const char* button : {"LoadBtn", "SaveBtn", "RemNonExistBtn"}) {
        Click(e.form, button);
    }
    QCOMPARE(hooks::ShownSoFar().size(), std::size_t(6));
    QCOMPARE(hooks::ShownSoFar().back().text, e.IniPath() + ": File not found.");
    QCOMPARE(e.Shown().size(), std::size_t(6));
    QVERIFY(!std::filesystem::exists(e.IniPath()));
}

void SvPackFilesTest::browseButtonsSetTheirDialogAfreshAndAddThePickedPackage() {
    Editor e;
    struct Case {
        const char* button;
        std::string pick;    // empty: cancelled
        const char* folder;  // nothing: the button shows no dialog
        std::string filter;
        Names after;
    };
    const std::string sys = e.start.GameFile("System");
    const Names two{"Foo.Bar", "NoExtension"};
    Names withGroup = two;
    withGroup.insert(withGroup.end(), kUTStandardPackages.begin(), kUTStandardPackages.end());
    Names withVoice = withGroup;
    withVoice.push_back("Voice");
    const Case cases[] = {
        {"AddModBtn", sys + "/Foo.Bar.u", "System", kModFilter, {"Foo.Bar"}},
        {"AddSkinBtn", e.start.GameFile("Textures/NoExtension"), "Textures", kSkinFilter, two},
        {"AddSoundBtn", "", "System", kSoundFilter, two},
        {"AddUTPkgsBtn", "", nullptr, "", withGroup},
        // BotPack is listed now; the folder of the pick plays no part.
        {"AddModBtn", "/elsewhere/botpack.u", "System", kModFilter, withGroup},
        {"AddSoundBtn", sys + "/Voice.uax", "System", kSoundFilter, withVoice},
    };
    for (const Case& c : cases) {
        if (c.folder) {
            hooks::SetNextFileName(c.pick.empty() ? std::nullopt : std::optional(c.pick));
        }
        const std::size_t shownBefore = hooks::ShownSoFar().size();
        Click(e.form, c.button);
        QCOMPARE(hooks::ShownSoFar().size(), shownBefore + (c.folder ? 1 : 0));
        if (c.folder) {
            const hooks::Shown* dialog = LastDialog();
            QCOMPARE(dialog->title, std::string("Select file to add"));
            QCOMPARE(dialog->request.initialFolder, e.start.GameFile(c.folder));
            QCOMPARE(dialog->request.filter, c.filter);
        }
        QCOMPARE(e.Shown(), c.after);
    }
    QCOMPARE(hooks::UnansweredDialogs(), 0);
}

void SvPackFilesTest::presets() {
    Editor e;
    const TempDir& dir = e.start.Folder();
    dir.Write("game/System/ModA.u", "x");
    dir.Write("game/Textures/ModASkins.utx", "x");
    e.WriteIni({});
    const std::string valid = dir.Write("presets/ModA.ut_pre",
                                        "Mod A\r\nfree text\r\nhttps://example.org/a\r\nModA\r\n"
                                        "ModASkins\r\n");
    const std::string shortOne = dir.Write("presets/Short.ut_pre", "Mod\nfree\nModA\n");
    const std::string missing =
        dir.Write("presets/Missing.ut_pre", "Mod B\n\nhttps://example.org/b\nModA\nNotThere\n");
    const std::string noSite = dir.Write("elsewhere/NoSite.ut_pre", "Mod C\r\n\r\n\r\nGone\r\n");

    e.form->AddPack("ModA");
    hooks::SetNextFileName(valid);
    Click(e.form, "AddOtherBtn");
    const hooks::Shown* dialog = LastDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->title, std::string("Load preset"));
    QCOMPARE(dialog->request.filter, std::string("UT serverpackages presets (*.ut_pre)|*.ut_pre"));
    QCOMPARE(dialog->request.initialFolder, InFolder(GetProgramFolder(), "presets"));
    // A preset adds without looking for duplicates.
    QCOMPARE(e.Shown(), (Names{"ModA", "ModA", "ModASkins"}));

    hooks::SetNextFileName(shortOne);
    Click(e.form, "AddOtherBtn");
    QVERIFY(hooks::ShownSoFar().back().kind == hooks::Kind::Message);
    QCOMPARE(hooks::ShownSoFar().back().text, "Invalid preset file: " + shortOne);

    // A missing package: nothing added, and the notice names preset, mod
    // and site; a second one shows its own texts only.
    QDialog* notice = e.start.Windows().YouDontHaveModForm.get();
    struct Seen {
        QString preset, mod, site;
    };
    std::vector<Seen> seen;
    for (const std::string& preset : {missing, noSite}) {
        WhenModal("YouDontHaveModForm", [&](QWidget* w) {
            seen.push_back({LabelText(w, "PresetLabel"), LabelText(w, "ModnameLabel"),
                            LabelText(w, "UrlLabel")});
            // Enter presses Cancel, the default button.
            QTest::keyClick(w, Qt::Key_Return);
        });
        hooks::SetNextFileName(preset);
        Click(e.form, "AddOtherBtn");
        QVERIFY(!StepFailed());
        QVERIFY(!notice->isVisible());
        QCOMPARE(notice->result(), int(QDialog::Rejected));
    }
    QCOMPARE(seen.size(), std::size_t(2));
    QCOMPARE(seen[0].preset, QStringLiteral("Missing.ut_pre"));
    QCOMPARE(seen[0].mod, QStringLiteral("Mod B"));
    QCOMPARE(seen[0].site, QStringLiteral("https://example.org/b"));
    QCOMPARE(seen[1].preset, QStringLiteral("NoSite.ut_pre"));
    QCOMPARE(seen[1].mod, QStringLiteral("Mod C"));
    QCOMPARE(seen[1].site, FromAnsi(kNoWebsiteText));
    QCOMPARE(e.Shown(), (Names{"ModA", "ModA", "ModASkins"}));

    // Escape closes the notice as cancelled too; a cancelled dialog adds nothing.
    WhenModal("YouDontHaveModForm", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    hooks::SetNextFileName(missing);
    Click(e.form, "AddOtherBtn");
    QVERIFY(!StepFailed());
    hooks::SetNextFileName(std::nullopt);
    Click(e.form, "AddOtherBtn");
    QCOMPARE(e.Shown(), (Names{"ModA", "ModA", "ModASkins"}));
}

KEELSON_WINDOW_TEST_MAIN(SvPackFilesTest)
#include "SvPackFilesTest.moc"
