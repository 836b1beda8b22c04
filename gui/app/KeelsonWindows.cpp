#include "gui/app/KeelsonWindows.h"

#include "gui/app/About.h"
#include "gui/app/FirstRun.h"
#include "gui/app/FirstRunOptions.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Options.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotSaveWizard.h"
#include "gui/packages/SvPack.h"
#include "gui/packages/YouDontHaveMod.h"

namespace keelson {

KeelsonWindows::KeelsonWindows() = default;

// The other windows go first; the main window, made first, goes last.
KeelsonWindows::~KeelsonWindows() {
    AboutBox.reset();
    YouDontHaveModForm.reset();
    OptionsForm.reset();
    FirstRunOptionsForm.reset();
    FirstRunForm.reset();
    BotSaveWizardForm.reset();
    SvPackForm.reset();
    BotLibForm.reset();
    MainMenuForm.reset();
}

std::unique_ptr<KeelsonWindows> CreateWindows() {
    auto windows = std::make_unique<KeelsonWindows>();
    windows->MainMenuForm = std::make_unique<TMainMenuForm>(*windows);
    windows->BotLibForm = std::make_unique<TBotLibForm>(*windows);
    windows->SvPackForm = std::make_unique<TSvPackForm>();
    windows->BotSaveWizardForm = std::make_unique<TBotSaveWizardForm>();
    windows->FirstRunForm = std::make_unique<TFirstRunForm>();
    windows->FirstRunOptionsForm = std::make_unique<TFirstRunOptionsForm>();
    windows->OptionsForm = std::make_unique<TOptionsForm>();
    windows->YouDontHaveModForm = std::make_unique<TYouDontHaveModForm>();
    windows->AboutBox = std::make_unique<TAboutBox>();
    // A preset with a missing package shows the notice made above.
    windows->SvPackForm->SetNotice(windows->YouDontHaveModForm.get());
    return windows;
}

int RunKeelson(KeelsonWindows& windows) {
    windows.MainMenuForm->show();
    // Refusing the terms ends the program before its event loop runs.
    if (KeelsonApplication::Ending()) {
        return 0;
    }
    return QCoreApplication::exec();
}

}  // namespace keelson
