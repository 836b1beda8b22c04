#include "gui/packages/YouDontHaveMod.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"

namespace keelson {

namespace {

// One bold line of 465 pixels; a longer text is cut off at the edge.
QLabel* AddNameLabel(QWidget* parent, const char* name, int y) {
    QLabel* label = AddPlainLabel(parent, name, "");
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = parent->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setGeometry(8, y, 465, 14);
    return label;
}

}  // namespace

TYouDontHaveModForm::TYouDontHaveModForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "YouDontHaveModForm", "Modification not found -- Keelson",
                TitleButtons::CloseOnly, ArialPointFont(8), 479, 225);
}

void TYouDontHaveModForm::MakeControls() {
    Label1 = AddFittedLabel(this, "Label1",
                            "It appears you have tried to install server "
                            "packages for a modification you don't have.",
                            {40, 8});
    Label2 = AddFittedLabel(this, "Label2", "Error occurred in file:", {8, 32});
    PresetLabel = AddNameLabel(this, "PresetLabel", 48);
    Label3 = AddFittedLabel(this, "Label3", "One or more of the packages in this mod:", {8, 80});
    ModnameLabel = AddNameLabel(this, "ModnameLabel", 96);
    Label5 =
        AddFittedLabel(this, "Label5", "couldn't be located. Try downloading it from:", {8, 112});
    UrlLabel = AddNameLabel(this, "UrlLabel", 128);
    Label7 = AddWrappedLabel(this, "Label7",
                             "Alternatively, your version of the mod might be "
                             "different from the version the preset is "
                             "designed for. In this case, you may need to add "
                             "the necessary files manually. You can "
                             "usually find out what lines need to be added from "
                             "the mod's readme file.",
                             {8, 152, 463, 41}, Qt::PlainText);

    // Enter and Escape both close the notice as cancelled.
    BitBtn1 =
        AddButton(this, "BitBtn1", "Cancel", {200, 200, 75, 25}, QStyle::SP_DialogCancelButton);
    BitBtn1->setDefault(true);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    UseWindowKeys(this);
}

void TYouDontHaveModForm::ShowMissingModification(const std::string& presetFileName,
                                                  const std::string& modificationName,
                                                  const std::string& website) {
    EnsureControls();
    PresetLabel->setText(FromPath(presetFileName));
    ModnameLabel->setText(FromAnsi(modificationName));
    UrlLabel->setText(FromAnsi(website));
    BitBtn1->setFocus();
    exec();
}

void TYouDontHaveModForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
