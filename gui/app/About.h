#pragma once
// The About box: the program's name, version and where to find updates.

#include <QDialog>

#include "gui/app/LazyDialog.h"

class QFrame;
class QLabel;
class QPushButton;

namespace keelson {

class TAboutBox : public LazyDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QPushButton* OKButton = nullptr;
};

}  // namespace keelson
