#pragma once
// The folder window of a first start: shows the game folder that was found.
// The folder is changed in the Options window, not here; but where no
// installer records the game's folder (Linux), the window can browse for
// it, so that the first start names real files.

#include <QDialog>
#include <optional>
#include <string>

#include "gui/app/LazyDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace keelson {

class TFirstRunOptionsForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TFirstRunOptionsForm(QWidget* parent = nullptr);

    // Puts the folder into the read-only box; with canBrowse the window
    // offers "Browse..." beside it. Forgets an earlier pick.
    void ShowFolder(const std::string& folder, bool canBrowse = false);
    // The folder picked with "Browse...", if any.
    const std::optional<std::string>& PickedFolder() const { return picked_; }

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* Label1;
    void BrowseBtnClick();

    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BrowseBtn = nullptr;
    std::optional<std::string> picked_;
};

}  // namespace keelson
