#include "packages/YouDontHaveMod.h"

#include "app/WindowLook.h"

namespace keelson {

TYouDontHaveModForm::TYouDontHaveModForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("YouDontHaveModForm"));
    setWindowTitle(Caption("Modification not found -- Keelson"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialPointFont(8));
    FixClientSize(this, 479, 225);
}

void TYouDontHaveModForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
