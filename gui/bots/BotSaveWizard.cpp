#include "gui/bots/BotSaveWizard.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/bots/BotFiles.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/packages/SvPackFiles.h"
#include "core/settings/Settings.h"
#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "platform/FileSystem.h"

namespace keelson {

// The checklist's lines: the label of each bot of the export roster, made
// when a line is drawn, with its tick. A library of any size opens at once.
class BotChecklistModel : public QAbstractListModel {
  public:
    BotChecklistModel(const TBigKegOBots& bots, BotTicks& ticks, QObject* parent)
        : QAbstractListModel(parent), bots_(bots), ticks_(ticks) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(ticks_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        if (role == Qt::DisplayRole) {
            return FromAnsi(BotDisplayLabel(bots_.Bot(index.row())));
        }
        if (role == Qt::CheckStateRole) {
            return ticks_[static_cast<std::size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) {
            return Qt::NoItemFlags;
        }
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || index.row() >= rowCount() || role != Qt::CheckStateRole) {
            return false;
        }
        ticks_[static_cast<std::size_t>(index.row())] =
            value.value<Qt::CheckState>() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    // The roster and the ticks are about to be replaced, and have been.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

    void TicksChanged() {
        if (!ticks_.empty()) {
            emit dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
        }
    }

  private:
    const TBigKegOBots& bots_;
    BotTicks& ticks_;
};

namespace {

// A drop-down list of captions, named for screen readers where no label
// points at it.
QComboBox* AddCaptionList(QWidget* parent, const char* name,
                          std::initializer_list<const char*> items, const QRect& at,
                          const char* accessibleName = nullptr) {
    QComboBox* box = AddList(parent, name, CaptionLines(items), at);
    if (accessibleName) {
        box->setAccessibleName(Caption(accessibleName));
    }
    return box;
}

// The action box of a rule row: "Add" ticks the matching bots, "Remove"
// unticks them.
QComboBox* AddActionList(QWidget* parent, const char* name, int x, int y) {
    QComboBox* box =
        AddCaptionList(parent, name, {"Add", "Remove"}, {x, y, 71, 21}, "Add or remove");
    box->setToolTip(Caption("Add ticks the bots that match, Remove unticks them"));
    return box;
}

// The application's style with less room beside each tab's caption.
class NarrowTabStyle : public QProxyStyle {
  public:
    NarrowTabStyle() : QProxyStyle(QApplication::style()->name()) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) {
            return 10;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr int kFilterLeft = 245;
constexpr int kFilterWidth = 72;

}  // namespace

TBotSaveWizardForm::TBotSaveWizardForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "BotSaveWizardForm", "Export bots to user INI", TitleButtons::CloseOnly,
                ArialFont(11), 344, 370);
}

void TBotSaveWizardForm::MakeControls() {
    checklistModel_ = new BotChecklistModel(exportRoster_, ticks_, this);
    BotsChecklist = new QListView(this);
    BotsChecklist->setObjectName(QStringLiteral("BotsChecklist"));
    BotsChecklist->setGeometry(8, 22, 328, 128);
    BotsChecklist->setUniformItemSizes(true);
    BotsChecklist->setSelectionMode(QAbstractItemView::SingleSelection);
    BotsChecklist->setModel(checklistModel_);
    Label1 = AddLabel(this, "Label1", "&Bots to use:", {8, 6, 200, 14}, BotsChecklist);
    // A list view is not named after its buddy by the accessibility layer.
    BotsChecklist->setAccessibleName(Caption("Bots to use:"));

    Label2 = AddWrappedLabel(this, "Label2",
                             "If you export fewer than 32 bots, the remaining "
                             "slots will be taken by default bots "
                             "called Bot_1 to Bot_32. If you export more than 32 "
                             "bots, a random selection will be "
                             "saved to your user INI.",
                             {8, 155, 244, 66});

    OKBtn = AddButton(this, "OKBtn", "Export", {261, 157, 75, 25}, QStyle::SP_DialogSaveButton);
    // No default button: Enter in a rule's fields presses that rule's
    // "Filter", and "Export" runs only when it is pressed itself.
    OKBtn->setToolTip(Caption("Write the ticked bots into your user INI"));

    // Esc and the close box reject the window, as Cancel does.
    CancelBtn =
        AddButton(this, "CancelBtn", "Cancel", {261, 188, 75, 25}, QStyle::SP_DialogCancelButton);

    Label3 = AddLabel(this, "Label3", "Filtering", {8, 222, 150, 17});
    Label3->setFont(ArialFont(13, true, true));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 240, 328, 124);
    // Narrower tabs than the style's, so that the four fit side by side.
    auto* tabStyle = new NarrowTabStyle;
    tabStyle->setParent(PageControl1->tabBar());
    PageControl1->tabBar()->setStyle(tabStyle);
    PageControl1->tabBar()->setAttribute(Qt::WA_Hover);  // tabs light up under the mouse

    // ---- ServerPackages ----
    spPage = AddPage(PageControl1, "spPage", "ServerPackages");
    spRemNonSPackBtn =
        AddButton(spPage, "spRemNonSPackBtn", "Remove bots which aren't in the ServerPackages",
                  {22, 30, 276, 23});
    spRemNonSPackBtn->setToolTip(
        Caption("Untick the bots whose model, skin, face or voice comes from a "
                "package that the "
                "server's ServerPackages list does not send"));

    // ---- Text fields ----
    TabSheet1 = AddPage(PageControl1, "TabSheet1", "Text fields");
    txtActionComboBox = AddActionList(TabSheet1, "txtActionComboBox", 6, 6);
    txtFieldComboBox = AddCaptionList(TabSheet1, "txtFieldComboBox",
                                      {"name", "model name", "skin name", "face name",
                                       "voice-pack name", "favourite weapon name"},
                                      {142, 6, 176, 21});
    txtWhoseLabel =
        AddLabel(TabSheet1, "txtWhoseLabel", "bots &whose", {81, 10, 58, 14}, txtFieldComboBox);
    txtComparisonComboBox = AddCaptionList(TabSheet1, "txtComparisonComboBox",
                                           {"is", "includes", "doesn't include", "starts with"},
                                           {6, 32, 100, 21}, "Comparison");
    txtTextEdit = AddEdit(TabSheet1, "txtTextEdit", {6, 59, 233, 21});
    txtTextLabel =
        AddLabel(TabSheet1, "txtTextLabel", "the te&xt below", {110, 36, 68, 14}, txtTextEdit);
    txtCaseSensCheckBox = AddCheckBox(TabSheet1, "txtCaseSensCheckBox",
                                      "&Use case-sensitive filter", {182, 34, 140, 17});
    txtCaseSensCheckBox->setToolTip(Caption("Unticked, a and A count as the same letter"));
    txtCommitBtn =
        AddButton(TabSheet1, "txtCommitBtn", "Filter", {kFilterLeft, 58, kFilterWidth, 23});
    txtCommitBtn->setToolTip(Caption("Tick or untick the bots by the text rule"));

    // ---- Numeric scales ----
    TabSheet2 = AddPage(PageControl1, "TabSheet2", "Numeric scales");
    nmActionCombobox = AddActionList(TabSheet2, "nmActionCombobox", 6, 6);
    nmFieldCombobox =
        AddCaptionList(TabSheet2, "nmFieldCombobox",
                       {"aggression (\"combat style\")", "strafing ability", "alertness",
                        "camping (sniping)", "accuracy", "skill adjustment"},
                       {142, 6, 175, 21});
    nmWhoseLabel =
        AddLabel(TabSheet2, "nmWhoseLabel", "bots &whose", {81, 10, 58, 14}, nmFieldCombobox);
    nmComparisonComboBox =
        AddCaptionList(TabSheet2, "nmComparisonComboBox",
                       {"is less than", "is less than or equal to", "is exactly equal to",
                        "is greater than or equal to", "is greater than"},
                       {6, 32, 160, 21}, "Comparison");
    nmThresholdDummyEdit = AddEdit(TabSheet2, "nmThresholdDummyEdit", {172, 32, 67, 21});
    nmThresholdDummyEdit->setText(Caption("0.000000"));
    nmThresholdDummyEdit->setReadOnly(true);
    nmThresholdDummyEdit->setFocusPolicy(Qt::NoFocus);
    nmThresholdDummyEdit->setToolTip(Caption("Use the slider below to change this"));
    nmThresholdDummyEdit->setAccessibleName(Caption("Threshold"));
    QPalette greyed = nmThresholdDummyEdit->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    greyed.setColor(QPalette::Text, greyed.color(QPalette::Disabled, QPalette::Text));
    nmThresholdDummyEdit->setPalette(greyed);
    nmCommitBtn =
        AddButton(TabSheet2, "nmCommitBtn", "Filter", {kFilterLeft, 31, kFilterWidth, 23});
    nmCommitBtn->setToolTip(Caption("Tick or untick the bots by the numeric rule"));

    nmThresholdScrollBar = new QScrollBar(Qt::Horizontal, TabSheet2);
    nmThresholdScrollBar->setObjectName(QStringLiteral("nmThresholdScrollBar"));
    nmThresholdScrollBar->setGeometry(6, 74, 311, 17);
    nmThresholdScrollBar->setRange(-20, 20);
    nmThresholdScrollBar->setSingleStep(1);
    nmThresholdScrollBar->setPageStep(1);
    nmThresholdScrollBar->setValue(0);
    nmThresholdScrollBar->setFocusPolicy(Qt::StrongFocus);
    // "Threshold level:" first: a screen reader names the slider by the
    // first label that points at it.
    nmThresholdLabel = AddLabel(TabSheet2, "nmThresholdLabel",
                                "Threshold &level:", {40, 59, 100, 14}, nmThresholdScrollBar);
    nmMinusLabel = AddLabel(TabSheet2, "nmMinusLabel", "-1", {6, 59, 20, 14});
    nmZeroLabel = AddLabel(TabSheet2, "nmZeroLabel", "0", {151, 59, 20, 14});
    nmZeroLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    nmPlusLabel = AddLabel(TabSheet2, "nmPlusLabel", "+1", {297, 59, 20, 14});
    nmPlusLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);

    // ---- Other settings ----
    TabSheet4 = AddPage(PageControl1, "TabSheet4", "Other settings");
    tmActionCombobox = AddActionList(TabSheet4, "tmActionCombobox", 6, 10);
    tmTeamComboBox =
        AddCaptionList(TabSheet4, "tmTeamComboBox", {"Red", "Blue", "Green", "Gold", "[neutral]"},
                       {177, 10, 72, 21});
    tmTeamLabel =
        AddLabel(TabSheet4, "tmTeamLabel", "bots whose &team is", {80, 14, 96, 14}, tmTeamComboBox);
    tmCommitBtn = AddButton(TabSheet4, "tmCommitBtn", "Filter", {270, 9, 50, 23});
    tmCommitBtn->setToolTip(Caption("Tick or untick the bots by the team rule"));
    jbActionCombobox = AddActionList(TabSheet4, "jbActionCombobox", 6, 46);
    jbConditionComboBox =
        AddCaptionList(TabSheet4, "jbConditionComboBox",
                       {"jump excessively", "don't jump excessively"}, {126, 46, 141, 21});
    jbWhoLabel =
        AddLabel(TabSheet4, "jbWhoLabel", "bots w&ho", {80, 50, 45, 14}, jbConditionComboBox);
    jbCommitBtn = AddButton(TabSheet4, "jbCommitBtn", "Filter", {270, 45, 50, 23});
    jbCommitBtn->setToolTip(Caption("Tick or untick the bots by the jumping rule"));

    // Tab goes through each page's rows as they read, the slider before its
    // Filter button.
    setTabOrder(txtComparisonComboBox, txtCaseSensCheckBox);
    setTabOrder(txtCaseSensCheckBox, txtTextEdit);
    setTabOrder(txtTextEdit, txtCommitBtn);
    setTabOrder(nmComparisonComboBox, nmThresholdScrollBar);
    setTabOrder(nmThresholdScrollBar, nmCommitBtn);

    PressOnEnter(TabSheet1, txtCommitBtn);
    PressOnEnter(TabSheet2, nmCommitBtn);
    PressOnEnter(tmActionCombobox, tmCommitBtn);
    PressOnEnter(tmTeamComboBox, tmCommitBtn);
    PressOnEnter(jbActionCombobox, jbCommitBtn);
    PressOnEnter(jbConditionComboBox, jbCommitBtn);

    desktop::Connect(OKBtn, &QPushButton::clicked, this, &TBotSaveWizardForm::OKBtnClick);
    desktop::Connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    desktop::Connect(spRemNonSPackBtn, &QPushButton::clicked, this,
                     &TBotSaveWizardForm::spRemNonSPackBtnClick);
    desktop::Connect(txtCommitBtn, &QPushButton::clicked, this,
                     &TBotSaveWizardForm::txtCommitBtnClick);
    desktop::Connect(nmCommitBtn, &QPushButton::clicked, this,
                     &TBotSaveWizardForm::nmCommitBtnClick);
    desktop::Connect(tmCommitBtn, &QPushButton::clicked, this,
                     &TBotSaveWizardForm::tmCommitBtnClick);
    desktop::Connect(jbCommitBtn, &QPushButton::clicked, this,
                     &TBotSaveWizardForm::jbCommitBtnClick);
    desktop::Connect(nmThresholdScrollBar, &QScrollBar::valueChanged, this,
                     &TBotSaveWizardForm::nmThresholdScrollBarChange);
    desktop::Connect(nmFieldCombobox, &QComboBox::currentIndexChanged, this,
                     &TBotSaveWizardForm::nmFieldComboboxChange);

    ResetRuleRows();
    UseWindowKeys(this);
}

TBotSaveWizardForm::~TBotSaveWizardForm() = default;

void TBotSaveWizardForm::PrepareExport(const TBigKegOBots& library) {
    EnsureControls();
    ResetRuleRows();
    PageControl1->setCurrentWidget(spPage);
    if (FillChecklist(library)) {
        exec();
    }
}

bool TBotSaveWizardForm::FillChecklist(const TBigKegOBots& library) {
    checklistModel_->BeginReset();
    exportRoster_.ClearBots();
    ticks_.clear();
    std::optional<std::string> failure;
    try {
        exportRoster_ = TickedBots(library, AllTicked(library));  // copies of every bot
        ticks_ = AllTicked(exportRoster_);
    } catch (...) {
        failure = MessageOfCurrentException();
        exportRoster_.ClearBots();
        ticks_.clear();
    }
    checklistModel_->EndReset();
    if (failure) {
        // Out of memory for a copy of a huge library: the wizard does not
        // open on half a checklist.
        desktop::ShowError(QApplication::activeWindow(), *failure);
    }
    return !failure;
}

void TBotSaveWizardForm::ResetRuleRows() {
    txtFieldComboBox->setCurrentIndex(0);
    txtActionComboBox->setCurrentIndex(1);
    txtComparisonComboBox->setCurrentIndex(0);
    txtTextEdit->clear();
    // The case-sensitive box keeps its state from one opening to the next.

    nmActionCombobox->setCurrentIndex(1);
    nmComparisonComboBox->setCurrentIndex(0);
    nmFieldCombobox->setCurrentIndex(0);
    nmFieldComboboxChange();  // also when the field was aggression already
    nmThresholdScrollBar->setValue(0);
    nmThresholdDummyEdit->setText(Caption("0.000000"));

    tmActionCombobox->setCurrentIndex(1);
    tmTeamComboBox->setCurrentIndex(0);
    jbActionCombobox->setCurrentIndex(1);
    jbConditionComboBox->setCurrentIndex(1);
}

FilterAction TBotSaveWizardForm::ActionOf(const QComboBox* box) const {
    return box->currentIndex() == 0 ? FilterAction::Add : FilterAction::Remove;
}

ScaleField TBotSaveWizardForm::CurrentScaleField() const {
    int line = nmFieldCombobox->currentIndex();
    return line < 0 ? ScaleField::Aggression : static_cast<ScaleField>(line);
}

template <typename Rule>
void TBotSaveWizardForm::Filter(const QComboBox* actionBox, const Rule& rule) {
    if (ApplyRule(exportRoster_, ticks_, ActionOf(actionBox), rule) > 0) {
        TicksChanged();
    }
}

void TBotSaveWizardForm::TicksChanged() {
    checklistModel_->TicksChanged();
}

void TBotSaveWizardForm::spRemNonSPackBtnClick() {
    try {
        const std::string path = GetSystemIniPath();
        if (!desktop::GameFileFound(this, path)) {
            return;
        }
        PackageList serverPackages;
        ReadServerPackages(serverPackages, path);
        if (UntickBotsNotInServerPackages(exportRoster_, ticks_, serverPackages) > 0) {
            TicksChanged();
        }
    } catch (...) {
        desktop::ShowError(this, MessageOfCurrentException());
    }
}

void TBotSaveWizardForm::txtCommitBtnClick() {
    TextRule rule;
    rule.field = static_cast<TextField>(std::max(0, txtFieldComboBox->currentIndex()));
    rule.comparison =
        static_cast<TextComparison>(std::max(0, txtComparisonComboBox->currentIndex()));
    rule.text = ToAnsi(txtTextEdit->text());
    rule.caseSensitive = txtCaseSensCheckBox->isChecked();
    Filter(txtActionComboBox, rule);
}

void TBotSaveWizardForm::nmCommitBtnClick() {
    ScaleRule rule;
    rule.field = CurrentScaleField();
    rule.comparison =
        static_cast<ScaleComparison>(std::max(0, nmComparisonComboBox->currentIndex()));
    rule.threshold = ThresholdAt(rule.field, nmThresholdScrollBar->value());
    Filter(nmActionCombobox, rule);
}

void TBotSaveWizardForm::tmCommitBtnClick() {
    Filter(tmActionCombobox,
           TeamRule{static_cast<TeamChoice>(std::max(0, tmTeamComboBox->currentIndex()))});
}

void TBotSaveWizardForm::jbCommitBtnClick() {
    Filter(jbActionCombobox,
           JumpyRule{jbConditionComboBox->currentIndex() == 0 ? JumpyCondition::Jumps
                                                              : JumpyCondition::DoesntJump});
}

void TBotSaveWizardForm::nmThresholdScrollBarChange() {
    const float threshold = ThresholdAt(CurrentScaleField(), nmThresholdScrollBar->value());
    nmThresholdDummyEdit->setText(FromAnsi(FloatToFixedText(threshold)));
}

void TBotSaveWizardForm::nmFieldComboboxChange() {
    // Maximum first, then minimum: every position these steps pass through
    // is shown in the threshold box, which ends at 0.
    const SliderRange range = ThresholdRange(CurrentScaleField());
    nmThresholdScrollBar->setMaximum(range.maximum);
    nmThresholdScrollBar->setMinimum(range.minimum);
    nmThresholdScrollBar->setValue(0);
    nmThresholdScrollBarChange();  // the scale may change, the position staying 0
}

void TBotSaveWizardForm::OKBtnClick() {
    if (ticks_.empty()) {
        return;
    }
    std::optional<ContentProblem> problem;
    try {
        const std::string path = GetUserIniPath();
        if (!desktop::GameFileFound(this, path)) {
            return;
        }
        // The unticked bots are left out of a copy; the export roster loses
        // them only once the file is written, so that after a failed write
        // the checklist still shows the roster line for line and a second
        // "Export" works on the same ticks.
        TBigKegOBots exported = TickedBots(exportRoster_, ticks_);
        TBotSlotTable table;
        exported.FillGameSlots(table);
        if (!desktop::RewriteGameFile(this, "Export (Bot Save Wizard)",
                                      [&] { problem = WriteUserIniBots(table, path); })) {
            return;
        }
        if (!problem) {
            checklistModel_->BeginReset();
            exportRoster_ = std::move(exported);
            ticks_ = AllTicked(exportRoster_);
            checklistModel_->EndReset();
        }
    } catch (...) {
        desktop::ShowError(this, MessageOfCurrentException());
        return;
    }
    if (problem) {
        std::string text;
        for (const std::string& line : problem->texts) {
            text += text.empty() ? line : "\n" + line;
        }
        desktop::ShowMessage(this, text);
    }
    accept();
}

void TBotSaveWizardForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
