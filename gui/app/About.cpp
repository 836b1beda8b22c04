#include "gui/app/About.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"

namespace keelson {

namespace {
QLabel* WhiteLabel(QWidget* parent, const char* name, const char* text, const QRect& at,
                   const QFont& font) {
    QLabel* label = AddLabel(parent, name, text, at);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    return label;
}
}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "AboutBox", "About", TitleButtons::CloseOnly, ArialFont(11), 298, 213);
}

void TAboutBox::MakeControls() {
    Panel1 = AddPanel(this, "Panel1", {8, 8, 281, 161});
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 120, 60);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(PicturePixmap(QStringLiteral("about")));

    ProductName =
        WhiteLabel(Panel1, "ProductName", "Keelson", {140, 14, 133, 22}, ArialFont(16, true));
    Version = WhiteLabel(Panel1, "Version", "Version 1.0", {140, 42, 133, 16}, ArialFont(11, true));
    Copyright = WhiteLabel(Panel1, "Copyright", "Copyright (c) Brindlewood. All rights reserved.",
                           {8, 80, 265, 16}, ArialFont(11));

    Comments = WhiteLabel(Panel1, "Comments",
                          "New versions, news and help are on the Brindlewood web site: "
                          "https://keelson.example.org/",
                          {8, 102, 265, 48}, ArialFont(11));
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = AddButton(this, "OKButton", "OK", {111, 178, 75, 25});
    OKButton->setDefault(true);
    desktop::Connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    UseWindowKeys(this);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    OKButton->setFocus();
}

}  // namespace keelson
