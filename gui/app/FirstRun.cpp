#include "gui/app/FirstRun.h"

#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"

namespace keelson {

const char* const kTermsText =
    "Keelson terms of use\n"
    "\n"
    "By downloading, passing on or running Keelson you agree to these terms.\n"
    "\n"
    "Keelson is free. It comes as it is, without any warranty, and Brindlewood "
    "takes no "
    "responsibility for any damage or loss that using it may cause, to your "
    "game files or "
    "anything else. Keep copies of the files you care about.\n"
    "\n"
    "You may copy Keelson and give it to others, as long as you charge nothing "
    "for it and "
    "pass on only the whole archive, exactly as it was released. If you would "
    "like to "
    "offer Keelson on a large scale (on a magazine disc, a download site or a "
    "server "
    "network), please get in touch at keelson@example.org first, so that we "
    "can send you "
    "updates as they appear.\n"
    "\n"
    "You may not sell Keelson, nor pass on a modified copy of it, without "
    "written "
    "permission from Brindlewood.\n"
    "\n"
    "Keelson is (c) Brindlewood. Unreal Tournament and every other trademark "
    "named in "
    "Keelson belong to their owners, who have nothing to do with this program.";

TFirstRunForm::TFirstRunForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "FirstRunForm", "First Run -- Keelson", TitleButtons::CloseOnly,
                DialogFont(11), 406, 247);
}

void TFirstRunForm::MakeControls() {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(6, 6, 393, 169);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(Caption(kTermsText));
    // Text in the highlight colour on the highlight-text colour.
    QPalette memoColours = Memo1->palette();
    memoColours.setColor(QPalette::Base, memoColours.color(QPalette::HighlightedText));
    memoColours.setColor(QPalette::Text, memoColours.color(QPalette::Highlight));
    Memo1->setPalette(memoColours);

    Label1 = AddWrappedLabel(this, "Label1",
                             "Click Accept to accept these terms, and those in the accompanying "
                             "documentation, and set up options such as your Unreal Tournament "
                             "folder.",
                             {8, 180, 390, 28});

    BitBtn1 =
        AddButton(this, "BitBtn1", "Accept", {243, 214, 75, 25}, Picture(QStringLiteral("tick")));
    BitBtn1->setDefault(true);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    // Esc and the close box reject the dialog, as Quit does.
    BitBtn2 =
        AddButton(this, "BitBtn2", "Quit", {324, 214, 75, 25}, Picture(QStringLiteral("cross")));
    desktop::Connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    UseWindowKeys(this);
}

void TFirstRunForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    BitBtn1->setFocus();
}

}  // namespace keelson
