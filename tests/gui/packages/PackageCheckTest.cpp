// The package check window, opened with the editor's "Check..." on the list
// as the editor shows it: the findings errors first, and a chosen finding's
// entry selected in the editor's list for "Remove selected package(s)".

#include <QListWidget>

#include "gui/packages/PackageCheck.h"
#include "tests/gui/packages/SvPackFixture.h"
#include "tests/support/PackageBuilder.h"

using namespace keelson;
using namespace keelson::test;

namespace {

QListWidget* Findings(QWidget* window) {
    return window->findChild<QListWidget*>(QStringLiteral("FindingsList"));
}

QStringList Lines(QWidget* window) {
    QStringList lines;
    for (int row = 0; row < Findings(window)->count(); ++row) {
        lines << Findings(window)->item(row)->text();
    }
    return lines;
}

int RowStarting(QWidget* window, const QString& start) {
    const QStringList lines = Lines(window);
    for (int row = 0; row < lines.size(); ++row) {
        if (lines[row].startsWith(start)) {
            return row;
        }
    }
    return -1;
}

int Rank(const QString& line) {
    return line.startsWith(QStringLiteral("error: "))     ? 0
           : line.startsWith(QStringLiteral("warning: ")) ? 1
                                                          : 2;
}

// An editor on a game folder with Good.u (needs nothing) and Needy.u (needs
// Gone, which has no file), showing this list.
void Fill(Editor& e, const Names& list) {
    e.WriteIni({});
    e.start.Folder().Write("game/System/Good.u", PackageBytes(PackageNeeding({})));
    e.start.Folder().Write("game/System/Needy.u", PackageBytes(PackageNeeding({"Gone"})));
    for (const std::string& name : list) {
        e.form->Packages().Append(name);
    }
}

}  // namespace

class PackageCheckTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { hooks::Reset(); }
    void errorsComeFirstAndADoubleClickSelectsTheEntry();
    void enterOnAFindingSelectsItsEntryAndAFindingAboutTheFileSelectsNothing();
    void aListWithoutProblemsSaysSo();
};

void PackageCheckTest::errorsComeFirstAndADoubleClickSelectsTheEntry() {
    Editor e;
    Fill(e, {"Good", "Needy", "Extra.u", "good", "Missing"});
    const std::string iniBefore = ReadBytes(e.IniPath());
    WhenModal("PackageCheckForm", [](QWidget* w) {
        const QStringList lines = Lines(w);
        QVERIFY(lines.size() >= 4);
        for (int row = 1; row < lines.size(); ++row) {
            QVERIFY2(Rank(lines[row - 1]) <= Rank(lines[row]), qPrintable(lines.join('\n')));
        }
        QVERIFY(RowStarting(w, "error: Needy: ") >= 0);
        QVERIFY(RowStarting(w, "error: Extra.u: ") >= 0);
        QVERIFY(RowStarting(w, "warning: good: ") >= 0 || RowStarting(w, "warning: Good: ") >= 0);
        const int missing = RowStarting(w, "error: Missing: ");
        QVERIFY(missing >= 0);
        QListWidget* list = Findings(w);
        const QRect place = list->visualItemRect(list->item(missing));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
    });
    Click(e.form, "CheckBtn");
    QVERIFY(!StepFailed());
    // The editor's list now has Missing selected, and Remove removes it.
    const QModelIndexList selected = e.List()->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.front().row(), 4);
    Click(e.form, "RemSelBtn");
    QCOMPARE(e.Shown(), (Names{"Good", "Needy", "Extra.u", "good"}));
    // The check read the files and wrote nothing.
    QCOMPARE(ReadBytes(e.IniPath()), iniBefore);
}

void PackageCheckTest::enterOnAFindingSelectsItsEntryAndAFindingAboutTheFileSelectsNothing() {
    const std::vector<PackageFinding> findings{
        {FindingSeverity::Warning, "", "the server reads its packages from another section",
         kWholeFile},
        {FindingSeverity::Error, "Needy", "needs package Gone, which has no file through Paths", 3},
    };
    TPackageCheckForm window(findings);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* select = window.findChild<QPushButton*>(QStringLiteral("SelectBtn"));
    QCOMPARE(Findings(&window)->currentRow(), 0);
    QVERIFY(!select->isEnabled());
    Findings(&window)->setFocus();
    QTest::keyClick(Findings(&window), Qt::Key_Return);
    QVERIFY(window.isVisible());  // nothing to select for the whole file
    QVERIFY(!window.Chosen());
    QTest::keyClick(Findings(&window), Qt::Key_Down);
    QVERIFY(select->isEnabled());
    QTest::keyClick(Findings(&window), Qt::Key_Return);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.Chosen(), std::optional<std::size_t>(3));
}

void PackageCheckTest::aListWithoutProblemsSaysSo() {
    Editor e;
    Fill(e, {"Good"});
    WhenModal("PackageCheckForm", [](QWidget* w) {
        QCOMPARE(Findings(w)->count(), 0);
        QVERIFY(LabelText(w, "SummaryLabel").startsWith(QStringLiteral("Nothing found")));
        QTest::keyClick(w, Qt::Key_Escape);
    });
    Click(e.form, "CheckBtn");
    QVERIFY(!StepFailed());
    QCOMPARE(e.SelectedCount(), 0);
}

KEELSON_WINDOW_TEST_MAIN(PackageCheckTest)
#include "PackageCheckTest.moc"
