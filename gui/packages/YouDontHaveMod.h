#pragma once
// The missing-modification notice: shown when a preset names a package
// whose file the game's Paths do not find. It names the preset, the
// modification and where to download it; nothing was added.

#include <QDialog>
#include <string>

#include "gui/app/LazyDialog.h"

class QLabel;
class QPushButton;

namespace keelson {

class TYouDontHaveModForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TYouDontHaveModForm(QWidget* parent = nullptr);

    // Sets the three names anew and shows the notice until it is closed.
    void ShowMissingModification(const std::string& presetFileName,
                                 const std::string& modificationName, const std::string& website);

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* Label1;
    QLabel* Label2;
    QLabel* PresetLabel;
    QLabel* Label3;
    QLabel* ModnameLabel;
    QLabel* Label5;
    QLabel* UrlLabel;
    QLabel* Label7;
    QPushButton* BitBtn1 = nullptr;
};

}  // namespace keelson
