#pragma once
// x

#include <QDialog>

namespace keelson {

class TYouDontHaveModForm : public QDialog {
    Q_OBJECT
  public:
    explicit TYouDontHaveModForm(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace keelson
