#pragma once
// The Options window: the game's folder, its three files and the four
// switches, edited on a copy that reaches the settings only with OK; and
// the uninstall, which removes the program's settings and ends it.

#include <QDialog>

#include "gui/app/LazyDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keelson {

class TOptionsForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TOptionsForm(QWidget* parent = nullptr);

    // Fills the window from the settings, shows it and stores it back on OK.
    void EditOptions();

  public slots:
    void browseUTIbtnClick();
    void browseUTUbtnClick();
    void browseUTExeBtnClick();
    void BitBtn1Click();
    void VersionsBtnClick();

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    // Removes the settings, shows the installation folder (or, for a copy
    // installed by the package manager, says to remove the package) and ends
    // the program without saving.
    void UninstallFromRegistry();

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* UtBaseEdit;
    QLabel* Label3;
    QLineEdit* UTIniEdit;
    QPushButton* browseUTIbtn;
    QCheckBox* UtIniPromptCheckbox;
    QLabel* Label4;
    QLineEdit* UTuseredit;
    QPushButton* browseUTUbtn;
    QCheckBox* UtUserPromptCheckbox;
    QLabel* Label5;
    QLineEdit* UtExeEdit;
    QPushButton* browseUTExeBtn;
    QCheckBox* UtExePromptCheckbox;
    QLabel* Label2;
    QCheckBox* AutoExitCheckbox;
    QPushButton* BitBtn1;
    QPushButton* VersionsBtn;
    QPushButton* BitBtn5;
    QPushButton* BitBtn4 = nullptr;
};

// The uninstall's question.
extern const char* const kUninstallQuestion;
// What the uninstall says where the package manager installed the program:
// the first sentence only when the settings could be removed.
extern const char* const kSettingsRemoved;
extern const char* const kRemoveThePackage;

}  // namespace keelson
