#include "botui/BotLib.h"

#include "app/WindowLook.h"

namespace keelson {

TBotLibForm::TBotLibForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BotLibForm"));
    setWindowTitle(Caption("Bot Library Manager -- Keelson Tools"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialFont(11));
    FixClientSize(this, 577, 453);
}

void TBotLibForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
