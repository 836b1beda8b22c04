#pragma once
// The terms window shown on a first start: Accept goes on, Quit or the
// close box ends the program without writing anything.

#include <QDialog>

#include "gui/app/LazyDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace keelson {

class TFirstRunForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TFirstRunForm(QWidget* parent = nullptr);

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    QPlainTextEdit* Memo1;
    QLabel* Label1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2 = nullptr;
};

// The terms of use in the terms window.
extern const char* const kTermsText;

}  // namespace keelson
