#pragma once
// x

#include <QDialog>

namespace keelson {

class TBotSaveWizardForm : public QDialog {
    Q_OBJECT
  public:
    explicit TBotSaveWizardForm(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace keelson
