// The desktop seam, the text conversion and the application's error box.

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimer>
#include <new>

#include "core/common/Errors.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/Win1252.h"
#include "platform/FileSystem.h"
#include "tests/gui/WindowTest.h"

using namespace keelson;
using namespace keelson::test;
namespace hooks = keelson::desktop::testing;

namespace {

// A window whose button runs a command that fails as a command of the
// program might, connected through the seam as every window's slots are.
class Failing : public QWidget {
  public:
    enum class How { Keelson, OutOfMemory, Other };
    Failing() {
        button = new QPushButton(QStringLiteral("Run"), this);
        desktop::Connect(button, &QPushButton::clicked, this, &Failing::Run);
    }
    void Run() {
        ++runs;
        switch (how) {
            case How::Keelson:
                throw FileError("File not found");
            case How::OutOfMemory:
                throw std::bad_alloc();
            case How::Other:
                throw 42;
        }
    }
    How how = How::Keelson;
    int runs = 0;
    QPushButton* button;
};

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { hooks::Reset(); }
    void everyByteSurvivesARoundTrip();
    void theTableAgreesWithQtsDecoder();
    void charactersOutsideTheCodePageBecomeQuestionMarks();
    void pathsKeepTheFileSystemsNames();
    void filtersBecomeQtFilters();
    void theFileDialogsAreSetUpFromTheRequest();
    void aFileChosenInTheDialogIsFoundByItsAnswer();
    void anExceptionFromAHandlerIsShownAndTheProgramGoesOn();
    void theErrorBoxHasTitleIconButtonAndFullStop();
    void theConfirmationAnswersWithItsRealButtons();
};

void DesktopTest::everyByteSurvivesARoundTrip() {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    QString text = FromAnsi(all);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(ToAnsi(text), all);
}

void DesktopTest::theTableAgreesWithQtsDecoder() {
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid()) {
        QSKIP("this Qt has no windows-1252 decoder");
    }
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        QString expected = decoder.decode(QByteArrayView(&byte, 1));
        QCOMPARE(FromAnsi(std::string_view(&byte, 1)), expected);
    }
}

void DesktopTest::charactersOutsideTheCodePageBecomeQuestionMarks() {
    QCOMPARE(ToAnsi(QString::fromUtf8("a\u0100b\u2713")), std::string("a?b?"));
    QCOMPARE(ToAnsi(QString::fromUtf8("\U0001F600")), std::string("?"));  // one, not two
    QCOMPARE(ToAnsi(QString::fromUtf8("\u20AC\u0178\u00FF")), std::string("\x80\x9F\xFF"));
}

void DesktopTest::pathsKeepTheFileSystemsNames() {
    // A folder whose name the file system holds in UTF-8, as Linux does.
    QTemporaryDir dir;
    const QString shown = dir.path() + QStringLiteral("/Jeux \u00E9t\u00E9/User.ini");
    QVERIFY(QDir().mkpath(QFileInfo(shown).path()));
    QFile file(shown);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const std::string path = ToPath(shown);
#ifndef _WIN32
    QVERIFY(path.find("\xC3\xA9") != std::string::npos);
#endif
    QVERIFY(platform::FileExists(path));
    QCOMPARE(FromPath(path), shown);
}

void DesktopTest::filtersBecomeQtFilters() {
    QCOMPARE(desktop::QtFilterOf("UT system INI (*.ini)|*.ini"), QString("UT system INI (*.ini)"));
    QCOMPARE(desktop::QtFilterOf("Bot libraries|*.ut_botlib|All files|*.*"),
             QString("Bot libraries (*.ut_botlib);;All files (*.*)"));
    QCOMPARE(desktop::QtFilterOf("Packages|*.u;*.utx"), QString("Packages (*.u *.utx)"));
    QCOMPARE(desktop::QtFilterOf(""), QString());
}

void DesktopTest::theFileDialogsAreSetUpFromTheRequest() {
    TempDir dir;
    const std::string ini = dir.Write("System/UnrealTournament.ini", "");
    const desktop::FileDialogRequest request{
        "Select UT system INI", ini, "UT system INI (*.ini)|*.ini", "ini", dir.File("System")};
    auto open = desktop::MakeFileDialog(nullptr, request, false);
    QCOMPARE(open->windowTitle(), QString("Select UT system INI"));
    QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->nameFilters(), QStringList{"UT system INI (*.ini)"});
    QCOMPARE(open->defaultSuffix(), QString("ini"));
    QCOMPARE(QDir::toNativeSeparators(open->directory().absolutePath()),
             QDir::toNativeSeparators(FromPath(dir.File("System"))));
    auto save = desktop::MakeFileDialog(
        nullptr, {"Save library", "", "Bot libraries|*.ut_botlib", "ut_botlib", dir.Path()}, true);
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(save->nameFilters(), QStringList{"Bot libraries (*.ut_botlib)"});

    // The game's program: by name, or (on Linux) any file that may run.
    auto program = desktop::MakeFileDialog(
        nullptr, {"Select UT executable", "", std::string(kGameProgramFilter), "", dir.Path()},
        false);
    QVERIFY(!(program->filter() & QDir::Executable));
#ifndef _WIN32
    QCOMPARE(program->nameFilters(), QStringList({"UT executable (*.exe ut-bin ucc-bin ut)",
                                                  "Programs (files with execute permission) (*)"}));
    Q_EMIT program->filterSelected(program->nameFilters()[1]);
    QVERIFY(program->filter() & QDir::Executable);
    Q_EMIT program->filterSelected(program->nameFilters()[0]);
    QVERIFY(!(program->filter() & QDir::Executable));
#endif
}

// A name outside ASCII, chosen in the real dialog: the answer is the path in
// the program's own bytes (on Windows the ANSI code page, where "\u00F6" is
// the one byte F6), and the files layer finds the file by it.
void DesktopTest::aFileChosenInTheDialogIsFoundByItsAnswer() {
    QTemporaryDir dir;
    const QString name = QStringLiteral("B\u00F6tchen.ut_botlib");
    QFile file(QDir(dir.path()).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("bots"), qint64(4));
    file.close();
    auto dialog = desktop::MakeFileDialog(
        nullptr, {"Open library", "", "Bot libraries|*.ut_botlib", "ut_botlib", ToPath(dir.path())},
        false);
    QTimer::singleShot(0, dialog.get(), [&] {
        dialog->selectFile(name);
        // OK, as the user presses it: the dialog's own checks run.
        QMetaObject::invokeMethod(dialog.get(), "accept");
    });
    QCOMPARE(dialog->exec(), int(QDialog::Accepted));
    QCOMPARE(dialog->selectedFiles().size(), 1);
    const std::string answer = ToPath(dialog->selectedFiles().front());
#ifdef _WIN32
    QVERIFY(answer.ends_with("\\B\xF6tchen.ut_botlib") ||
            answer.ends_with("/B\xF6tchen.ut_botlib"));
#else
    QVERIFY(answer.ends_with("/B\xC3\xB6tchen.ut_botlib"));
#endif
    QCOMPARE(platform::ReadWholeFile(answer), std::string("bots"));
}

void DesktopTest::anExceptionFromAHandlerIsShownAndTheProgramGoesOn() {
    Failing window;
    for (Failing::How how :
         {Failing::How::Keelson, Failing::How::OutOfMemory, Failing::How::Other}) {
        window.how = how;
        window.button->click();
    }
    const auto& shown = hooks::ShownSoFar();
    QCOMPARE(shown.size(), std::size_t(3));
    QVERIFY(shown[0].kind == hooks::Kind::Error);
    QCOMPARE(shown[0].title, std::string("Keelson"));
    QCOMPARE(shown[0].text, std::string("File not found."));
    QCOMPARE(shown[1].text, std::string("Out of memory."));
    QCOMPARE(shown[2].text, std::string("Unknown error."));
    // The window goes on taking its commands.
    window.button->click();
    QCOMPARE(window.runs, 4);
}

void DesktopTest::theErrorBoxHasTitleIconButtonAndFullStop() {
    hooks::SetBoxesShown(true);
    struct Case {
        const char* message;
        const char* shown;
    };
    // A full stop only after a character above ".".
    const Case cases[] = {
        {"Disk full", "Disk full."},
        {"Failed to set data for 'UtBasePath'", "Failed to set data for 'UtBasePath'"},
        {"List index out of bounds (5)", "List index out of bounds (5)"},
        {"Stop!", "Stop!"},
        {"Done.", "Done."},
        {"I/O error 5", "I/O error 5."}};
    for (const Case& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        WhenMessageBox([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = int(box->buttons().size());
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        desktop::ShowError(nullptr, c.message);
        QVERIFY(!StepFailed());
        QCOMPARE(title, QString("Keelson"));
        QCOMPARE(text, QString(c.shown));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, 1);
    }
}

void DesktopTest::theConfirmationAnswersWithItsRealButtons() {
    hooks::SetBoxesShown(true);
    for (bool yes : {true, false}) {
        QString title, yesText, cancelText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenMessageBox([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            title = box->windowTitle();
            icon = box->icon();
            auto* yesButton = box->findChild<QPushButton*>("YesButton");
            auto* cancelButton = box->findChild<QPushButton*>("CancelButton");
            yesText = yesButton->text();
            cancelText = cancelButton->text();
            QTest::mouseClick(yes ? yesButton : cancelButton, Qt::LeftButton);
        });
        QCOMPARE(desktop::Confirm(nullptr, "Confirm", "Sure?", "&Yes", "Cancel"), yes);
        QCOMPARE(title, QString("Confirm"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(yesText, QString("&Yes"));
        QCOMPARE(cancelText, QString("Cancel"));
    }
    // Esc is the other button.
    WhenMessageBox([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QVERIFY(!desktop::Confirm(nullptr, "Confirm", "Sure?", "&Yes", "Cancel"));
}

KEELSON_WINDOW_TEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
