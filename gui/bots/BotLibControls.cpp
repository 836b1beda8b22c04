// The Bot Library Manager's controls: where each stands, its caption and
// hint, and the handler each change goes to.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <string>
#include <vector>

#include "core/bots/BotPickLists.h"
#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/WindowLook.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotsListModel.h"

namespace keelson {

namespace {

constexpr const char* kHintA =
    "It's easier to set this via UT and import the "
    "bot. Only use this box if you know how UT "
    "class names work.";
constexpr const char* kHintB =
    "Select your bot's team skin colour. If \"force "
    "team balance\" is switched off, the bot will "
    "join this team if possible.";

}  // namespace

void TBotLibForm::BuildControls() {
    TitleLabel = AddLabel(this, "TitleLabel", "Bot Library Manager", {250, 2, 319, 32});
    TitleLabel->setFont(ArialFont(26, true, true));
    TitleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette grey = TitleLabel->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    TitleLabel->setPalette(grey);

    CurrLibLabel = AddLabel(this, "CurrLibLabel", "Current library is:", {8, 36, 96, 16});
    CurrLibNameLabel = AddLabel(this, "CurrLibNameLabel", kNoFileLoaded, {106, 36, 463, 16});
    CurrLibNameLabel->setTextFormat(Qt::PlainText);

    BotsListLabel = AddLabel(this, "BotsListLabel", "Bots &List", {8, 56, 200, 14});
    BotsListLines = new BotsListModel(*Bots, this);
    BotsListBox = new QListView(this);
    BotsListBox->setObjectName(QStringLiteral("BotsListBox"));
    BotsListBox->setGeometry(8, 72, 440, 112);
    BotsListBox->setModel(BotsListLines);
    // Every line has the same height, so the view never measures them all.
    BotsListBox->setUniformItemSizes(true);
    BotsListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    BotsListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    BotsListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetHint(BotsListBox, "Click a bot's line to edit it");
    BotsListLabel->setBuddy(BotsListBox);
    // Qt's list views do not look up their label for screen readers.
    BotsListBox->setAccessibleName(Caption("Bots List"));

    NewBtn = AddButton(this, "NewBtn", "New library", {456, 72, 113, 25});
    OpenBtn = AddButton(this, "OpenBtn", "Open...", {456, 101, 113, 25});
    OpenAndAppendBtn = AddButton(this, "OpenAndAppendBtn", "Open && append", {456, 130, 113, 25});
    SaveAsBtn = AddButton(this, "SaveAsBtn", "Save As...", {456, 159, 113, 25});
    SortBtn = AddButton(this, "SortBtn", "Sort by name", {8, 189, 100, 25});
    AddBotBtn = AddButton(this, "AddBotBtn", "New bot", {112, 189, 100, 25});
    DelBotBtn = AddButton(this, "DelBotBtn", "Delete selected", {216, 189, 100, 25});

    CurrentBotGroup = AddGroupBox(this, "CurrentBotGroup", "Current bot", {8, 218, 561, 200});

    BotNameLabel = AddLabel(CurrentBotGroup, "BotNameLabel", "&Name", {10, 22, 36, 16});
    BotNameComboBox = WithHint(AddPickBox(CurrentBotGroup, "BotNameComboBox",
                                          TextLines(BotNamePicks()), {48, 19, 242, 21}),
                               "Set your bot's name, or choose from the defaults built into UT");
    BotNameComboBox->setFont(ArialFont(11, true));
    BotNameLabel->setBuddy(BotNameComboBox);

    AppearanceGroup =
        AddGroupBox(CurrentBotGroup, "AppearanceGroup", "Appearance", {8, 46, 292, 146});
    SetHint(AppearanceGroup, "Set what your bot looks and sounds like");
    // Qt would name a group inside a group by the outer group's title.
    AppearanceGroup->setAccessibleName(AppearanceGroup->title());
    constexpr int kLabelX = 8, kLabelW = 118, kBoxX = 128, kBoxW = 158;
    // Team is the one box that takes no typing: a bot is on a team or on none.
    struct BoxRow {
        QLabel*& label;
        QComboBox*& box;
        const char* labelName;
        const char* caption;
        const char* boxName;
        std::vector<std::string> (*picks)();
        bool typed;
        const char* hint;
    };
    const BoxRow boxes[] = {
        {BotModelLabel, BotModelComboBox, "BotModelLabel", "&Model (package.class)",
         "BotModelComboBox", ModelPicks, true, kHintA},
        {BotSkinLabel, BotSkinComboBox, "BotSkinLabel", "&Skin (package.name)", "BotSkinComboBox",
         SkinPicks, true, kHintA},
        {BotFaceLabel, BotFaceComboBox, "BotFaceLabel", "&Face (package.name)", "BotFaceComboBox",
         FacePicks, true, kHintA},
        {BotTeamLabel, BotTeamComboBox, "BotTeamLabel", "&Team", "BotTeamComboBox", TeamPicks,
         false, kHintB},
        {BotVoiceLabel, BotVoiceComboBox, "BotVoiceLabel", "&Voice (package.name)",
         "BotVoiceComboBox", VoicePicks, true, kHintA},
    };
    int top = 20;
    for (const BoxRow& row : boxes) {
        row.label =
            AddLabel(AppearanceGroup, row.labelName, row.caption, {kLabelX, top, kLabelW, 21});
        const QStringList lines = TextLines(row.picks());
        const QRect at(kBoxX, top, kBoxW, 21);
        row.box = WithHint(row.typed ? AddPickBox(AppearanceGroup, row.boxName, lines, at)
                                     : AddList(AppearanceGroup, row.boxName, lines, at),
                           row.hint);
        row.label->setBuddy(row.box);
        top += 24;
    }

    BehaviourGroup =
        AddGroupBox(CurrentBotGroup, "BehaviourGroup", "Behaviour", {306, 12, 247, 184});
    BehaviourGroup->setAccessibleName(BehaviourGroup->title());
    constexpr int kNameX = 8, kNameW = 94, kSliderX = 104, kSliderW = 135;
    ScaleMinusLabel = AddLabel(BehaviourGroup, "ScaleMinusLabel", "-1", {kSliderX, 16, 20, 13});
    ScaleZeroLabel = AddLabel(BehaviourGroup, "ScaleZeroLabel", "0", {kSliderX, 16, kSliderW, 13});
    ScaleZeroLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ScalePlusLabel =
        AddLabel(BehaviourGroup, "ScalePlusLabel", "+1", {kSliderX + kSliderW - 20, 16, 20, 13});
    ScalePlusLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);

    struct SliderRow {
        QLabel*& label;
        QSlider*& slider;
        const char* labelName;
        const char* caption;
        const char* sliderName;
        int range;
        const char* hint;
    };
    const SliderRow rows[] = {
        {SkillLabel, SkillScrollBar, "SkillLabel", "S&kill adjust", "SkillScrollBar",
         kBotScaleRange, "Further right results in a generally more skilled bot."},
        {AccuracyLabel, AccuracyScrollBar, "AccuracyLabel", "Acc&uracy", "AccuracyScrollBar",
         kBotScaleRange,
         "Further right results in a more accurate bot. Warning: this setting is "
         "sensitive, small "
         "changes can give big results"},
        {AlertnessLabel, AlertnessScrollBar, "AlertnessLabel", "Alertn&ess", "AlertnessScrollBar",
         kBotScaleRange,
         "Further right gives the bot better peripheral vision and faster "
         "reactions"},
        {StrafingLabel, StrafingScrollBar, "StrafingLabel", "Strafing (&dodging)",
         "StrafingScrollBar", kBotScaleRange,
         "Further right makes the bot more inclined to dodge, rather than "
         "standing still and "
         "blasting you"},
        {CampingLabel, CampingScrollBar, "CampingLabel", "&Camping (sniping)", "CampingScrollBar",
         kBotScaleRange,
         "Further right makes the bot more inclined to camp in a good sniper "
         "spot and wait for "
         "you"},
        {CombatStyleLabel, CombatStyleScrollbar, "CombatStyleLabel", "A&ggression",
         "CombatStyleScrollbar", kBotAggressionRange,
         "Sets the bot's Combat Style: further right is more aggressive and "
         "confident"},
    };
    int y = 30;
    for (const SliderRow& row : rows) {
        row.label = AddLabel(BehaviourGroup, row.labelName, row.caption, {kNameX, y, kNameW, 18});
        row.slider =
            WithHint(AddSlider(BehaviourGroup, row.sliderName, row.range,
                               row.range == kBotScaleRange ? 4 : 1, {kSliderX, y, kSliderW, 18}),
                     row.hint);
        row.label->setBuddy(row.slider);
        y += 18;
    }
    SetHint(CombatStyleLabel, "a.k.a. Combat Style");

    FaveWeaponLabel =
        AddLabel(BehaviourGroup, "FaveWeaponLabel", "Favourite &weapon", {kNameX, 140, kNameW, 21});
    FaveWeaponComboBox =
        WithHint(AddPickBox(BehaviourGroup, "FaveWeaponComboBox", TextLines(WeaponPicks()),
                            {kSliderX, 140, kSliderW, 21}),
                 "Leave blank to set no particular favourite.");
    FaveWeaponLabel->setBuddy(FaveWeaponComboBox);
    JumpyCheckBox =
        AddCheckBox(BehaviourGroup, "JumpyCheckBox", "&Jumpy Behaviour", {kNameX, 163, 231, 17});
    SetHint(JumpyCheckBox,
            "Tick this box if you want your bot to jump manically "
            "around the map like some human "
            "players do");

    ImportINIBtn = AddButton(this, "ImportINIBtn", "Import user INI", {246, 424, 105, 25});
    ExportINIBtn = AddButton(this, "ExportINIBtn", "Write to user INI", {356, 424, 105, 25});
    BitBtn1 = AddButton(this, "BitBtn1", "Close window", {466, 424, 103, 25},
                        QStyle::SP_DialogCloseButton);
}

void TBotLibForm::ConnectControls() {
    desktop::Connect(BotsListBox->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                     [this] {
                         if (!listUpdate_) {
                             BotsListBoxClick();
                         }
                     });
    desktop::Connect(NewBtn, &QPushButton::clicked, this, &TBotLibForm::NewBtnClick);
    desktop::Connect(OpenBtn, &QPushButton::clicked, this, &TBotLibForm::OpenBtnClick);
    desktop::Connect(OpenAndAppendBtn, &QPushButton::clicked, this,
                     &TBotLibForm::OpenAndAppendBtnClick);
    desktop::Connect(SaveAsBtn, &QPushButton::clicked, this, &TBotLibForm::SaveAsBtnClick);
    desktop::Connect(SortBtn, &QPushButton::clicked, this, &TBotLibForm::SortBtnClick);
    desktop::Connect(AddBotBtn, &QPushButton::clicked, this, &TBotLibForm::AddBotBtnClick);
    desktop::Connect(DelBotBtn, &QPushButton::clicked, this, &TBotLibForm::DelBotBtnClick);
    desktop::Connect(ImportINIBtn, &QPushButton::clicked, this, &TBotLibForm::ImportINIBtnClick);
    desktop::Connect(ExportINIBtn, &QPushButton::clicked, this, &TBotLibForm::ExportINIBtnClick);
    desktop::Connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    desktop::Connect(BotNameComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::BotNameComboBoxChange);
    desktop::Connect(BotModelComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::BotModelComboBoxChange);
    desktop::Connect(BotSkinComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::BotSkinComboBoxChange);
    desktop::Connect(BotFaceComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::BotFaceComboBoxChange);
    desktop::Connect(BotVoiceComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::BotVoiceComboBoxChange);
    desktop::Connect(FaveWeaponComboBox, &QComboBox::editTextChanged, this,
                     &TBotLibForm::FaveWeaponComboBoxChange);
    desktop::Connect(BotTeamComboBox, &QComboBox::currentIndexChanged, this,
                     &TBotLibForm::BotAttributeChange);
    for (QSlider* slider : {SkillScrollBar, AccuracyScrollBar, AlertnessScrollBar,
                            StrafingScrollBar, CampingScrollBar, CombatStyleScrollbar}) {
        desktop::Connect(slider, &QSlider::valueChanged, this, &TBotLibForm::BotAttributeChange);
    }
    desktop::Connect(JumpyCheckBox, &QCheckBox::toggled, this, &TBotLibForm::BotAttributeChange);
}

}  // namespace keelson
