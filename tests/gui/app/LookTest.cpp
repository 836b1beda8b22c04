// The nine windows as the user meets them: titles, sizes, fonts, access
// keys, default and cancel buttons, pictures.

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/app/About.h"
#include "gui/app/FirstRun.h"
#include "gui/app/FirstRunOptions.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Options.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotSaveWizard.h"
#include "gui/packages/SvPack.h"
#include "gui/packages/YouDontHaveMod.h"
#include "tests/gui/WindowTest.h"

using namespace keelson;
using namespace keelson::test;

namespace {

QPushButton* Button(QWidget* w, const char* name) {
    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(name));
    if (!b) {
        qWarning("no button %s", name);
    }
    return b;
}

}  // namespace

class LookTest : public QObject {
    Q_OBJECT
  private slots:
    void everyWindowHasItsCaptionAndFixedClientSize();
    void theMainWindowsButtons();
    void theOptionsWindowsControls();
    void theFirstRunWindows();
    void theAboutBox();
};

void LookTest::everyWindowHasItsCaptionAndFixedClientSize() {
    ProgramStart start;
    KeelsonWindows& w = start.Windows();
    // These windows make their controls when first shown.
    w.BotLibForm->EnsureControls();
    w.SvPackForm->EnsureControls();
    w.BotSaveWizardForm->EnsureControls();
    w.FirstRunForm->EnsureControls();
    w.FirstRunOptionsForm->EnsureControls();
    w.OptionsForm->EnsureControls();
    w.YouDontHaveModForm->EnsureControls();
    w.AboutBox->EnsureControls();
    struct Expected {
        QWidget* window;
        const char* caption;
        int width, height;
    };
    const Expected all[] = {
        {w.MainMenuForm.get(), "Main Menu -- Keelson", 337, 298},
        {w.BotLibForm.get(), "Bot Library Manager -- Keelson Tools", 577, 453},
        {w.SvPackForm.get(), "Server Packages Editor -- Keelson Tools", 583, 375},
        {w.BotSaveWizardForm.get(), "Export bots to user INI", 344, 370},
        {w.FirstRunForm.get(), "First Run -- Keelson", 406, 247},
        {w.FirstRunOptionsForm.get(), "First Run -- Keelson", 406, 109},
        {w.OptionsForm.get(), "Options & Uninstall -- Keelson", 466, 383},
        {w.YouDontHaveModForm.get(), "Modification not found -- Keelson", 479, 225},
        {w.AboutBox.get(), "About", 298, 213},
    };
    for (const Expected& e : all) {
        QCOMPARE(e.window->windowTitle(), QString(e.caption));
        QCOMPARE(e.window->minimumSize(), QSize(e.width, e.height));
        QCOMPARE(e.window->maximumSize(), QSize(e.width, e.height));
        QVERIFY(!(e.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        // Every control lies inside its window.
        for (QWidget* child : e.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(QRect(0, 0, e.width, e.height).contains(child->geometry()),
                     qPrintable(e.window->objectName() + "/" + child->objectName() + " at " +
                                QString::number(child->geometry().right()) + "," +
                                QString::number(child->geometry().bottom())));
        }
    }
    QVERIFY(w.MainMenuForm->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.OptionsForm->windowFlags() & Qt::WindowMinimizeButtonHint));
}

void LookTest::theMainWindowsButtons() {
    ProgramStart start;
    QWidget* main = start.Windows().MainMenuForm.get();
    QCOMPARE(main->font().family(), QString("Arial"));
    QCOMPARE(main->font().pixelSize(), 11);
    struct Expected {
        const char* name;
        const char* caption;
        int width, height;
    };
    const Expected buttons[] = {
        {"ConfigSPsBtn", "Configure &server packages", 321, 41},
        {"ConfigBotsBtn", "           Configure &bots           ", 321, 41},
        {"RunUTBtn", "          &Run the game              ", 321, 41},
        {"OptionsBtn", "&Options", 75, 25},
        {"AboutBtn", "&About", 75, 25},
        {"ExitBtn", "E&xit", 75, 25},
    };
    int lastTop = 0;
    for (const Expected& e : buttons) {
        QPushButton* b = Button(main, e.name);
        QVERIFY(b);
        QCOMPARE(b->text(), QString(e.caption));
        QCOMPARE(b->size(), QSize(e.width, e.height));
        QVERIFY2(!b->icon().isNull(), e.name);
        if (e.width == 321) {
            QVERIFY(b->y() > lastTop);  // stacked in this order
            lastTop = b->y();
            QVERIFY(b->font().bold() && b->font().italic());
            QCOMPARE(b->font().pixelSize(), 19);
        } else {
            QVERIFY(b->y() > lastTop);
        }
    }
    QVERIFY(Button(main, "OptionsBtn")->x() < Button(main, "AboutBtn")->x());
    QVERIFY(Button(main, "AboutBtn")->x() < Button(main, "ExitBtn")->x());
    auto* band = main->findChild<QFrame*>("Panel1");
    QCOMPARE(band->height(), 57);
    auto* title = main->findChild<QLabel*>("Label1");
    QCOMPARE(title->text(), QString("Keelson"));
    QCOMPARE(title->font().pixelSize(), 32);
    auto* image = main->findChild<QLabel*>("Image1");
    QCOMPARE(image->size(), QSize(41, 41));
    QVERIFY(!image->pixmap().isNull());
}

void LookTest::theOptionsWindowsControls() {
    ProgramStart start;
    TOptionsForm* options = start.Windows().OptionsForm.get();
    options->EnsureControls();
    QCOMPARE(options->font().pixelSize(), 11);
    for (const char* name : {"UtBaseEdit", "UTIniEdit", "UTuseredit", "UtExeEdit"}) {
        QVERIFY2(options->findChild<QLineEdit*>(name), name);
    }
    for (const char* name : {"UtIniPromptCheckbox", "UtUserPromptCheckbox", "UtExePromptCheckbox",
                             "AutoExitCheckbox"}) {
        QVERIFY2(options->findChild<QCheckBox*>(name), name);
    }
    for (const char* name : {"browseUTIbtn", "browseUTUbtn", "browseUTExeBtn"}) {
        QCOMPARE(Button(options, name)->text(), QString("Browse..."));
    }
    QCOMPARE(Button(options, "BitBtn1")->text(), QString("&Uninstall from Registry"));
    QCOMPARE(Button(options, "BitBtn5")->text(), QString("OK"));
    QCOMPARE(Button(options, "BitBtn4")->text(), QString("Cancel"));
    QVERIFY(Button(options, "BitBtn5")->isDefault());
    QVERIFY(!Button(options, "BitBtn1")->autoDefault());
    auto* base = options->findChild<QLineEdit*>("UtBaseEdit");
    auto* ini = options->findChild<QLineEdit*>("UTIniEdit");
    // The base folder has no Browse button: it spans the group.
    QVERIFY(base->width() > ini->width());
    QVERIFY(Button(options, "BitBtn1")->x() < Button(options, "BitBtn5")->x());
    QVERIFY(Button(options, "BitBtn5")->x() < Button(options, "BitBtn4")->x());
}

void LookTest::theFirstRunWindows() {
    ProgramStart start;
    TFirstRunForm* terms = start.Windows().FirstRunForm.get();
    terms->EnsureControls();
    auto* memo = terms->findChild<QPlainTextEdit*>("Memo1");
    QCOMPARE(memo->size(), QSize(393, 169));
    QVERIFY(memo->isReadOnly());
    QVERIFY(memo->toPlainText().contains("Keelson"));
    QCOMPARE(Button(terms, "BitBtn1")->text(), QString("Accept"));
    QCOMPARE(Button(terms, "BitBtn2")->text(), QString("Quit"));
    QVERIFY(Button(terms, "BitBtn1")->isDefault());
    QVERIFY(Button(terms, "BitBtn1")->x() < Button(terms, "BitBtn2")->x());
    TFirstRunOptionsForm* folder = start.Windows().FirstRunOptionsForm.get();
    folder->EnsureControls();
    QCOMPARE(folder->findChild<QLineEdit*>("Edit1")->text(), QString("c:\\UnrealTournament"));
    QPushButton* accept = Button(folder, "BitBtn1");
    QCOMPARE(accept->text(), QString("Accept"));
    QVERIFY(qAbs(accept->geometry().center().x() - 406 / 2) <= 2);
}

void LookTest::theAboutBox() {
    ProgramStart start;
    TAboutBox* about = start.Windows().AboutBox.get();
    about->EnsureControls();
    QCOMPARE(about->findChild<QLabel*>("ProductName")->text(), QString("Keelson"));
    QCOMPARE(about->findChild<QLabel*>("Version")->text(), QString("Version 1.0"));
    QCOMPARE(about->findChild<QFrame*>("Panel1")->size(), QSize(281, 161));
    auto* picture = about->findChild<QLabel*>("ProgramIcon");
    QCOMPARE(picture->size(), QSize(120, 60));
    QVERIFY(!picture->pixmap().isNull());
    QVERIFY(about->findChild<QLabel*>("Comments")->text().contains("example.org"));
    QVERIFY(Button(about, "OKButton")->isDefault());
}

KEELSON_WINDOW_TEST_MAIN(LookTest)
#include "LookTest.moc"
