#include "gui/app/MainMenu.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/settings/MachineStore.h"
#include "gui/app/About.h"
#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/FirstRun.h"
#include "gui/app/FirstRunOptions.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "gui/app/Options.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "gui/bots/BotLib.h"
#include "gui/packages/SvPack.h"
#include "platform/FileSystem.h"

namespace keelson {

std::optional<std::string> TGlobalOpenDlg::AskForFile(const FilePrompt& prompt) {
    return desktop::OpenFile(owner_, {prompt.title, prompt.fileName, prompt.filter,
                                      prompt.defaultExt, prompt.initialFolder});
}

TMainMenuForm::TMainMenuForm(KeelsonWindows& windows)
    : QWidget(nullptr), windows_(windows), GlobalOpenDlg(this) {
    SetUpWindow(this, "MainMenuForm", "Main Menu -- Keelson", TitleButtons::CloseAndMinimise,
                ArialFont(11), 337, 298);
    setWindowIcon(Picture(QStringLiteral("keelson")));

    Panel1 = AddPanel(this, "Panel1", {0, 0, 337, 57});
    QPalette band = Panel1->palette();
    band.setColor(QPalette::Window, band.color(QPalette::Highlight));
    band.setColor(QPalette::WindowText, band.color(QPalette::HighlightedText));
    Panel1->setPalette(band);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 41, 41);
    Image1->setPixmap(PicturePixmap(QStringLiteral("keelson")));

    Label1 = AddLabel(Panel1, "Label1", "Keelson", {60, 8, 260, 41});
    Label1->setFont(ArialFont(32, true, true));

    ConfigSPsBtn = AddButton(this, "ConfigSPsBtn", "Configure &server packages", {8, 70, 321, 41},
                             Picture(QStringLiteral("packages")));
    ConfigBotsBtn = AddButton(this, "ConfigBotsBtn", "           Configure &bots           ",
                              {8, 120, 321, 41}, Picture(QStringLiteral("bots")));
    RunUTBtn = AddButton(this, "RunUTBtn", "          &Run the game              ",
                         {8, 170, 321, 41}, Picture(QStringLiteral("run")));
    for (QPushButton* large : {ConfigSPsBtn, ConfigBotsBtn, RunUTBtn}) {
        large->setFont(ArialFont(19, true, true));
        large->setIconSize(QSize(32, 32));
    }
    OptionsBtn = AddButton(this, "OptionsBtn", "&Options", {8, 238, 75, 25},
                           Picture(QStringLiteral("options")));
    AboutBtn =
        AddButton(this, "AboutBtn", "&About", {131, 238, 75, 25}, Picture(QStringLiteral("help")));
    ExitBtn =
        AddButton(this, "ExitBtn", "E&xit", {254, 238, 75, 25}, Picture(QStringLiteral("exit")));

    desktop::Connect(ConfigSPsBtn, &QPushButton::clicked, this, &TMainMenuForm::ConfigSPsBtnClick);
    desktop::Connect(ConfigBotsBtn, &QPushButton::clicked, this, &TMainMenuForm::Button1Click);
    desktop::Connect(RunUTBtn, &QPushButton::clicked, this, &TMainMenuForm::RunUTBtnClick);
    desktop::Connect(OptionsBtn, &QPushButton::clicked, this, &TMainMenuForm::OptionsBtnClick);
    desktop::Connect(AboutBtn, &QPushButton::clicked, this, &TMainMenuForm::AboutBtnClick);
    desktop::Connect(ExitBtn, &QPushButton::clicked, this, &TMainMenuForm::ExitBtnClick);

    SetPathPrompter(&GlobalOpenDlg);
    FormCreate();
    UseWindowKeys(this);
}

TMainMenuForm::~TMainMenuForm() {
    SetPathPrompter(nullptr);
}

void TMainMenuForm::FormCreate() {
    firstShown_ = false;
}

void TMainMenuForm::setVisible(bool visible) {
    if (visible && !isVisible()) {
        // StartUp is the program's first action and runs outside any event
        // handler, so its errors are shown here; the window opens anyway.
        try {
            FormShow();
        } catch (...) {
            desktop::ShowError(nullptr, MessageOfCurrentException());
        }
        if (KeelsonApplication::Ending()) {
            return;
        }
        QWidget::setVisible(true);
        CentreOnScreen(this);
        return;
    }
    QWidget::setVisible(visible);
}

void TMainMenuForm::FormShow() {
    if (firstShown_) {
        return;
    }
    firstShown_ = true;
    StartUp();
}

void TMainMenuForm::StartUp() {
    // Known before anything can fail, so that the uninstall always finds
    // the installation folder.
    AppSettings.ProgramFolder = FolderOfPath(platform::ExecutablePath());
    platform::SettingsStore& store = MachineStore();
    const bool keyExists = SettingsKeyExists(store);
    AppSettings.SettingsPresent = keyExists;
    if (keyExists) {
        SetExistingKeyDefaults(AppSettings);
        AppSettings.SettingsPresent = true;
    } else {
        if (windows_.FirstRunForm->exec() != QDialog::Accepted) {
            // Nothing written: the terms come up again at the next start.
            KeelsonApplication::EndProgram();
            return;
        }
        const std::string detected = DetectGameFolder(store);
        SetFirstStartValues(AppSettings, detected);
        AppSettings.SettingsPresent = true;
#ifdef _WIN32
        const bool canBrowse = false;  // the game's installer records its folder
#else
        const bool canBrowse = detected == kUndetectedGameFolder;
#endif
        windows_.FirstRunOptionsForm->ShowFolder(AppSettings.UtBasePath, canBrowse);
        windows_.FirstRunOptionsForm->exec();
        if (const std::optional<std::string>& picked =
                windows_.FirstRunOptionsForm->PickedFolder()) {
            // Recorded as the installer would, and the three file paths follow.
            RecordGameFolder(store, *picked);
            SetFirstStartValues(AppSettings, *picked);
        }
        // One save after the dialogs, which makes the key with all eight
        // values or none: a first start that is killed or cannot save leaves
        // no key, and the next start is a first start again.
        SaveSettings(store, AppSettings);
    }
    LoadPathValues(store, AppSettings);
    LoadFlagValues(store, AppSettings);
}

void TMainMenuForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TMainMenuForm::FormClose() {
    // The endings that must not save (the uninstall, the refused terms)
    // never get here through Qt's own closing of the windows either.
    if (KeelsonApplication::Ending() || !AppSettings.SettingsPresent) {
        return;
    }
    // A failed save is shown, and the window closes all the same: the user
    // must always be able to leave.
    try {
        SaveSettings(MachineStore(), AppSettings);
    } catch (...) {
        desktop::ShowError(this, MessageOfCurrentException());
    }
}

void TMainMenuForm::ConfigSPsBtnClick() {
    windows_.SvPackForm->exec();
}

void TMainMenuForm::Button1Click() {
    windows_.BotLibForm->exec();
}

void TMainMenuForm::OptionsBtnClick() {
    windows_.OptionsForm->EditOptions();
}

void TMainMenuForm::AboutBtnClick() {
    windows_.AboutBox->exec();
}

void TMainMenuForm::ExitBtnClick() {
    close();
}

void TMainMenuForm::RunUTBtnClick() {
    const std::string exe = GetGameExePath();
    if (!desktop::GameFileFound(this, exe)) {
        return;
    }
    std::string reason;
    if (!desktop::StartProgram(exe, "", FolderOfPath(exe), kShowNormal, &reason)) {
        // Nothing was started: say so, and why, and stay.
        throw KeelsonError("Cannot start the game " + exe + "." +
                           (reason.empty() ? std::string() : "\n" + reason));
    }
    if (!AppSettings.ExitOnRunUT) {
        return;
    }
    // Settings corrected in this run are kept, as closing the window would.
    if (AppSettings.SettingsPresent) {
        try {
            SaveSettings(MachineStore(), AppSettings);
        } catch (...) {
            desktop::ShowError(this, MessageOfCurrentException());
        }
    }
    KeelsonApplication::EndProgram();
}

}  // namespace keelson
