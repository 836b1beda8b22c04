#pragma once
// The export wizard: the modal window through which the library's bots reach
// the user INI. It lists copies of the library's bots with a tick each,
// ticks and unticks them with filter rules, and on "Export" writes the
// ticked ones into the user INI's 32 bot slots. The library itself is never
// changed. Made once at start, kept hidden between openings.

#include <QDialog>

#include "core/bots/BotFilters.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "gui/app/LazyDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QWidget;

namespace keelson {

class BotChecklistModel;

class TBotSaveWizardForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TBotSaveWizardForm(QWidget* parent = nullptr);
    ~TBotSaveWizardForm() override;

    // The wizard's only entry: fills it with copies of the library's bots,
    // every one ticked, resets the rule rows, shows the "ServerPackages" page
    // and shows the window modally.
    void PrepareExport(const TBigKegOBots& library);

    // What the checklist shows: line i is bot i of the export roster, ticked
    // when ticks()[i] is true.
    const TBigKegOBots& ExportRoster() const { return exportRoster_; }
    const BotTicks& Ticks() const { return ticks_; }

  public slots:
    void spRemNonSPackBtnClick();
    void txtCommitBtnClick();
    void nmCommitBtnClick();
    void tmCommitBtnClick();
    void jbCommitBtnClick();
    void nmThresholdScrollBarChange();
    void nmFieldComboboxChange();
    void OKBtnClick();

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    // False, after the error box, when the checklist could not be filled.
    bool FillChecklist(const TBigKegOBots& library);
    void ResetRuleRows();
    FilterAction ActionOf(const QComboBox* box) const;
    ScaleField CurrentScaleField() const;
    // Applies a rule to the ticks and shows the result.
    template <typename Rule>
    void Filter(const QComboBox* actionBox, const Rule& rule);
    void TicksChanged();

    TBigKegOBots exportRoster_;
    BotTicks ticks_;
    BotChecklistModel* checklistModel_ = nullptr;

    QLabel* Label1;
    QListView* BotsChecklist;
    QLabel* Label2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QLabel* Label3;
    QTabWidget* PageControl1;

    QWidget* spPage;
    QPushButton* spRemNonSPackBtn;

    QWidget* TabSheet1;
    QComboBox* txtActionComboBox;
    QLabel* txtWhoseLabel;
    QComboBox* txtFieldComboBox;
    QComboBox* txtComparisonComboBox;
    QLabel* txtTextLabel;
    QCheckBox* txtCaseSensCheckBox;
    QLineEdit* txtTextEdit;
    QPushButton* txtCommitBtn;

    QWidget* TabSheet2;
    QComboBox* nmActionCombobox;
    QLabel* nmWhoseLabel;
    QComboBox* nmFieldCombobox;
    QComboBox* nmComparisonComboBox;
    QLineEdit* nmThresholdDummyEdit;
    QLabel* nmMinusLabel;
    QLabel* nmThresholdLabel;
    QLabel* nmZeroLabel;
    QLabel* nmPlusLabel;
    QScrollBar* nmThresholdScrollBar;
    QPushButton* nmCommitBtn;

    QWidget* TabSheet4;
    QComboBox* tmActionCombobox;
    QLabel* tmTeamLabel;
    QComboBox* tmTeamComboBox;
    QPushButton* tmCommitBtn;
    QComboBox* jbActionCombobox;
    QLabel* jbWhoLabel;
    QComboBox* jbConditionComboBox;
    QPushButton* jbCommitBtn;
};

}  // namespace keelson
