#include "packages/YouDontHaveMod.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/Desktop.h"
#include "app/Win1252.h"
#include "app/WindowKeys.h"
#include "app/WindowLook.h"

namespace keelson {

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(Caption(text));
    label->adjustSize();
    label->move(x, y);
    return label;
}

// One bold line of 465 pixels; a longer text is cut off at the edge.
QLabel* AddNameLabel(QWidget* parent, const char* name, int y) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = parent->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setGeometry(8, y, 465, 14);
    return label;
}

}  // namespace

TYouDontHaveModForm::TYouDontHaveModForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("YouDontHaveModForm"));
    setWindowTitle(Caption("Modification not found -- Keelson"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialPointFont(8));
    FixClientSize(this, 479, 225);

    Label1 = AddLabel(
        this, "Label1",
        "It appears you have tried to install server packages for a modification you don't have.",
        40, 8);
    Label2 = AddLabel(this, "Label2", "Error occurred in file:", 8, 32);
    PresetLabel = AddNameLabel(this, "PresetLabel", 48);
    Label3 = AddLabel(this, "Label3", "One or more of the packages in this mod:", 8, 80);
    ModnameLabel = AddNameLabel(this, "ModnameLabel", 96);
    Label5 = AddLabel(this, "Label5", "couldn't be located. Try downloading it from:", 8, 112);
    UrlLabel = AddNameLabel(this, "UrlLabel", 128);
    Label7 = new QLabel(this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setTextFormat(Qt::PlainText);
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label7->setText(
        Caption("Alternatively, your version of the mod might be different from the version the "
                "preset is designed for. In this case, you may need to add the necessary files "
                "manually. You can usually find out what lines need to be added from the mod's "
                "readme file."));
    Label7->setGeometry(8, 152, 463, 41);

    // Enter and Escape both close the notice as cancelled.
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              Caption("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(200, 200, 75, 25);
    BitBtn1->setDefault(true);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    UseWindowKeys(this);
}

void TYouDontHaveModForm::ShowMissingModification(const std::string& presetFileName,
                                                  const std::string& modificationName,
                                                  const std::string& website) {
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
