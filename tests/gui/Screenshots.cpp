// keelson-screenshots DIR GAMEFOLDER [PRESET]: saves a picture of each of
// the program's windows into DIR, filled as the user would meet them on the
// given game folder; PRESET, a preset with a package that folder lacks,
// fills the missing-modification notice. Used by scripts/screenshots; not
// installed.

#include <QDir>
#include <QItemSelectionModel>
#include <QListView>
#include <QMessageBox>
#include <QPixmap>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <iostream>

#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/Errors.h"
#include "core/packages/SvPackFiles.h"
#include "core/settings/Settings.h"
#include "gui/app/About.h"
#include "gui/app/Desktop.h"
#include "gui/app/FirstRun.h"
#include "gui/app/FirstRunOptions.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Options.h"
#include "gui/app/Versions.h"
#include "gui/app/Win1252.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotSaveWizard.h"
#include "gui/packages/PackageCheck.h"
#include "gui/packages/SvPack.h"
#include "gui/packages/YouDontHaveMod.h"
#include "platform/Versions.h"

using namespace keelson;

namespace {

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
}

// A picture of a window that is up already.
bool SaveShown(QWidget* window, const QString& dir, const QString& name) {
    Settle();
    QPixmap picture = window->grab();
    const QString path = QDir(dir).filePath(name + ".png");
    if (!picture.save(path)) {
        std::cerr << "cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "  " << window->windowTitle().toStdString() << "\n";
    return true;
}

bool Save(QWidget* window, const QString& dir, const QString& name) {
    window->show();
    bool ok = SaveShown(window, dir, name);
    window->hide();
    return ok;
}

// The Bot Library Manager with the game folder's bots saved as a library
// and opened again (no bot selected), then with a bot selected. The file
// dialogs are answered through the desktop seam.
bool SaveBotLibWithLibrary(TBotLibForm& form, const QString& dir) {
    QTemporaryDir folder;
    const std::string library =
        ToPath(QDir::toNativeSeparators(folder.filePath(QStringLiteral("Demo bots.ut_botlib"))));
    try {
        form.ImportINIBtnClick();
        desktop::testing::Reset();
        desktop::testing::SetNextFileName(library);
        form.SaveAsBtnClick();
        form.NewBtnClick();
        desktop::testing::SetNextFileName(library);
        form.OpenBtnClick();
    } catch (const std::exception& e) {
        std::cerr << "cannot fill the Bot Library Manager: " << e.what() << "\n";
        return false;
    }
    bool ok = Save(&form, dir, "BotLibLibrary");
    auto* list = form.findChild<QListView*>("BotsListBox");
    list->selectionModel()->setCurrentIndex(list->model()->index(2, 0),
                                            QItemSelectionModel::ClearAndSelect);
    ok &= Save(&form, dir, "BotLibSelected");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    KeelsonApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: keelson-screenshots DIR GAMEFOLDER [PRESET]\n";
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    auto windows = CreateWindows();
    // The settings as a start on that game folder would have them; the
    // start-up sequence itself is not run (it would show the terms).
    SetFirstStartValues(AppSettings, argv[2]);
    AppSettings.SettingsPresent = true;
    windows->FirstRunOptionsForm->ShowFolder(AppSettings.UtBasePath);

    bool ok = true;
    // The main window without its start-up: shown through the base class.
    windows->MainMenuForm->QWidget::setVisible(true);
    ok &= Save(windows->MainMenuForm.get(), dir, "MainMenu");
    ok &= Save(windows->FirstRunForm.get(), dir, "FirstRun");
    ok &= Save(windows->FirstRunOptionsForm.get(), dir, "FirstRunOptions");
    QTimer::singleShot(200, [&] {
        ok &= Save(windows->OptionsForm.get(), dir, "Options");
        windows->OptionsForm->reject();
    });
    windows->OptionsForm->EditOptions();
    ok &= Save(windows->AboutBox.get(), dir, "About");
    ok &= Save(windows->BotLibForm.get(), dir, "BotLib");
    ok &= SaveBotLibWithLibrary(*windows->BotLibForm, dir);
    // The export wizard on the demo's bots, one picture per page.
    TBigKegOBots demoBots;
    try {
        demoBots.ImportUserIni(AppSettings.PathToUtUserIni);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        ok = false;
    }
    TBotSaveWizardForm* wizard = windows->BotSaveWizardForm.get();
    QTimer::singleShot(200, [&] {
        auto* pages = wizard->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        const char* const names[] = {"BotSaveWizard", "BotSaveWizard-TextFields",
                                     "BotSaveWizard-NumericScales", "BotSaveWizard-OtherSettings"};
        for (int page = 0; page < 4; ++page) {
            pages->setCurrentIndex(page);
            ok &= SaveShown(wizard, dir, QString::fromLatin1(names[page]));
        }
        wizard->reject();
    });
    wizard->PrepareExport(demoBots);
    ok &= Save(windows->SvPackForm.get(), dir, "SvPack");
    // The editor after "Load from INI" and the standard packages, with a
    // few entries selected.
    windows->SvPackForm->LoadBtnClick();
    windows->SvPackForm->AddUTPkgsBtnClick();
    if (auto* list = windows->SvPackForm->findChild<QListView*>("PackList")) {
        for (int row : {1, 2, 6}) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
        }
    }
    ok &= Save(windows->SvPackForm.get(), dir, "SvPackLoaded");
    // "Check..." on that list with two more entries, so that it shows an
    // error, a warning and a note at least: a name with an extension and an
    // entry listed twice.
    {
        PackageList checked(windows->SvPackForm->Packages());
        checked.Append("SomeMod.u");
        if (!checked.Empty()) {
            checked.Append(checked[0]);
        }
        try {
            TPackageCheckForm check(
                CheckPackages(checked.Entries(), AppSettings.PathToUtSysIni).findings);
            ok &= Save(&check, dir, "PackageCheck");
        } catch (const KeelsonError& error) {
            std::cerr << "package check: " << error.what() << "\n";
            ok = false;
        }
    }
    if (argc > 3) {
        // "Other presets..." on a preset that names a missing package: the
        // dialog is answered with it and the notice comes up filled in.
        desktop::testing::Reset();
        desktop::testing::SetNextFileName(std::string(argv[3]));
        QTimer::singleShot(200, [&] {
            ok &= Save(windows->YouDontHaveModForm.get(), dir, "YouDontHaveMod");
            windows->YouDontHaveModForm->reject();
        });
        windows->SvPackForm->AddOtherBtnClick();
    } else {
        ok &= Save(windows->YouDontHaveModForm.get(), dir, "YouDontHaveMod");
    }

    // "Previous versions..." after two saves of a copy of the system INI,
    // whose versions go to a folder of their own: the game folder and the
    // user's own versions are left alone.
    {
        QTemporaryDir temp;
        const std::string folder = ToPath(temp.path()) + platform::kPathSeparator;
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder + "state"));
        qputenv("LOCALAPPDATA", QByteArray::fromStdString(folder + "state"));
        const std::string copy = folder + "UnrealTournament.ini";
        try {
            platform::WriteFileAtomically(copy,
                                          platform::ReadWholeFile(AppSettings.PathToUtSysIni));
            PackageList list;
            ReadServerPackages(list, copy);
            list.Append("SomeMod");
            desktop::RewriteGameFile(nullptr, "Save to INI (Server Packages Editor)",
                                     [&] { WriteServerPackages(list, copy); });
            // Then the last two entries taken out again.
            const std::size_t keep = list.Size() > 2 ? list.Size() - 2 : 1;
            list.RemoveIf([&](std::size_t index, const std::string&) { return index >= keep; });
            desktop::RewriteGameFile(nullptr, "Save to INI (Server Packages Editor)",
                                     [&] { WriteServerPackages(list, copy); });
            TVersionsForm versions({{GameFileKind::SystemIni, copy}});
            ok &= Save(&versions, dir, "Versions");
        } catch (const KeelsonError& error) {
            std::cerr << "versions: " << error.what() << "\n";
            ok = false;
        }
    }
    // The uninstall's question and the error box, built as the program
    // builds them.
    QMessageBox confirm(QMessageBox::Question, "Confirm", kUninstallQuestion,
                        QMessageBox::NoButton);
    confirm.addButton("&Yes", QMessageBox::YesRole);
    confirm.addButton("Cancel", QMessageBox::RejectRole);
    ok &= Save(&confirm, dir, "UninstallConfirm");
    QMessageBox error(QMessageBox::Critical, "Keelson",
                      FromAnsi(ErrorBoxText("Failed to set data for 'UtBasePath'")),
                      QMessageBox::Ok);
    ok &= Save(&error, dir, "ErrorBox");
    return ok ? 0 : 1;
}
