#pragma once
// x

#include <QDialog>

namespace keelson {

class TBotLibForm : public QDialog {
    Q_OBJECT
  public:
    explicit TBotLibForm(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace keelson
