#include "gui/app/FirstRunOptions.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"

namespace keelson {

TFirstRunOptionsForm::TFirstRunOptionsForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "FirstRunOptionsForm", "First Run -- Keelson", TitleButtons::CloseOnly,
                DialogFont(11), 406, 109);
}

void TFirstRunOptionsForm::MakeControls() {
    Label1 = AddWrappedLabel(this, "Label1",
                             "Keelson has attempted to locate your Unreal "
                             "Tournament base folder. If the folder shown "
                             "here is incorrect, please reset it by selecting "
                             "Options from the main menu. The default "
                             "options are suitable for most users.",
                             {8, 6, 390, 42});

    Edit1 = AddEdit(this, "Edit1", {8, 50, 390, 21});
    Edit1->setReadOnly(true);
    QPalette faceColour = Edit1->palette();
    faceColour.setColor(QPalette::Base, faceColour.color(QPalette::Button));
    Edit1->setPalette(faceColour);
    Edit1->setText(Caption("c:\\UnrealTournament"));

    BitBtn1 =
        AddButton(this, "BitBtn1", "Accept", {165, 78, 75, 25}, Picture(QStringLiteral("tick")));
    BitBtn1->setDefault(true);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    BrowseBtn = AddButton(this, "BrowseBtn", "Browse...", {323, 48, 75, 25});
    BrowseBtn->hide();
    desktop::Connect(BrowseBtn, &QPushButton::clicked, this, &TFirstRunOptionsForm::BrowseBtnClick);
    UseWindowKeys(this);
}

void TFirstRunOptionsForm::ShowFolder(const std::string& folder, bool canBrowse) {
    EnsureControls();
    Edit1->setText(FromPath(folder));
    Edit1->setGeometry(8, 50, canBrowse ? 307 : 390, 21);
    BrowseBtn->setVisible(canBrowse);
    picked_.reset();
}

void TFirstRunOptionsForm::BrowseBtnClick() {
    std::optional<std::string> folder =
        desktop::PickFolder(this, "Select your Unreal Tournament folder", picked_.value_or(""));
    if (folder) {
        picked_ = folder;
        Edit1->setText(FromPath(*folder));
    }
}

void TFirstRunOptionsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    BitBtn1->setFocus();
}

}  // namespace keelson
