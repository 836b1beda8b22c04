#pragma once
// x

#include <QDialog>

namespace keelson {

class TSvPackForm : public QDialog {
    Q_OBJECT
  public:
    explicit TSvPackForm(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace keelson
