#include "gui/app/Options.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <optional>
#include <string>

#include "core/common/UTSharedUtils1.h"
#include "core/settings/MachineStore.h"
#include "core/settings/Settings.h"
#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/Versions.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "platform/FileSystem.h"

namespace keelson {

const char* const kUninstallQuestion =
    "Remove Registry entries? When this uninstall finishes, you may delete the "
    "Keelson "
    "installation folder";

const char* const kSettingsRemoved = "Keelson's settings have been removed.";
const char* const kRemoveThePackage =
    "Keelson was installed by the package manager: remove it with \"apt remove "
    "keelson\".";

namespace {

// A Browse button: the path the getter answers lands in the box only when
// a file exists there.
void BrowseInto(QLineEdit* edit, const std::string& path) {
    if (GameFileExists(path)) {
        edit->setText(FromPath(path));
    }
}

}  // namespace

TOptionsForm::TOptionsForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "OptionsForm", "Options & Uninstall -- Keelson", TitleButtons::CloseOnly,
                DialogFont(11), 466, 383);
}

void TOptionsForm::MakeControls() {
    GroupBox1 = AddGroupBox(this, "GroupBox1", "Paths", {8, 6, 450, 300});

    constexpr int kLeft = 10;
    constexpr int kFull = 430;
    constexpr int kWithBrowse = 348;
    constexpr int kBrowseLeft = 365;
    Label1 = AddLabel(GroupBox1, "Label1",
                      "Unreal Tournament base folder (defaults to c:\\UnrealTournament)",
                      {kLeft, 20, kFull, 14});
    UtBaseEdit = AddEdit(GroupBox1, "UtBaseEdit", {kLeft, 36, kFull, 21});

    // The three files, each with its box, Browse button and prompt flag.
    struct FileRow {
        QLabel*& label;
        QLineEdit*& edit;
        QPushButton*& browse;
        QCheckBox*& prompt;
        const char* labelName;
        const char* caption;
        const char* editName;
        const char* browseName;
        const char* promptName;
        const char* promptCaption;
    };
    const FileRow rows[] = {
        {Label3, UTIniEdit, browseUTIbtn, UtIniPromptCheckbox, "Label3",
         "Unreal Tournament system INI (usually <UT folder>\\System\\UnrealTournament.ini)",
         "UTIniEdit", "browseUTIbtn", "UtIniPromptCheckbox",
         "Prompt for system INI location when needed *"},
        {Label4, UTuseredit, browseUTUbtn, UtUserPromptCheckbox, "Label4",
         "Unreal Tournament user INI (usually <UT folder>\\System\\User.ini)", "UTuseredit",
         "browseUTUbtn", "UtUserPromptCheckbox", "Prompt for user INI location when needed *"},
        {Label5, UtExeEdit, browseUTExeBtn, UtExePromptCheckbox, "Label5",
         "Unreal Tournament executable (usually <UT folder>\\System\\UnrealTournament.exe)",
         "UtExeEdit", "browseUTExeBtn", "UtExePromptCheckbox",
         "Prompt for executable location when needed *"},
    };
    int y = 66;
    for (const FileRow& row : rows) {
        row.label = AddLabel(GroupBox1, row.labelName, row.caption, {kLeft, y, kFull, 14});
        row.edit = AddEdit(GroupBox1, row.editName, {kLeft, y + 16, kWithBrowse, 21});
        row.browse =
            AddButton(GroupBox1, row.browseName, "Browse...", {kBrowseLeft, y + 15, 75, 23});
        row.prompt =
            AddCheckBox(GroupBox1, row.promptName, row.promptCaption, {kLeft, y + 40, kFull, 17});
        y += 66;
    }

    Label2 =
        AddWrappedLabel(GroupBox1, "Label2",
                        "* If one of the \"Prompt for location\" boxes is ticked, its "
                        "corresponding filename will be used as the default. This option will be "
                        "unnecessary for most users.",
                        {kLeft, 262, kFull, 30});

    AutoExitCheckbox =
        AddCheckBox(this, "AutoExitCheckbox", "Exit automatically when running Unreal Tournament",
                    {16, 316, 430, 17});

    BitBtn1 = AddButton(this, "BitBtn1", "&Uninstall from Registry", {8, 349, 157, 26},
                        Picture(QStringLiteral("trash")));
    VersionsBtn = AddButton(this, "VersionsBtn", "&Previous versions...", {171, 349, 125, 26});
    SetHint(VersionsBtn, "See and restore the versions of the game's files that Keelson replaced");
    BitBtn5 = AddButton(this, "BitBtn5", "OK", {302, 349, 75, 26}, Picture(QStringLiteral("tick")));
    BitBtn5->setDefault(true);

    // Esc and the close box reject the dialog, as Cancel does.
    BitBtn4 =
        AddButton(this, "BitBtn4", "Cancel", {383, 349, 75, 26}, Picture(QStringLiteral("cross")));

    desktop::Connect(browseUTIbtn, &QPushButton::clicked, this, &TOptionsForm::browseUTIbtnClick);
    desktop::Connect(browseUTUbtn, &QPushButton::clicked, this, &TOptionsForm::browseUTUbtnClick);
    desktop::Connect(browseUTExeBtn, &QPushButton::clicked, this,
                     &TOptionsForm::browseUTExeBtnClick);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &TOptionsForm::BitBtn1Click);
    desktop::Connect(VersionsBtn, &QPushButton::clicked, this, &TOptionsForm::VersionsBtnClick);
    desktop::Connect(BitBtn5, &QPushButton::clicked, this, &QDialog::accept);
    desktop::Connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
    UseWindowKeys(this);
}

void TOptionsForm::EditOptions() {
    EnsureControls();
    UtBaseEdit->setText(FromPath(AppSettings.UtBasePath));
    UTuseredit->setText(FromPath(AppSettings.PathToUtUserIni));
    UtUserPromptCheckbox->setChecked(AppSettings.PromptToFindUser);
    UTIniEdit->setText(FromPath(AppSettings.PathToUtSysIni));
    UtIniPromptCheckbox->setChecked(AppSettings.PromptToFindIni);
    UtExeEdit->setText(FromPath(AppSettings.PathToUtExe));
    UtExePromptCheckbox->setChecked(AppSettings.PromptToFindExe);
    AutoExitCheckbox->setChecked(AppSettings.ExitOnRunUT);

    if (exec() != QDialog::Accepted) {
        return;
    }
    // Stored as typed: nothing trimmed or tested, and a new base folder
    // leaves the three file paths alone. A box left as it was keeps its bytes.
    AppSettings.UtBasePath = PathOfBox(UtBaseEdit->text(), AppSettings.UtBasePath);
    AppSettings.PathToUtUserIni = PathOfBox(UTuseredit->text(), AppSettings.PathToUtUserIni);
    AppSettings.PromptToFindUser = UtUserPromptCheckbox->isChecked();
    AppSettings.PathToUtSysIni = PathOfBox(UTIniEdit->text(), AppSettings.PathToUtSysIni);
    AppSettings.PromptToFindIni = UtIniPromptCheckbox->isChecked();
    AppSettings.PathToUtExe = PathOfBox(UtExeEdit->text(), AppSettings.PathToUtExe);
    AppSettings.PromptToFindExe = UtExePromptCheckbox->isChecked();
    AppSettings.ExitOnRunUT = AutoExitCheckbox->isChecked();
}

// The getters go by the prompt flags in the settings, not by the boxes of
// this window: a box ticked here counts only after OK.
void TOptionsForm::browseUTIbtnClick() {
    BrowseInto(UTIniEdit, GetSystemIniPath());
}
void TOptionsForm::browseUTUbtnClick() {
    BrowseInto(UTuseredit, GetUserIniPath());
}
void TOptionsForm::browseUTExeBtnClick() {
    BrowseInto(UtExeEdit, GetGameExePath());
}

// The files as the boxes name them now: what the user sees is what the
// versions are shown of.
void TOptionsForm::VersionsBtnClick() {
    ShowVersions(this, FilesWithVersions(PathOfBox(UTIniEdit->text(), AppSettings.PathToUtSysIni),
                                         PathOfBox(UTuseredit->text(), AppSettings.PathToUtUserIni),
                                         LastLibrary()));
}

void TOptionsForm::BitBtn1Click() {
    UninstallFromRegistry();
}

void TOptionsForm::UninstallFromRegistry() {
    if (!desktop::Confirm(this, "Confirm", kUninstallQuestion, "&Yes", "Cancel")) {
        return;
    }
    std::optional<std::string> failure;
    try {
        RemoveSettingsKeys(MachineStore());
    } catch (...) {
        failure = MessageOfCurrentException();
    }
    // Whatever became of the keys, the user is shown the folder to delete,
    // or, where the package manager installed the program (a system folder
    // the user cannot delete), told to remove the package.
    const std::string programFolder = GetProgramFolder();
    const std::string parent = programFolder + platform::kPathSeparator + "..";
    const bool packaged = RunsFromSystemPackage(programFolder);
    std::string reason;
    const bool shown =
        packaged || desktop::StartProgram("explorer", parent, "c:\\windows", kShowNormal, &reason);
    if (failure) {
        desktop::ShowError(this, *failure);
    }
    if (packaged) {
        desktop::ShowMessage(this, (failure ? std::string() : std::string(kSettingsRemoved) + " ") +
                                       kRemoveThePackage);
    } else if (!shown) {
        desktop::ShowError(this, "No file manager could be started to show " + parent +
                                     ": delete the Keelson installation folder " + programFolder +
                                     " yourself" +
                                     (reason.empty() ? std::string() : "\n" + reason));
    }
    // Ends without closing the main window, so the removed key is not saved
    // again. This window's exec returns as cancelled and stores nothing.
    KeelsonApplication::EndProgram();
}

void TOptionsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
