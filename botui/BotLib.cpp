#include "botui/BotLib.h"

#include <QAbstractListModel>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "app/Desktop.h"
#include "app/KeelsonApplication.h"
#include "app/KeelsonWindows.h"
#include "app/Settings.h"
#include "app/Win1252.h"
#include "app/WindowKeys.h"
#include "app/WindowLook.h"
#include "botui/BotSaveWizard.h"
#include "common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

// The bots list's lines. Line i shows BotDisplayLabel of bot i of the
// roster; labels are made only for the lines on screen, so a library of any
// size opens at once. The number of lines is the list's own: the window
// keeps it equal to the roster's count.
class BotsListModel : public QAbstractListModel {
  public:
    BotsListModel(const TBigKegOBots& roster, QObject* parent)
        : QAbstractListModel(parent), roster_(roster) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : lines_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= roster_.Count()) {
            return {};
        }
        return FromAnsi(BotDisplayLabel(roster_.Bot(index.row())));
    }

    // One line for each bot of the roster (none: the list emptied).
    void SetLines(int count) {
        beginResetModel();
        lines_ = count;
        endResetModel();
    }
    // Lines added or removed around a change of the roster.
    void BeginAppend() { beginInsertRows(QModelIndex(), lines_, lines_); }
    void EndAppend() {
        ++lines_;
        endInsertRows();
    }
    void BeginRemove(int line) { beginRemoveRows(QModelIndex(), line, line); }
    void EndRemove() {
        --lines_;
        endRemoveRows();
    }
    // The line shows its bot anew.
    void LineChanged(int line) {
        QModelIndex at = index(line);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }

  private:
    const TBigKegOBots& roster_;
    int lines_ = 0;
};

namespace {

constexpr const char* kNoFileLoaded = "<no file loaded>";
constexpr const char* kLibraryFilter = "Bot libraries (*.ut_botlib)|*.ut_botlib|All files|*.*";
constexpr const char* kLibraryExt = "ut_botlib";

// The sliders run from -1 to +1: 20 positions a unit (steps of 0.05), and
// 2 for aggression (steps of 0.5).
constexpr double kScaleStep = 0.05;
constexpr int kScaleRange = 20;
constexpr double kAggressionStep = 0.5;
constexpr int kAggressionRange = 2;

constexpr const char* kHintA =
    "It's easier to set this via UT and import the bot. Only use this box if you know how UT "
    "class names work.";
constexpr const char* kHintB =
    "Select your bot's team skin colour. If \"force team balance\" is switched off, the bot will "
    "join this team if possible.";

// Team box lines 0 to 3 are the teams of the same number.
constexpr int kNeutralLine = 4;

const char* const kBotNames[] = {
    "Alarik", "Alys",   "Arachne",  "Archon",   "Aryss",  "Athena",    "Barak",   "Cali",
    "Cilia",  "Cryss",  "Dessloch", "Drimacus", "Icthys", "Illana",    "Jared",   "Kara",
    "Karag",  "Kira",   "Kosak",    "Kragoth",  "Liche",  "Loque",     "Malakai", "Necroth",
    "Nikita", "Raynor", "Rhea",     "Sarena",   "Tamara", "Tamerlane", "Visse",   "Zenith"};

const char* const kModels[] = {
    "Botpack.TMale1Bot",        "Botpack.TMale2Bot",  "Botpack.TFemale1Bot",
    "Botpack.TFemale2Bot",      "Botpack.TBossBot",   "//Bonus Pack",
    "MultiMesh.TSkaarjBot",     "MultiMesh.TNaliBot", "MultiMesh.TCowBot",
    "//Dorvane's bug fixes",    "NaliFix.TNali2Bot",  "CowFix.TCowBotFixed",
    "//A few user-made addons", "6Marine.MarineBot",  "6Rmko.RumikoBot",
    "aQueen.aQueenBot",         "Troop.TroopBot"};

const char* const kSkins[] = {"//Male 1 (Commando)",
                              "CommandoSkins.cmdo",
                              "CommandoSkins.daco",
                              "CommandoSkins.goth",
                              "//Male 2 (Soldier)",
                              "SoldierSkins.sldr",
                              "SoldierSkins.blkt",
                              "SoldierSkins.hkil",
                              "SoldierSkins.gard",
                              "SoldierSkins.RawS",
                              "//Female 1 (Commando)",
                              "FCommandoSkins.cmdo",
                              "FCommandoSkins.daco",
                              "FCommandoSkins.goth",
                              "FCommandoSkins.aphe",
                              "//Female 2 (Soldier)",
                              "SGirlSkins.army",
                              "SGirlSkins.fbth",
                              "SGirlSkins.fwar",
                              "SGirlSkins.garf",
                              "SGirlSkins.venm",
                              "//Skaarj Hybrid",
                              "TSkMSkins.Warr",
                              "TSkMSkins.PitF",
                              "TSkMSkins.MekS",
                              "//Nali",
                              "TNaliMeshSkins.Ouboudah",
                              "TNaliMeshSkins.Priest",
                              "//WarCow",
                              "TCowMeshSkins.WarCow",
                              "TCowMeshSkins.AtomicCow"};

// The face box: each heading with the package and names of its faces.
struct FaceGroup {
    const char* heading;
    const char* package;
    std::initializer_list<const char*> names;
};
const FaceGroup kFaceGroups[] = {
    {"//Male 1 (Commando)",
     "CommandoSkins",
     {"Blake", "Gorn", "Nickolai", "Whitman", "Boris", "Luthor", "Ramirez", "Graves", "Kragoth",
      "Malakai", "Necrotic", "Grail"}},
    {"//Male 2 (Soldier)",
     "SoldierSkins",
     {"Malcolm", "Othello", "Riker", "Drake", "Radkin", "Wraith", "Von", "Arkon", "Bruce",
      "Kregore", "Manwell", "Slain", "Brock", "Harlin", "Johnson", "Rankin", "Matrix", "Tensor",
      "Vector"}},
    // This heading has a blank after its slashes, unlike the skin box's.
    {"// Female 1 (Commando)",
     "FCommandoSkins",
     {"Anna", "Gromida", "Ivana", "Nikita", "Jayce", "Kyla", "Mariana", "Tanya", "Cryss", "Freylis",
      "Malise", "Visse", "Idina", "Portia"}},
    {"//Female 2 (Soldier)",
     "SGirlSkins",
     {"Lauren", "Rylisa", "Sara",  "Shyann", "Isis",    "Risa",  "Tasha",
      "Vixen",  "Athena", "Cilia", "Sarena", "Tara",    "Zanna", "Azure",
      "Aryss",  "Annaka", "Olga",  "Ryanna", "Cathode", "Fury",  "Lilith"}},
    {"//Skaarj Hybrid",
     "TSkMSkins",
     {"Berserker", "Dominator", "Guardian", "Baetal", "Pharoh", "Skrilax", "Firewall",
      "Disconnect"}},
};
constexpr const char* kFaceLastHeading = "//Leave blank for Nali/Cow";

const char* const kVoices[] = {"//Male (UT)",
                               "BotPack.VoiceMaleOne",
                               "BotPack.VoiceMaleTwo",
                               "BotPack.VoiceBoss",
                               "//Female (UT)",
                               "BotPack.VoiceFemaleOne",
                               "BotPack.VoiceFemaleTwo",
                               "//Male (Bonus Pack)",
                               "MultiMesh.SkaarjVoice",
                               "MultiMesh.NaliVoice",
                               "MultiMesh.CowVoice"};

const char* const kWeapons[] = {
    "// no favourite",    "BotPack.ImpactHammer",   "BotPack.Chainsaw",
    "BotPack.Enforcer",   "BotPack.DoubleEnforcer", "BotPack.UT_BioRifle",
    "BotPack.ShockRifle", "BotPack.PulseGun",       "BotPack.Ripper",
    "BotPack.Minigun2",   "BotPack.UT_FlakCannon",  "BotPack.UT_Eightball",
    "BotPack.SniperRifle"};

const char* const kTeams[] = {"Red", "Blue", "Green", "Gold", "[Neutral]"};

template <std::size_t N>
QStringList Lines(const char* const (&texts)[N]) {
    QStringList lines;
    for (const char* text : texts) {
        lines << Caption(text);
    }
    return lines;
}

QStringList FaceLines() {
    QStringList lines;
    for (const FaceGroup& group : kFaceGroups) {
        lines << Caption(group.heading);
        for (const char* name : group.names) {
            lines << Caption(group.package) + QLatin1Char('.') + Caption(name);
        }
    }
    lines << Caption(kFaceLastHeading) << QString();
    return lines;
}

// A hint is the control's tool tip, and what a screen reader says of it.
void SetHint(QWidget* control, const char* hint) {
    control->setToolTip(Caption(hint));
    control->setAccessibleDescription(Caption(hint));
}

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, int x, int y,
                       int width) {
    auto* button = new QPushButton(Caption(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, width, 25);
    // Enter in a box never runs a command such as "New library".
    button->setAutoDefault(false);
    return button;
}

QLabel* AddLabel(QWidget* parent, const char* name, const char* text, int x, int y, int width,
                 int height) {
    auto* label = new QLabel(Caption(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, width, height);
    return label;
}

// An editable box with a fixed pick list. What the user types is what the
// bot gets: no completion, and Enter adds nothing to the list.
QComboBox* AddPickBox(QWidget* parent, const char* name, const QStringList& lines, int x, int y,
                      int width, const char* hint) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->addItems(lines);
    box->setMaxVisibleItems(16);
    box->setGeometry(x, y, width, 21);
    SetHint(box, hint);
    box->setCurrentIndex(-1);
    return box;
}

QSlider* AddSlider(QWidget* parent, const char* name, int range, int x, int y, int width,
                   const char* hint) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(-range, range);
    slider->setSingleStep(1);
    slider->setPageStep(range == kScaleRange ? 4 : 1);
    slider->setGeometry(x, y, width, 18);
    SetHint(slider, hint);
    return slider;
}

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

// Raises the editing lock for a scope and puts back what it was.
class EditingLock {
  public:
    explicit EditingLock(int& lock) : lock_(lock), previous_(lock) { lock_ = 1; }
    ~EditingLock() { lock_ = previous_; }
    EditingLock(const EditingLock&) = delete;
    EditingLock& operator=(const EditingLock&) = delete;

  private:
    int& lock_;
    int previous_;
};

class Flag {
  public:
    explicit Flag(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~Flag() { flag_ = previous_; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

  private:
    bool& flag_;
    bool previous_;
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
    : QDialog(parent), windows_(windows) {
    setObjectName(QStringLiteral("BotLibForm"));
    setWindowTitle(Caption("Bot Library Manager -- Keelson Tools"));
    SetTitleButtons(this, TitleButtons::CloseOnly);
    setFont(ArialFont(11));
    FixClientSize(this, 577, 453);
    BuildControls();
    ConnectControls();
    FormCreate();
    UseWindowKeys(this);
}

TBotLibForm::~TBotLibForm() = default;

void TBotLibForm::BuildControls() {
    TitleLabel = AddLabel(this, "TitleLabel", "Bot Library Manager", 250, 2, 319, 32);
    TitleLabel->setFont(ArialFont(26, true, true));
    TitleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette grey = TitleLabel->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    TitleLabel->setPalette(grey);

    CurrLibLabel = AddLabel(this, "CurrLibLabel", "Current library is:", 8, 36, 96, 16);
    CurrLibNameLabel = AddLabel(this, "CurrLibNameLabel", kNoFileLoaded, 106, 36, 463, 16);
    CurrLibNameLabel->setTextFormat(Qt::PlainText);

    BotsListLabel = AddLabel(this, "BotsListLabel", "Bots &List", 8, 56, 200, 14);
    Bots = std::make_unique<TBigKegOBots>();
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

    NewBtn = AddButton(this, "NewBtn", "New library", 456, 72, 113);
    OpenBtn = AddButton(this, "OpenBtn", "Open...", 456, 101, 113);
    OpenAndAppendBtn = AddButton(this, "OpenAndAppendBtn", "Open && append", 456, 130, 113);
    SaveAsBtn = AddButton(this, "SaveAsBtn", "Save As...", 456, 159, 113);
    SortBtn = AddButton(this, "SortBtn", "Sort by name", 8, 189, 100);
    AddBotBtn = AddButton(this, "AddBotBtn", "New bot", 112, 189, 100);
    DelBotBtn = AddButton(this, "DelBotBtn", "Delete selected", 216, 189, 100);

    CurrentBotGroup = new QGroupBox(Caption("Current bot"), this);
    CurrentBotGroup->setObjectName(QStringLiteral("CurrentBotGroup"));
    CurrentBotGroup->setGeometry(8, 218, 561, 200);

    BotNameLabel = AddLabel(CurrentBotGroup, "BotNameLabel", "&Name", 10, 22, 36, 16);
    BotNameComboBox = AddPickBox(CurrentBotGroup, "BotNameComboBox", Lines(kBotNames), 48, 19, 242,
                                 "Set your bot's name, or choose from the defaults built into UT");
    BotNameComboBox->setFont(ArialFont(11, true));
    BotNameLabel->setBuddy(BotNameComboBox);

    AppearanceGroup = new QGroupBox(Caption("Appearance"), CurrentBotGroup);
    AppearanceGroup->setObjectName(QStringLiteral("AppearanceGroup"));
    AppearanceGroup->setGeometry(8, 46, 292, 146);
    SetHint(AppearanceGroup, "Set what your bot looks and sounds like");
    // Qt would name a group inside a group by the outer group's title.
    AppearanceGroup->setAccessibleName(AppearanceGroup->title());
    constexpr int kLabelX = 8, kLabelW = 118, kBoxX = 128, kBoxW = 158;
    BotModelLabel = AddLabel(AppearanceGroup, "BotModelLabel", "&Model (package.class)", kLabelX,
                             20, kLabelW, 21);
    BotModelComboBox =
        AddPickBox(AppearanceGroup, "BotModelComboBox", Lines(kModels), kBoxX, 20, kBoxW, kHintA);
    BotSkinLabel =
        AddLabel(AppearanceGroup, "BotSkinLabel", "&Skin (package.name)", kLabelX, 44, kLabelW, 21);
    BotSkinComboBox =
        AddPickBox(AppearanceGroup, "BotSkinComboBox", Lines(kSkins), kBoxX, 44, kBoxW, kHintA);
    BotFaceLabel =
        AddLabel(AppearanceGroup, "BotFaceLabel", "&Face (package.name)", kLabelX, 68, kLabelW, 21);
    BotFaceComboBox =
        AddPickBox(AppearanceGroup, "BotFaceComboBox", FaceLines(), kBoxX, 68, kBoxW, kHintA);
    BotTeamLabel = AddLabel(AppearanceGroup, "BotTeamLabel", "&Team", kLabelX, 92, kLabelW, 21);
    BotTeamComboBox = new QComboBox(AppearanceGroup);
    BotTeamComboBox->setObjectName(QStringLiteral("BotTeamComboBox"));
    BotTeamComboBox->addItems(Lines(kTeams));
    BotTeamComboBox->setGeometry(kBoxX, 92, kBoxW, 21);
    SetHint(BotTeamComboBox, kHintB);
    BotVoiceLabel = AddLabel(AppearanceGroup, "BotVoiceLabel", "&Voice (package.name)", kLabelX,
                             116, kLabelW, 21);
    BotVoiceComboBox =
        AddPickBox(AppearanceGroup, "BotVoiceComboBox", Lines(kVoices), kBoxX, 116, kBoxW, kHintA);
    BotModelLabel->setBuddy(BotModelComboBox);
    BotSkinLabel->setBuddy(BotSkinComboBox);
    BotFaceLabel->setBuddy(BotFaceComboBox);
    BotTeamLabel->setBuddy(BotTeamComboBox);
    BotVoiceLabel->setBuddy(BotVoiceComboBox);

    BehaviourGroup = new QGroupBox(Caption("Behaviour"), CurrentBotGroup);
    BehaviourGroup->setObjectName(QStringLiteral("BehaviourGroup"));
    BehaviourGroup->setGeometry(306, 12, 247, 184);
    BehaviourGroup->setAccessibleName(BehaviourGroup->title());
    constexpr int kNameX = 8, kNameW = 94, kSliderX = 104, kSliderW = 135;
    ScaleMinusLabel = AddLabel(BehaviourGroup, "ScaleMinusLabel", "-1", kSliderX, 16, 20, 13);
    ScaleZeroLabel = AddLabel(BehaviourGroup, "ScaleZeroLabel", "0", kSliderX, 16, kSliderW, 13);
    ScaleZeroLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ScalePlusLabel =
        AddLabel(BehaviourGroup, "ScalePlusLabel", "+1", kSliderX + kSliderW - 20, 16, 20, 13);
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
        {SkillLabel, SkillScrollBar, "SkillLabel", "S&kill adjust", "SkillScrollBar", kScaleRange,
         "Further right results in a generally more skilled bot."},
        {AccuracyLabel, AccuracyScrollBar, "AccuracyLabel", "Acc&uracy", "AccuracyScrollBar",
         kScaleRange,
         "Further right results in a more accurate bot. Warning: this setting is sensitive, small "
         "changes can give big results"},
        {AlertnessLabel, AlertnessScrollBar, "AlertnessLabel", "Alertn&ess", "AlertnessScrollBar",
         kScaleRange, "Further right gives the bot better peripheral vision and faster reactions"},
        {StrafingLabel, StrafingScrollBar, "StrafingLabel", "Strafing (&dodging)",
         "StrafingScrollBar", kScaleRange,
         "Further right makes the bot more inclined to dodge, rather than standing still and "
         "blasting you"},
        {CampingLabel, CampingScrollBar, "CampingLabel", "&Camping (sniping)", "CampingScrollBar",
         kScaleRange,
         "Further right makes the bot more inclined to camp in a good sniper spot and wait for "
         "you"},
        {CombatStyleLabel, CombatStyleScrollbar, "CombatStyleLabel", "A&ggression",
         "CombatStyleScrollbar", kAggressionRange,
         "Sets the bot's Combat Style: further right is more aggressive and confident"},
    };
    int y = 30;
    for (const SliderRow& row : rows) {
        row.label = AddLabel(BehaviourGroup, row.labelName, row.caption, kNameX, y, kNameW, 18);
        row.slider =
            AddSlider(BehaviourGroup, row.sliderName, row.range, kSliderX, y, kSliderW, row.hint);
        row.label->setBuddy(row.slider);
        y += 18;
    }
    SetHint(CombatStyleLabel, "a.k.a. Combat Style");

    FaveWeaponLabel =
        AddLabel(BehaviourGroup, "FaveWeaponLabel", "Favourite &weapon", kNameX, 140, kNameW, 21);
    FaveWeaponComboBox = AddPickBox(BehaviourGroup, "FaveWeaponComboBox", Lines(kWeapons), kSliderX,
                                    140, kSliderW, "Leave blank to set no particular favourite.");
    FaveWeaponLabel->setBuddy(FaveWeaponComboBox);
    JumpyCheckBox = new QCheckBox(Caption("&Jumpy Behaviour"), BehaviourGroup);
    JumpyCheckBox->setObjectName(QStringLiteral("JumpyCheckBox"));
    JumpyCheckBox->setGeometry(kNameX, 163, 231, 17);
    SetHint(JumpyCheckBox,
            "Tick this box if you want your bot to jump manically around the map like some human "
            "players do");

    ImportINIBtn = AddButton(this, "ImportINIBtn", "Import user INI", 246, 424, 105);
    ExportINIBtn = AddButton(this, "ExportINIBtn", "Write to user INI", 356, 424, 105);
    BitBtn1 = AddButton(this, "BitBtn1", "Close window", 466, 424, 103);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
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

void TBotLibForm::FormCreate() {
    NewBtnClick();
}

int TBotLibForm::SelectedLine() const {
    const QModelIndexList selected = BotsListBox->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void TBotLibForm::SelectLine(int line) {
    Flag updating(listUpdate_);
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
    EditingLock lock(editingLock_);
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
    SkillScrollBar->setValue(SliderPosition(bot.Skill, kScaleRange));
    AccuracyScrollBar->setValue(SliderPosition(bot.Accuracy, kScaleRange));
    CombatStyleScrollbar->setValue(SliderPosition(bot.CombatStyle, kAggressionRange));
    AlertnessScrollBar->setValue(SliderPosition(bot.Alertness, kScaleRange));
    StrafingScrollBar->setValue(SliderPosition(bot.StrafingAbility, kScaleRange));
    CampingScrollBar->setValue(SliderPosition(bot.Camping, kScaleRange));
}

void TBotLibForm::BotAttributeChange() {
    const int line = SelectedLine();
    if (editingLock_ == 1 || BotsListLines->rowCount() == 0 || line < 0) {
        return;
    }
    EditingLock lock(editingLock_);
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
        EditingLock lock(editingLock_);
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
        EditingLock lock(editingLock_);
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
        Flag updating(listUpdate_);
        BotsListLines->SetLines(Bots->Count());
    }
    SelectLine(0);
    BotsListBoxClick();
}

void TBotLibForm::RefillList() {
    Flag updating(listUpdate_);
    BotsListLines->SetLines(Bots->Count());
}

void TBotLibForm::AddBotBtnClick() {
    {
        Flag updating(listUpdate_);
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
        Flag updating(listUpdate_);
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
        Flag updating(listUpdate_);
        BotsListLines->SetLines(0);
    }
    Bots->ClearBots();
    CurrLibNameLabel->setText(Caption(kNoFileLoaded));
    BotsListBoxClick();
}

std::string TBotLibForm::ShowOpenDialog(bool& chosen) {
    std::optional<std::string> path =
        desktop::OpenFile(this, {"Open bot library file", "", kLibraryFilter, kLibraryExt, ""});
    chosen = path.has_value();
    return path.value_or(std::string());
}

void TBotLibForm::OpenBtnClick() {
    OpenLibrary(false);
}

void TBotLibForm::OpenAndAppendBtnClick() {
    OpenLibrary(true);
}

void TBotLibForm::OpenLibrary(bool append) {
    bool chosen = false;
    const std::string path = ShowOpenDialog(chosen);
    if (!chosen) {
        return;
    }
    {
        Flag updating(listUpdate_);
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
        CurrLibNameLabel->setText(FromPath(path));
    }
}

void TBotLibForm::SaveAsBtnClick() {
    std::optional<std::string> path =
        desktop::SaveFile(this, {"Save bot library file", "", kLibraryFilter, kLibraryExt, ""});
    if (!path) {
        return;
    }
    Bots->SaveToFile(*path);
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

void TBotLibForm::keyPressEvent(QKeyEvent* event) {
    // Esc is "Close window", which ends with the OK result.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtn1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace keelson
