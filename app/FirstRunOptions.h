#pragma once
// The folder window of a first start: shows the game folder that was found.
// The folder is changed in the Options window, not here.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace keelson {

class TFirstRunOptionsForm : public QDialog {
    Q_OBJECT
  public:
    explicit TFirstRunOptionsForm(QWidget* parent = nullptr);

    // Puts the folder into the read-only box.
    void ShowFolder(const std::string& folder);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* BitBtn1;
};

}  // namespace keelson
