#include "gui/bots/BotLib.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "core/common/UTSharedUtils1.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "gui/app/Versions.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "gui/bots/BotSaveWizard.h"
#include "gui/bots/BotsListModel.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

constexpr const char* kLibraryFilter = "Bot libraries (*.ut_botlib)|*.ut_botlib|All files|*.*";
constexpr const char* kLibraryExt = "ut_botlib";

// A slider's step: 0.05 (1 / kBotScaleRange), 0.5 for aggression.
constexpr double kScaleStep = 0.05;
constexpr double kAggressionStep = 0.5;

// Team box lines 0 to 3 are the teams of the same number.
constexpr int kNeutralLine = 4;

// A field in its box: the text as it stands, its beginning in view, and
// the pick list's line of the same text (if any) current, so that the list
// opens on it.
void ShowText(QComboBox* box, const BotText& field) {
    const QString text = FromAnsi(field.View());
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setEditText(text);
    box->lineEdit()->setCursorPosition(0);
}

// The 255 bytes a text field keeps of a box's text.
BotText FieldOf(const QComboBox* box) {
    return BotText(ToAnsi(box->currentText()));
}

// Sets a value for a scope and puts back what it was: the editing lock,
// the list's update flag.
template <typename T>
class ScopedValue {
  public:
    ScopedValue(T& value, T during) : value_(value), previous_(value) { value_ = during; }
    ~ScopedValue() { value_ = previous_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

  private:
    T& value_;
    T previous_;
};

}  // namespace

float SliderValue(int position, double step) {
    return static_cast<float>(static_cast<double>(position) * step);
}

int SliderPosition(float value, int positionsPerUnit) {
    // Exact in double: a float has 24 significant bits, 20 needs 5 more.
    const double scaled = static_cast<double>(value) * positionsPerUnit;
    if (std::isnan(scaled)) {
        return 0;
    }
    const double range = positionsPerUnit;
    // The default rounding mode sends exact halves to the even integer.
    return static_cast<int>(std::nearbyint(std::clamp(scaled, -range, range)));
}

TBotLibForm::TBotLibForm(KeelsonWindows& windows, QWidget* parent)
    : LazyDialog(parent), windows_(windows) {
    SetUpWindow(this, "BotLibForm", "Bot Library Manager -- Keelson Tools", TitleButtons::CloseOnly,
                ArialFont(11), 577, 453);
    Bots = std::make_unique<TBigKegOBots>();
}

void TBotLibForm::MakeControls() {
    BuildControls();
    ConnectControls();
    // Esc is "Close window", which ends with the OK result.
    PressOnEscape(this, BitBtn1);
    FormCreate();
    UseWindowKeys(this);
}

TBotLibForm::~TBotLibForm() = default;

void TBotLibForm::FormCreate() {
    NewBtnClick();
}

int TBotLibForm::SelectedLine() const {
    const QModelIndexList selected = BotsListBox->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void TBotLibForm::SelectLine(int line) {
    ScopedValue updating(listUpdate_, true);
    QItemSelectionModel* selection = BotsListBox->selectionModel();
    if (line < 0) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    QModelIndex at = BotsListLines->index(line);
    selection->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    BotsListBox->scrollTo(at);
}

void TBotLibForm::BotsListBoxClick() {
    // The whole load runs under the lock: loading a bot never rewrites it,
    // so a skill of 0.33 read from a file stays 0.33 until a slider moves.
    ScopedValue lock(editingLock_, 1);
    QComboBox* const texts[] = {FaveWeaponComboBox, BotNameComboBox, BotModelComboBox,
                                BotSkinComboBox,    BotFaceComboBox, BotVoiceComboBox};
    QWidget* const editors[] = {BotNameComboBox,      BotModelComboBox,  BotSkinComboBox,
                                BotFaceComboBox,      BotVoiceComboBox,  BotTeamComboBox,
                                JumpyCheckBox,        SkillScrollBar,    AccuracyScrollBar,
                                AlertnessScrollBar,   StrafingScrollBar, CampingScrollBar,
                                CombatStyleScrollbar, FaveWeaponComboBox};
    const int line = SelectedLine();
    if (line < 0) {
        for (QWidget* editor : editors) {
            editor->setEnabled(false);
        }
        for (QComboBox* box : texts) {
            box->setCurrentIndex(-1);
            box->setEditText(QString());
        }
        BotTeamComboBox->setCurrentIndex(kNeutralLine);
        JumpyCheckBox->setChecked(false);
        for (QSlider* slider : {SkillScrollBar, AccuracyScrollBar, AlertnessScrollBar,
                                StrafingScrollBar, CampingScrollBar, CombatStyleScrollbar}) {
            slider->setValue(0);
        }
        return;
    }
    TBotRecord bot;
    Bots->GetBot(line, bot);
    for (QWidget* editor : editors) {
        editor->setEnabled(true);
    }
    ShowText(BotNameComboBox, bot.Name);
    ShowText(BotModelComboBox, bot.Class);
    ShowText(BotSkinComboBox, bot.Skin);
    ShowText(BotFaceComboBox, bot.Face);
    ShowText(BotVoiceComboBox, bot.Voice);
    ShowText(FaveWeaponComboBox, bot.FavoriteWeapon);
    if (bot.Team == kNoTeam) {
        BotTeamComboBox->setCurrentIndex(kNeutralLine);
    } else if (bot.Team <= kTeamGold) {
        BotTeamComboBox->setCurrentIndex(bot.Team);
    } else {
        BotTeamComboBox->setCurrentIndex(-1);
    }
    JumpyCheckBox->setChecked(bot.Jumpy != 0);
    SkillScrollBar->setValue(SliderPosition(bot.Skill, kBotScaleRange));
    AccuracyScrollBar->setValue(SliderPosition(bot.Accuracy, kBotScaleRange));
    CombatStyleScrollbar->setValue(SliderPosition(bot.CombatStyle, kBotAggressionRange));
    AlertnessScrollBar->setValue(SliderPosition(bot.Alertness, kBotScaleRange));
    StrafingScrollBar->setValue(SliderPosition(bot.StrafingAbility, kBotScaleRange));
    CampingScrollBar->setValue(SliderPosition(bot.Camping, kBotScaleRange));
}

void TBotLibForm::BotAttributeChange() {
    const int line = SelectedLine();
    if (editingLock_ == 1 || BotsListLines->rowCount() == 0 || line < 0) {
        return;
    }
    ScopedValue lock(editingLock_, 1);
    TBotRecord bot;
    bot.Name = FieldOf(BotNameComboBox);
    bot.Class = FieldOf(BotModelComboBox);
    bot.Skin = FieldOf(BotSkinComboBox);
    bot.Face = FieldOf(BotFaceComboBox);
    bot.Voice = FieldOf(BotVoiceComboBox);
    bot.FavoriteWeapon = FieldOf(FaveWeaponComboBox);
    const int team = BotTeamComboBox->currentIndex();
    bot.Team = team >= 0 && team < kNeutralLine ? static_cast<std::uint8_t>(team) : kNoTeam;
    bot.Skill = SliderValue(SkillScrollBar->value(), kScaleStep);
    bot.Accuracy = SliderValue(AccuracyScrollBar->value(), kScaleStep);
    bot.StrafingAbility = SliderValue(StrafingScrollBar->value(), kScaleStep);
    bot.Alertness = SliderValue(AlertnessScrollBar->value(), kScaleStep);
    bot.Camping = SliderValue(CampingScrollBar->value(), kScaleStep);
    bot.CombatStyle = SliderValue(CombatStyleScrollbar->value(), kAggressionStep);
    bot.Jumpy = JumpyCheckBox->isChecked() ? 1 : 0;
    Bots->SetBot(line, bot);
    ShowLineAnew(line);
}

void TBotLibForm::ShowLineAnew(int line) {
    // A line's label is read from the roster whenever it is painted, so a
    // repaint shows the change. Telling the view that its data changed would
    // lay out every line again, too slow on every keystroke in a large
    // library; only a screen reader that is listening is told so.
    if (QAccessible::isActive()) {
        BotsListLines->LineChanged(line);
    } else {
        BotsListBox->update(BotsListLines->index(line));
    }
}

void TBotLibForm::BotNameComboBoxChange() {
    if (editingLock_ == 1) {
        return;
    }
    {
        ScopedValue lock(editingLock_, 1);
        QLineEdit* edit = BotNameComboBox->lineEdit();
        const QString typed = edit->text();
        // Through the bytes the bot will hold: a blank or a control shows as
        // "_" at once, and so does "?" for a character outside the code page.
        const QString shown = FromAnsi(SpacesToUnderscores(ToAnsi(typed)));
        if (shown != typed) {
            const int caret = edit->cursorPosition();
            edit->setText(shown);
            edit->setCursorPosition(std::min(caret, static_cast<int>(shown.size())));
        }
    }
    BotAttributeChange();
}

void TBotLibForm::HeadingBoxChange(QComboBox* box) {
    if (editingLock_ == 1) {
        return;
    }
    const QString text = box->currentText();
    if (text.size() >= 2 && text.startsWith(QLatin1String("//"))) {
        ScopedValue lock(editingLock_, 1);
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    BotAttributeChange();
}

void TBotLibForm::BotModelComboBoxChange() {
    HeadingBoxChange(BotModelComboBox);
}
void TBotLibForm::BotSkinComboBoxChange() {
    HeadingBoxChange(BotSkinComboBox);
}
void TBotLibForm::BotFaceComboBoxChange() {
    HeadingBoxChange(BotFaceComboBox);
}
void TBotLibForm::BotVoiceComboBoxChange() {
    HeadingBoxChange(BotVoiceComboBox);
}
void TBotLibForm::FaveWeaponComboBoxChange() {
    HeadingBoxChange(FaveWeaponComboBox);
}

void TBotLibForm::RefreshBotsListBox() {
    if (Bots->Count() == 0) {
        return;
    }
    {
        ScopedValue updating(listUpdate_, true);
        BotsListLines->SetLines(Bots->Count());
    }
    SelectLine(0);
    BotsListBoxClick();
}

void TBotLibForm::RefillList() {
    ScopedValue updating(listUpdate_, true);
    BotsListLines->SetLines(Bots->Count());
}

void TBotLibForm::AddBotBtnClick() {
    {
        ScopedValue updating(listUpdate_, true);
        BotsListLines->BeginAppend();
        Bots->AddBot(DefaultBot);
        BotsListLines->EndAppend();
    }
    SelectLine(Bots->Count() - 1);
    BotsListBoxClick();
}

void TBotLibForm::DelBotBtnClick() {
    const int line = SelectedLine();
    if (line < 0 || line >= Bots->Count()) {
        return;
    }
    {
        ScopedValue updating(listUpdate_, true);
        BotsListLines->BeginRemove(line);
        Bots->DeleteBot(line);
        BotsListLines->EndRemove();
    }
    const int count = BotsListLines->rowCount();
    SelectLine(line < count ? line : line - 1);
    BotsListBoxClick();
}

void TBotLibForm::SortBtnClick() {
    Bots->SortByName();
    RefreshBotsListBox();
}

void TBotLibForm::NewBtnClick() {
    {
        ScopedValue updating(listUpdate_, true);
        BotsListLines->SetLines(0);
    }
    Bots->ClearBots();
    CurrLibNameLabel->setText(Caption(kNoFileLoaded));
    BotsListBoxClick();
}

void TBotLibForm::OpenBtnClick() {
    OpenLibrary(false);
}

void TBotLibForm::OpenAndAppendBtnClick() {
    OpenLibrary(true);
}

void TBotLibForm::OpenLibrary(bool append) {
    const std::optional<std::string> chosen =
        desktop::OpenFile(this, {"Open bot library file", "", kLibraryFilter, kLibraryExt, ""});
    if (!chosen) {
        return;
    }
    const std::string& path = *chosen;
    {
        ScopedValue updating(listUpdate_, true);
        BotsListLines->SetLines(0);
    }
    if (!append) {
        Bots->ClearBots();
    }
    std::optional<std::string> failure;
    try {
        Bots->AppendFromFile(path);
    } catch (...) {
        failure = MessageOfCurrentException();
    }
    // Whether the read ends or fails, the list shows the bots read so far
    // with no line selected, and the editors are emptied as after "New
    // library": nothing typed can go to a bot that is not shown.
    RefillList();
    BotsListBoxClick();
    if (failure) {
        desktop::ShowError(this, *failure);
    } else if (!append) {
        SetLastLibrary(path);
        CurrLibNameLabel->setText(FromPath(path));
    }
}

void TBotLibForm::SaveAsBtnClick() {
    std::optional<std::string> path =
        desktop::SaveFile(this, {"Save bot library file", "", kLibraryFilter, kLibraryExt, ""});
    if (!path) {
        return;
    }
    desktop::RewriteGameFile(this, "Save As (Bot Library Editor)",
                             [&] { Bots->SaveToFile(*path); });
    SetLastLibrary(*path);
    CurrLibNameLabel->setText(FromPath(*path));
}

void TBotLibForm::ImportINIBtnClick() {
    const std::string path = GetUserIniPath();
    if (!desktop::GameFileFound(this, path)) {
        return;
    }
    Bots->ImportUserIni(path);
    RefreshBotsListBox();
}

void TBotLibForm::ExportINIBtnClick() {
    windows_.BotSaveWizardForm->PrepareExport(*Bots);
}

void TBotLibForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
