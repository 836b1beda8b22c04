// The Bot Library Manager's files: the user INI's import, library files
// opened, appended and saved, and a library that fails to read.

#include "tests/gui/bots/BotLibFixture.h"

using namespace keelson;
using namespace keelson::test;

class BotLibFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void importAddsExactly32Bots();
    void openAppendAndSaveLibraries();
    void aLibraryThatFailsKeepsListAndRosterInStep();
    void sortByNameAndTheWindowBetweenOpenings();
};

void BotLibFilesTest::importAddsExactly32Bots() {
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

void BotLibFilesTest::openAppendAndSaveLibraries() {
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

void BotLibFilesTest::aLibraryThatFailsKeepsListAndRosterInStep() {
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

void BotLibFilesTest::sortByNameAndTheWindowBetweenOpenings() {
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

KEELSON_WINDOW_TEST_MAIN(BotLibFilesTest)
#include "BotLibFilesTest.moc"
