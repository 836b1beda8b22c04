#pragma once
// x

#include <QDialog>

#include "bots/TBigKegOBotsDefine.h"

namespace keelson {

class TBotSaveWizardForm : public QDialog {
    Q_OBJECT
  public:
    explicit TBotSaveWizardForm(QWidget* parent = nullptr);

    // Copies the library's bots into the wizard's own roster and shows the
    // wizard; the library itself is never changed.
    void PrepareExport(const TBigKegOBots& library);
    const TBigKegOBots& ExportRoster() const { return roster_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TBigKegOBots roster_;
};

}  // namespace keelson
