// The versions of the game's files in the windows: what a save keeps, the
// "Previous versions" window reached from Options, a restore, and a save
// beside a running server.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "tests/gui/packages/SvPackFixture.h"
#include "tests/support/FakeGame.h"

using namespace keelson;
using namespace keelson::test;

namespace {

// Versions go to a folder of the test's own.
void KeepVersionsIn(const ProgramStart& start) {
    const std::string folder = start.Folder().NativeFile("state");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder));
    qputenv("LOCALAPPDATA", QByteArray::fromStdString(folder));
}

QTreeWidget* Versions(QWidget* window) {
    return window->findChild<QTreeWidget*>(QStringLiteral("VersionList"));
}

std::string Changes(QWidget* window) {
    return ToAnsi(window->findChild<QPlainTextEdit*>(QStringLiteral("ChangesView"))->toPlainText());
}

// Opens Options, then "Previous versions...", and acts in that window.
void InVersions(ProgramStart& start, std::function<void(QWidget*)> act) {
    WhenModal("OptionsForm", [&](QWidget* options) {
        WhenModal("VersionsForm", act);
        Click(options, "VersionsBtn");
        QMetaObject::invokeMethod(options, "reject", Qt::QueuedConnection);
    });
    Click(start.Windows().MainMenuForm.get(), "OptionsBtn");
    QVERIFY(!StepFailed());
}

}  // namespace

class VersionsTest : public QObject {
    Q_OBJECT
  private slots:
    void aSaveIsKeptShownAndRestored();
    void enterInTheWindowClosesItAndReplacesNothing();
    void aRunningServerIsNamedAndSavingWaitsForTheUser();
};

void VersionsTest::aSaveIsKeptShownAndRestored() {
    Editor e;
    KeepVersionsIn(e.start);
    const std::string before = ReadBytes(e.WriteIni({"Alpha", "Beta"}));
    Click(e.form, "LoadBtn");
    e.Select({0});
    Click(e.form, "RemSelBtn");
    Click(e.form, "SaveBtn");
    const std::string saved = ReadBytes(e.IniPath());
    QVERIFY(saved != before);

    InVersions(e.start, [&](QWidget* window) {
        QCOMPARE(window->windowTitle(), QStringLiteral("Previous versions -- Keelson"));
        QTreeWidget* list = Versions(window);
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("1"));
        QCOMPARE(list->topLevelItem(0)->text(2),
                 QStringLiteral("Keelson: Save to INI (Server Packages Editor)"));
        QVERIFY(Changes(window).find("\n-ServerPackages=Alpha\n") != std::string::npos);

        hooks::SetNextAnswer(true);
        Click(window, "RestoreBtn");
        QCOMPARE(hooks::ShownSoFar().back().text, "Replace " + e.IniPath() +
                                                      " with the version of " +
                                                      ToAnsi(list->topLevelItem(1)->text(1)) + "?");
        // The file is back, and what it replaced is the newest version.
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("Keelson: Restore version 1"));
        QVERIFY(window->findChild<QComboBox*>(QStringLiteral("FileBox"))->count() >= 2);
        window->close();
    });
    QCOMPARE(ReadBytes(e.IniPath()), before);
}

void VersionsTest::enterInTheWindowClosesItAndReplacesNothing() {
    Editor e;
    KeepVersionsIn(e.start);
    e.WriteIni({"Alpha"});
    Click(e.form, "LoadBtn");
    e.form->AddPack("Beta");
    Click(e.form, "SaveBtn");
    const std::string saved = ReadBytes(e.IniPath());
    bool closed = false;
    InVersions(e.start, [&](QWidget* window) {
        Versions(window)->setFocus();
        QTest::keyClick(Versions(window), Qt::Key_Return);
        closed = !window->isVisible();
        if (!closed) {
            window->close();
        }
    });
    QVERIFY(closed);
    QCOMPARE(ReadBytes(e.IniPath()), saved);
    for (const hooks::Shown& shown : hooks::ShownSoFar()) {
        QVERIFY(shown.kind != hooks::Kind::Confirm);
    }
}

void VersionsTest::aRunningServerIsNamedAndSavingWaitsForTheUser() {
    Editor e;
    KeepVersionsIn(e.start);
    const std::string before = ReadBytes(e.WriteIni({"Alpha"}));
#ifdef _WIN32
    const std::string program = e.start.GameFile("System/UCC.exe");
#else
    const std::string program = e.start.GameFile("System/ucc-bin");
#endif
    QVERIFY(CopyProgram(FakeGamePath(), program));
    Game server(program, e.start.GameFile("System"), {"server"},
                e.start.Folder().NativeFile("ready"));
    QVERIFY(server.Running());

    Click(e.form, "LoadBtn");
    e.form->AddPack("Beta");
    Click(e.form, "SaveBtn");  // no answer queued: "Cancel"
    QCOMPARE(ReadBytes(e.IniPath()), before);
    const hooks::Shown asked = hooks::ShownSoFar().back();
    QVERIFY(asked.kind == hooks::Kind::Confirm);
    QVERIFY(asked.text.starts_with(e.IniPath() + " is in use by a running game (pid " +
                                   std::to_string(server.Pid()) + ", "));
    QVERIFY(asked.text.ends_with("Stop it first, or save anyway."));

    hooks::SetNextAnswer(true);
    Click(e.form, "SaveBtn");
    QVERIFY(ReadBytes(e.IniPath()).find("ServerPackages=Beta") != std::string::npos);
}

KEELSON_WINDOW_TEST_MAIN(VersionsTest)
#include "VersionsTest.moc"
