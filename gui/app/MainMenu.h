#pragma once
// The main window: the hub from which the user opens the editors, the
// Options window and the About box, starts the game or leaves. Its first
// showing runs the start-up sequence; closing it saves the settings.

#include <QWidget>
#include <optional>
#include <string>

#include "core/settings/Settings.h"

class QFrame;
class QLabel;
class QPushButton;

namespace keelson {

struct KeelsonWindows;

// The main window's open dialog, behind the getters that prompt for a file.
class TGlobalOpenDlg : public PathPrompter {
  public:
    explicit TGlobalOpenDlg(QWidget* owner) : owner_(owner) {}
    std::optional<std::string> AskForFile(const FilePrompt& prompt) override;

  private:
    QWidget* owner_;
};

class TMainMenuForm : public QWidget {
    Q_OBJECT
  public:
    explicit TMainMenuForm(KeelsonWindows& windows);
    ~TMainMenuForm() override;

    // Showing for the first time runs StartUp before the window appears; a
    // refusal of the terms ends the program and the window never appears.
    void setVisible(bool visible) override;

  public slots:
    void ConfigSPsBtnClick();
    void Button1Click();
    void RunUTBtnClick();
    void OptionsBtnClick();
    void AboutBtnClick();
    void ExitBtnClick();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void StartUp();

    KeelsonWindows& windows_;
    TGlobalOpenDlg GlobalOpenDlg;
    bool firstShown_ = false;

    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    QPushButton* ConfigSPsBtn;
    QPushButton* ConfigBotsBtn;
    QPushButton* RunUTBtn;
    QPushButton* OptionsBtn;
    QPushButton* AboutBtn;
    QPushButton* ExitBtn;
};

}  // namespace keelson
