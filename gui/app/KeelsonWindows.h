#pragma once
// The program's nine windows, each created once at start, main window
// first, and kept for the whole run. The others make their controls when
// first shown (LazyDialog), so that the main window comes up sooner.

#include <memory>

namespace keelson {

class TMainMenuForm;
class TBotLibForm;
class TSvPackForm;
class TBotSaveWizardForm;
class TFirstRunForm;
class TFirstRunOptionsForm;
class TOptionsForm;
class TYouDontHaveModForm;
class TAboutBox;
class KeelsonApplication;

struct KeelsonWindows {
    KeelsonWindows();
    ~KeelsonWindows();
    KeelsonWindows(const KeelsonWindows&) = delete;
    KeelsonWindows& operator=(const KeelsonWindows&) = delete;

    std::unique_ptr<TMainMenuForm> MainMenuForm;
    std::unique_ptr<TBotLibForm> BotLibForm;
    std::unique_ptr<TSvPackForm> SvPackForm;
    std::unique_ptr<TBotSaveWizardForm> BotSaveWizardForm;
    std::unique_ptr<TFirstRunForm> FirstRunForm;
    std::unique_ptr<TFirstRunOptionsForm> FirstRunOptionsForm;
    std::unique_ptr<TOptionsForm> OptionsForm;
    std::unique_ptr<TYouDontHaveModForm> YouDontHaveModForm;
    std::unique_ptr<TAboutBox> AboutBox;
};

// Creates the nine windows in start order. None reads the settings yet.
std::unique_ptr<KeelsonWindows> CreateWindows();

// Shows the main window, which runs the start-up sequence, and runs the
// event loop until the program ends. Returns the exit status: 0 for every
// way the program ends.
int RunKeelson(KeelsonWindows& windows);

}  // namespace keelson
