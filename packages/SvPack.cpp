#include "packages/SvPack.h"

#include "app/WindowLook.h"

namespace keelson {

TSvPackForm::TSvPackForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SvPackForm"));
    setWindowTitle(Caption("Server Packages Editor -- Keelson Tools"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialPointFont(8));
    FixClientSize(this, 583, 375);
}

void TSvPackForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
