#include "botui/BotSaveWizard.h"

#include "app/WindowLook.h"

namespace keelson {

TBotSaveWizardForm::TBotSaveWizardForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BotSaveWizardForm"));
    setWindowTitle(Caption("Export bots to user INI"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialFont(11));
    FixClientSize(this, 344, 370);
}

void TBotSaveWizardForm::PrepareExport(const TBigKegOBots& library) {
    roster_.ClearBots();
    for (int i = 0; i < library.Count(); ++i) {
        roster_.AddBot(library.Bot(i));
    }
    exec();
}

void TBotSaveWizardForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
