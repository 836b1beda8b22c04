#pragma once
// The windows besides the main one: each object is made at start and kept
// for the whole run, but its controls are made the first time it is shown,
// or when a caller that fills it before showing it asks. The program's
// start then shows the main window without paying for the others.

#include <QDialog>

namespace keelson {

class LazyDialog : public QDialog {
  public:
    using QDialog::QDialog;

    // Makes the controls, once.
    void EnsureControls() {
        if (!built_) {
            built_ = true;
            MakeControls();
        }
    }

    void setVisible(bool visible) override {
        if (visible) {
            EnsureControls();
        }
        QDialog::setVisible(visible);
    }

  protected:
    virtual void MakeControls() = 0;

  private:
    bool built_ = false;
};

}  // namespace keelson
