#pragma once
// The Bot Library Manager: the window in which the user keeps a library of
// bots of any size, edits every attribute of each, imports the user INI's
// 32 bots, opens and saves library files and hands the library to the
// export wizard. The window and its library live for the whole run.

#include <QDialog>
#include <memory>

#include "core/bots/TBigKegOBotsDefine.h"
#include "gui/app/LazyDialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListView;
class QPushButton;
class QSlider;

namespace keelson {

struct KeelsonWindows;
class BotsListModel;

// The sliders' arithmetic. A position gives position x step, computed in
// double and stored as the nearest float. A value shows at the nearest
// integer to value x positionsPerUnit (exact halves to the even one),
// clamped to the slider's ends at -1 and +1.
float SliderValue(int position, double step);
int SliderPosition(float value, int positionsPerUnit);

// The sliders run from -1 to +1: 20 positions a unit (steps of 0.05), and
// 2 for aggression (steps of 0.5).
inline constexpr int kBotScaleRange = 20;
inline constexpr int kBotAggressionRange = 2;

// What the window shows as the current library before one is opened or
// saved.
inline constexpr const char* kNoFileLoaded = "<no file loaded>";

class TBotLibForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TBotLibForm(KeelsonWindows& windows, QWidget* parent = nullptr);
    ~TBotLibForm() override;

    // The library, as every command of the window leaves it.
    const TBigKegOBots& Library() const { return *Bots; }

  public slots:
    void BotsListBoxClick();
    void NewBtnClick();
    void OpenBtnClick();
    void OpenAndAppendBtnClick();
    void SaveAsBtnClick();
    void SortBtnClick();
    void AddBotBtnClick();
    void DelBotBtnClick();
    void ImportINIBtnClick();
    void ExportINIBtnClick();
    void BotNameComboBoxChange();
    void BotModelComboBoxChange();
    void BotSkinComboBoxChange();
    void BotFaceComboBoxChange();
    void BotVoiceComboBoxChange();
    void FaveWeaponComboBoxChange();
    void BotAttributeChange();

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void BuildControls();
    void ConnectControls();

    // The selected line, or -1 when none is.
    int SelectedLine() const;
    // Selects a line (-1: none) without running the loader.
    void SelectLine(int line);
    void RefreshBotsListBox();
    // The selected line shows its bot as stored.
    void ShowLineAnew(int line);
    // The list rebuilt from the roster with no line selected.
    void RefillList();
    void HeadingBoxChange(QComboBox* box);
    // "Open..." (append false) and "Open & append".
    void OpenLibrary(bool append);

    KeelsonWindows& windows_;
    std::unique_ptr<TBigKegOBots> Bots;
    // 1 while the window itself changes the editors or writes them back, so
    // that the change notifications this raises do nothing.
    int editingLock_ = 0;
    // Set while the window changes the list's lines or selection itself.
    bool listUpdate_ = false;

    QLabel* TitleLabel;
    QLabel* CurrLibLabel;
    QLabel* CurrLibNameLabel;
    QLabel* BotsListLabel;
    QListView* BotsListBox;
    BotsListModel* BotsListLines;
    QPushButton* NewBtn;
    QPushButton* OpenBtn;
    QPushButton* OpenAndAppendBtn;
    QPushButton* SaveAsBtn;
    QPushButton* SortBtn;
    QPushButton* AddBotBtn;
    QPushButton* DelBotBtn;
    QPushButton* ImportINIBtn;
    QPushButton* ExportINIBtn;
    QPushButton* BitBtn1 = nullptr;

    QGroupBox* CurrentBotGroup;
    QLabel* BotNameLabel;
    QComboBox* BotNameComboBox;
    QGroupBox* AppearanceGroup;
    QLabel* BotModelLabel;
    QComboBox* BotModelComboBox;
    QLabel* BotSkinLabel;
    QComboBox* BotSkinComboBox;
    QLabel* BotFaceLabel;
    QComboBox* BotFaceComboBox;
    QLabel* BotTeamLabel;
    QComboBox* BotTeamComboBox;
    QLabel* BotVoiceLabel;
    QComboBox* BotVoiceComboBox;
    QGroupBox* BehaviourGroup;
    QLabel* ScaleMinusLabel;
    QLabel* ScaleZeroLabel;
    QLabel* ScalePlusLabel;
    QLabel* SkillLabel;
    QSlider* SkillScrollBar;
    QLabel* AccuracyLabel;
    QSlider* AccuracyScrollBar;
    QLabel* AlertnessLabel;
    QSlider* AlertnessScrollBar;
    QLabel* StrafingLabel;
    QSlider* StrafingScrollBar;
    QLabel* CampingLabel;
    QSlider* CampingScrollBar;
    QLabel* CombatStyleLabel;
    QSlider* CombatStyleScrollbar;
    QLabel* FaveWeaponLabel;
    QComboBox* FaveWeaponComboBox;
    QCheckBox* JumpyCheckBox;
};

}  // namespace keelson
