#include "gui/packages/SvPack.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <optional>
#include <vector>

#include "core/packages/PackageCheck.h"
#include "core/packages/SvPackFiles.h"
#include "core/settings/Settings.h"
#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "gui/packages/PackageCheck.h"
#include "gui/packages/YouDontHaveMod.h"
#include "platform/FileSystem.h"

namespace keelson {

const char* const kModFilter = "UT mods and models (*.u)|*.u";
const char* const kSkinFilter = "UT skins (*skins*.utx)|*skins*.utx|All UT textures|*.utx";
const char* const kSoundFilter = "UT voice packages (*.u, *.uax)|*.u;*.uax";
const char* const kPresetFilter = "UT serverpackages presets (*.ut_pre)|*.ut_pre";

PackageListModel::PackageListModel(PackageList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {
    shown_.reserve(static_cast<qsizetype>(list_.Size()));
    for (const std::string& entry : list_) {
        shown_.push_back(FromAnsi(entry));
    }
    list_.SetChangeListener([this](const PackageListChange& change) { Follow(change); });
}

PackageListModel::~PackageListModel() = default;

int PackageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant PackageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_.size()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return shown_[index.row()];
    }
    return {};
}

void PackageListModel::Follow(const PackageListChange& change) {
    const auto shownCount = static_cast<std::size_t>(shown_.size());
    if (change.kind == PackageListChange::Kind::Appended && change.first == shownCount &&
        change.count > 0 && change.first + change.count == list_.Size()) {
        beginInsertRows(QModelIndex(), static_cast<int>(change.first),
                        static_cast<int>(change.first + change.count - 1));
        shown_.reserve(static_cast<qsizetype>(list_.Size()));
        for (std::size_t i = change.first; i < list_.Size(); ++i) {
            shown_.push_back(FromAnsi(list_[i]));
        }
        endInsertRows();
        return;
    }
    if (change.kind == PackageListChange::Kind::Removed && !change.removed.empty() &&
        change.removed.back() < shownCount && shownCount - change.removed.size() == list_.Size()) {
        RemoveRows(change.removed);
        return;
    }
    // A change that does not fit what is shown: show the list afresh.
    beginResetModel();
    shown_.clear();
    for (const std::string& entry : list_) {
        shown_.push_back(FromAnsi(entry));
    }
    endResetModel();
}

void PackageListModel::RemoveRows(const std::vector<std::size_t>& removed) {
    const std::size_t first = removed.front();
    const std::size_t last = removed.back();
    if (last - first + 1 == removed.size()) {
        beginRemoveRows(QModelIndex(), static_cast<int>(first), static_cast<int>(last));
        shown_.remove(static_cast<qsizetype>(first), static_cast<qsizetype>(removed.size()));
        endRemoveRows();
        return;
    }
    // Scattered rows go in one layout change: the view lays itself out once,
    // and the entries that stay keep their selection.
    emit layoutAboutToBeChanged();
    std::vector<int> newRow(static_cast<std::size_t>(shown_.size()), -1);
    QStringList kept;
    kept.reserve(shown_.size() - static_cast<qsizetype>(removed.size()));
    std::size_t next = 0;
    for (qsizetype i = 0; i < shown_.size(); ++i) {
        if (next < removed.size() && removed[next] == static_cast<std::size_t>(i)) {
            ++next;
            continue;
        }
        newRow[static_cast<std::size_t>(i)] = static_cast<int>(kept.size());
        kept.push_back(std::move(shown_[i]));
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const int row = newRow[static_cast<std::size_t>(index.row())];
        to.push_back(row < 0 ? QModelIndex() : createIndex(row, 0));
    }
    shown_ = std::move(kept);
    changePersistentIndexList(from, to);
    emit layoutChanged();
}

namespace {

// The system INI's path, or nothing when it is not there (which the user
// has been told).
std::optional<std::string> FoundSystemIni(QWidget* window) {
    std::string path = GetSystemIniPath();
    if (!desktop::GameFileFound(window, path)) {
        return std::nullopt;
    }
    return path;
}

std::string InFolder(const std::string& folder, const char* name) {
    return folder + platform::kPathSeparator + name;
}

}  // namespace

TSvPackForm::TSvPackForm(QWidget* parent) : LazyDialog(parent) {
    SetUpWindow(this, "SvPackForm", "Server Packages Editor -- Keelson Tools",
                TitleButtons::CloseOnly, ArialPointFont(8), 583, 375);
}

void TSvPackForm::MakeControls() {
    Label1 = AddPlainLabel(this, "Label1", "Server Packages Editor");
    QFont heading = ArialPointFont(24);
    heading.setBold(true);
    heading.setItalic(true);
    Label1->setFont(heading);
    Label1->setGeometry(208, 0, 369, 36);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setEnabled(false);  // drawn greyed

    Label4 = AddPlainLabel(this, "Label4",
                           "The ServerPackages list tells the UT server which "
                           "files it is allowed to access.");
    Label4->setGeometry(8, 32, 409, 17);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3 =
        AddWrappedLabel(this, "Label3",
                        "It's important not to have too many entries (users of the server have "
                        "to download any "
                        "they don't have) or too few (mutators, mods, skins, models and "
                        "voicepacks without a "
                        "ServerPackages entry will only work in single player).",
                        {8, 48, 575, 33}, Qt::PlainText);  // ends at the window's right edge
    Label5 = AddWrappedLabel(this, "Label5",
                             "Please note that maps and their associated "
                             "resources (music, ambient sounds, textures) "
                             "do not need to be in this list, as they are "
                             "automatically loaded anyway.",
                             {8, 80, 545, 33}, Qt::PlainText);

    Label2 = AddFittedLabel(this, "Label2", "Packages available to the server", {8, 112});
    QFont italic = font();
    italic.setItalic(true);
    Label2->setFont(italic);
    Label2->adjustSize();

    PackList = new QListView(this);
    PackList->setObjectName(QStringLiteral("PackList"));
    PackList->setGeometry(0, 128, 177, 209);
    PackList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    PackList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PackList->setUniformItemSizes(true);
    PackList->setLayoutMode(QListView::Batched);
    PackList->setBatchSize(1000);
    PackList->setToolTip(
        Caption("Click to select a package, drag or Ctrl+click "
                "to select multiple packages, "
                "press the button below to remove them"));
    PackListModel = new PackageListModel(packages_, this);
    PackList->setModel(PackListModel);
    Label2->setBuddy(PackList);
    // Screen readers name other controls by their buddy label and describe
    // them by their hint, but a list view only by its own accessible texts.
    PackList->setAccessibleName(Label2->text());
    PackList->setAccessibleDescription(PackList->toolTip());

    RemSelBtn = AddButton(this, "RemSelBtn", "Remove selected package(s)", {0, 344, 177, 25},
                          QStyle::SP_DialogDiscardButton);

    GroupBox1 = AddGroupBox(this, "GroupBox1", "Filtering", {184, 232, 393, 105});
    RemNonExistBtn =
        AddButton(GroupBox1, "RemNonExistBtn", "Remove packages where the file doesn't exist",
                  {16, 16, 361, 25}, QStyle::SP_FileDialogDetailedView);
    GroupBox2 = AddGroupBox(GroupBox1, "GroupBox2",
                            "Remove all packages where the package name:", {16, 48, 361, 49});
    TextFilterMethodComboBox =
        AddList(GroupBox2, "TextFilterMethodComboBox",
                TextLines({kTextFilterMethodCaptions.begin(), kTextFilterMethodCaptions.end()}),
                {8, 16, 97, 21});
    TextFilterEdit = AddEdit(GroupBox2, "TextFilterEdit", {112, 16, 161, 21});
    // The edit has no label of its own; the drop-down list is read by the
    // method it shows.
    TextFilterEdit->setAccessibleName(Caption("Filter text"));
    TextFilterBtn = AddButton(GroupBox2, "TextFilterBtn", "Remove", {280, 16, 75, 25});
    PressOnEnter(GroupBox2, TextFilterBtn);

    GroupBox3 = AddGroupBox(this, "GroupBox3", "Manual add", {384, 112, 193, 113});
    AddModBtn = AddButton(GroupBox3, "AddModBtn", "Add mod, mutator, model (*.u)", {8, 16, 177, 25},
                          QStyle::SP_FileIcon);
    AddSkinBtn = AddButton(GroupBox3, "AddSkinBtn", "       Add skin (*skin*.utx)        ",
                           {8, 48, 177, 25}, QStyle::SP_FileIcon);
    AddSkinBtn->setToolTip(
        Caption("This filter will find most skins, but you "
                "may have to change the filter to *.utx for "
                "some"));
    AddSoundBtn = AddButton(GroupBox3, "AddSoundBtn", " Add voicepack (*.u, *.uax)  ",
                            {8, 80, 177, 25}, QStyle::SP_MediaVolume);
    AddSoundBtn->setToolTip(Caption("Some voicepacks need both a *.u file and a *.uax file"));

    GroupBox4 = AddGroupBox(this, "GroupBox4", "Add presets", {184, 112, 193, 113});
    AddUTPkgsBtn = AddButton(GroupBox4, "AddUTPkgsBtn", "UT (v420) standard packages",
                             {8, 16, 177, 25}, QStyle::SP_ComputerIcon);
    AddUTPkgsBtn->setToolTip(
        Caption("If you don't include these packages your server probably won't work"));
    AddBonusPackBtn = AddButton(GroupBox4, "AddBonusPackBtn", "    Epic Bonus Pack (v100)     ",
                                {8, 48, 177, 25}, QStyle::SP_DriveCDIcon);
    AddBonusPackBtn->setToolTip(
        Caption("Add all the packages required for Bonus Pack models and Relics"));
    AddOtherBtn = AddButton(GroupBox4, "AddOtherBtn", "           Other presets...          ",
                            {8, 80, 177, 25}, QStyle::SP_DirOpenIcon);
    AddOtherBtn->setToolTip(Caption("Add all the required packages for a mod at once"));

    CheckBtn = AddButton(this, "CheckBtn", "Check...", {184, 344, 73, 25});
    SetHint(CheckBtn, "Find the entries that will stop the server or its clients");
    LoadBtn = AddButton(this, "LoadBtn", "Load from INI", {264, 344, 97, 25},
                        QStyle::SP_DialogOpenButton);
    SaveBtn =
        AddButton(this, "SaveBtn", "Save to INI", {368, 344, 97, 25}, QStyle::SP_DialogSaveButton);
    OKBtn =
        AddButton(this, "OKBtn", "Close window", {472, 344, 105, 25}, QStyle::SP_DialogCloseButton);

    // Focus goes down the list's column, through the filtering tools, the
    // manual and the preset add buttons and along the bottom row.
    QWidget* order[] = {PackList,       RemSelBtn,     RemNonExistBtn,  TextFilterMethodComboBox,
                        TextFilterEdit, TextFilterBtn, AddModBtn,       AddSkinBtn,
                        AddSoundBtn,    AddUTPkgsBtn,  AddBonusPackBtn, AddOtherBtn,
                        CheckBtn,       LoadBtn,       SaveBtn,         OKBtn};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    PresetOpenDialog.title = "Load preset";
    PresetOpenDialog.filter = kPresetFilter;
    FileOpenDialog.title = "Select file to add";

    desktop::Connect(RemSelBtn, &QPushButton::clicked, this, &TSvPackForm::RemSelBtnClick);
    desktop::Connect(RemNonExistBtn, &QPushButton::clicked, this,
                     &TSvPackForm::RemNonExistBtnClick);
    desktop::Connect(TextFilterBtn, &QPushButton::clicked, this, &TSvPackForm::TextFilterBtnClick);
    desktop::Connect(AddModBtn, &QPushButton::clicked, this, &TSvPackForm::AddModBtnClick);
    desktop::Connect(AddSkinBtn, &QPushButton::clicked, this, &TSvPackForm::AddSkinBtnClick);
    desktop::Connect(AddSoundBtn, &QPushButton::clicked, this, &TSvPackForm::AddSoundBtnClick);
    desktop::Connect(AddUTPkgsBtn, &QPushButton::clicked, this, &TSvPackForm::AddUTPkgsBtnClick);
    desktop::Connect(AddBonusPackBtn, &QPushButton::clicked, this,
                     &TSvPackForm::AddBonusPackBtnClick);
    desktop::Connect(AddOtherBtn, &QPushButton::clicked, this, &TSvPackForm::AddOtherBtnClick);
    desktop::Connect(CheckBtn, &QPushButton::clicked, this, &TSvPackForm::CheckBtnClick);
    desktop::Connect(LoadBtn, &QPushButton::clicked, this, &TSvPackForm::LoadBtnClick);
    desktop::Connect(SaveBtn, &QPushButton::clicked, this, &TSvPackForm::SaveBtnClick);
    desktop::Connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    // Escape presses "Close window", the window's cancel button.
    PressOnEscape(this, OKBtn);
    FormCreate();
    UseWindowKeys(this);
}

TSvPackForm::~TSvPackForm() {
    // The model follows the list, which goes before the window's children.
    packages_.SetChangeListener({});
    if (PackList != nullptr) {
        PackList->setModel(nullptr);
        delete PackListModel;
    }
}

void TSvPackForm::FormCreate() {
    TextFilterMethodComboBox->setCurrentIndex(0);
}

void TSvPackForm::AddPack(const std::string& name) {
    keelson::AddPack(packages_, name);
}

void TSvPackForm::AddPackFile(const std::string& filePath) {
    keelson::AddPackFile(packages_, filePath);
}

void TSvPackForm::RemSelBtnClick() {
    std::vector<std::size_t> rows;
    for (const QItemSelectionRange& range : PackList->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.push_back(static_cast<std::size_t>(row));
        }
    }
    RemoveSelected(packages_, rows);
}

void TSvPackForm::RemNonExistBtnClick() {
    if (const std::optional<std::string> systemIni = FoundSystemIni(this)) {
        RemoveMissingPackages(packages_, *systemIni);
    }
}

void TSvPackForm::TextFilterBtnClick() {
    RemoveByTextFilter(packages_, TextFilterMethodAt(TextFilterMethodComboBox->currentIndex()),
                       ToAnsi(TextFilterEdit->text()));
}

void TSvPackForm::BrowseAndAdd(const std::string& folder, const std::string& filter) {
    FileOpenDialog.initialFolder = folder;
    FileOpenDialog.filter = filter;
    if (std::optional<std::string> path = desktop::OpenFile(this, FileOpenDialog)) {
        AddPackFile(*path);
    }
}

void TSvPackForm::AddModBtnClick() {
    BrowseAndAdd(InFolder(GetGameFolder(), "System"), kModFilter);
}

void TSvPackForm::AddSkinBtnClick() {
    BrowseAndAdd(InFolder(GetGameFolder(), "Textures"), kSkinFilter);
}

void TSvPackForm::AddSoundBtnClick() {
    BrowseAndAdd(InFolder(GetGameFolder(), "System"), kSoundFilter);
}

void TSvPackForm::AddUTPkgsBtnClick() {
    AddUTStandardPackages(packages_);
}

void TSvPackForm::AddBonusPackBtnClick() {
    AddEpicBonusPackPackages(packages_);
}

void TSvPackForm::AddOtherBtnClick() {
    PresetOpenDialog.initialFolder = GetPresetsFolder();
    std::optional<std::string> path = desktop::OpenFile(this, PresetOpenDialog);
    if (!path) {
        return;
    }
    const PresetResult result = LoadPreset(packages_, *path, [] { return GetSystemIniPath(); });
    switch (result.kind) {
        case PresetResult::Kind::InvalidPreset:
            desktop::ShowMessage(this, result.message);
            break;
        case PresetResult::Kind::MissingModification:
            Notice()->ShowMissingModification(result.presetFileName, result.modificationName,
                                              result.website);
            break;
        case PresetResult::Kind::NothingDone:
        case PresetResult::Kind::Added:
            break;
    }
}

void TSvPackForm::CheckBtnClick() {
    const std::optional<std::string> systemIni = FoundSystemIni(this);
    if (!systemIni) {
        return;
    }
    const PackageCheckResult result = CheckPackages(packages_.Entries(), *systemIni);
    // The window is modal: the list cannot change while it is up, so the
    // places it answers are the list's.
    if (const std::optional<std::size_t> row = ShowPackageCheck(this, result.findings)) {
        SelectRow(*row);
    }
}

void TSvPackForm::SelectRow(std::size_t row) {
    if (row >= packages_.Size()) {
        return;
    }
    const QModelIndex index = PackListModel->index(static_cast<int>(row));
    PackList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    PackList->scrollTo(index);
    PackList->setFocus();
}

void TSvPackForm::LoadBtnClick() {
    if (const std::optional<std::string> systemIni = FoundSystemIni(this)) {
        ReadServerPackages(packages_, *systemIni);
    }
}

void TSvPackForm::SaveBtnClick() {
    const std::optional<std::string> systemIni = FoundSystemIni(this);
    if (!systemIni) {
        return;
    }
    std::optional<ContentProblem> problem;
    desktop::RewriteGameFile(this, "Save to INI (Server Packages Editor)",
                             [&] { problem = WriteServerPackages(packages_, *systemIni); });
    if (problem) {
        for (const std::string& text : problem->texts) {
            desktop::ShowMessage(this, text);
        }
    }
}

TYouDontHaveModForm* TSvPackForm::Notice() {
    if (!notice_) {
        ownNotice_ = std::make_unique<TYouDontHaveModForm>();
        notice_ = ownNotice_.get();
    }
    return notice_;
}

void TSvPackForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace keelson
