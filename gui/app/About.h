#pragma once
// The About box: the program's name, version and where to find updates.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace keelson {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QPushButton* OKButton;
};

}  // namespace keelson
