#include "gui/app/Versions.h"

#include <QComboBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"
#include "platform/FileSystem.h"
#include "platform/Versions.h"

namespace keelson {

namespace {

constexpr int kNumberRole = Qt::UserRole;

// "2026-12-09 18:20:05" in the user's own time.
QString LocalTime(const std::string& iso) {
    const QDateTime time = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString::fromLatin1(iso);
}

QString SizeText(std::uint64_t size) {
    return QString::number(size) + QStringLiteral(" bytes");
}

std::string& LastLibraryPath() {
    static std::string path;
    return path;
}

}  // namespace

const std::string& LastLibrary() {
    return LastLibraryPath();
}

void SetLastLibrary(std::string path) {
    LastLibraryPath() = std::move(path);
}

TVersionsForm::TVersionsForm(std::vector<VersionedFile> files, QWidget* parent)
    : QDialog(parent), files_(std::move(files)) {
    SetUpWindow(this, "VersionsForm", "Previous versions -- Keelson", TitleButtons::CloseOnly,
                ArialPointFont(8), 600, 440);

    FileBox = AddList(this, "FileBox", {}, {58, 8, 534, 21});
    for (const VersionedFile& file : files_) {
        std::string name(GameFileKindName(file.kind));
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        FileBox->addItem(FromAnsi(name) + QStringLiteral(": ") + FromPath(file.path));
    }
    FileLabel = AddLabel(this, "FileLabel", "&File:", {8, 11, 48, 14}, FileBox);

    VersionsLabel =
        AddLabel(this, "VersionsLabel", "&Versions kept, newest first:", {8, 36, 300, 14});
    VersionList = new QTreeWidget(this);
    VersionList->setObjectName(QStringLiteral("VersionList"));
    VersionList->setGeometry(8, 52, 584, 130);
    VersionList->setRootIsDecorated(false);
    VersionList->setSelectionMode(QAbstractItemView::SingleSelection);
    VersionList->setHeaderLabels(
        {Caption("Number"), Caption("Date"), Caption("Command"), Caption("Size")});
    VersionList->setColumnWidth(0, 60);
    VersionList->setColumnWidth(1, 130);
    VersionList->setColumnWidth(2, 290);
    VersionList->setAccessibleName(Caption("Versions kept"));
    VersionsLabel->setBuddy(VersionList);

    ChangesLabel =
        AddLabel(this, "ChangesLabel",
                 "&Changes from this version to the file as it is now:", {8, 190, 400, 14});
    ChangesView = new QPlainTextEdit(this);
    ChangesView->setObjectName(QStringLiteral("ChangesView"));
    ChangesView->setGeometry(8, 206, 584, 192);
    ChangesView->setReadOnly(true);
    ChangesView->setLineWrapMode(QPlainTextEdit::NoWrap);
    ChangesView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ChangesView->setAccessibleName(Caption("Changes"));
    ChangesLabel->setBuddy(ChangesView);

    RestoreBtn = AddButton(this, "RestoreBtn", "&Restore", {436, 406, 75, 26});
    SetHint(RestoreBtn,
            "Put this version back in place of the file; the file as it is now is "
            "kept as a version in turn");
    CloseBtn = AddButton(this, "CloseBtn", "Close", {517, 406, 75, 26},
                         style()->standardIcon(QStyle::SP_DialogCloseButton));
    // Enter closes, so that no stray key replaces a file.
    CloseBtn->setDefault(true);

    desktop::Connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    desktop::Connect(RestoreBtn, &QPushButton::clicked, this, &TVersionsForm::RestoreBtnClick);
    desktop::Connect(FileBox, &QComboBox::currentIndexChanged, this, &TVersionsForm::FillVersions);
    desktop::Connect(VersionList, &QTreeWidget::currentItemChanged, this,
                     &TVersionsForm::ShowChanges);
    PressOnEscape(this, CloseBtn);
    FillVersions();
    UseWindowKeys(this);
}

const VersionedFile* TVersionsForm::CurrentFile() const {
    const int at = FileBox->currentIndex();
    return at >= 0 && at < static_cast<int>(files_.size()) ? &files_[static_cast<std::size_t>(at)]
                                                           : nullptr;
}

void TVersionsForm::FillVersions() {
    VersionList->clear();
    ChangesView->clear();
    if (const VersionedFile* file = CurrentFile()) {
        for (const platform::VersionEntry& entry : platform::ListVersions(file->path)) {
            auto* item = new QTreeWidgetItem(VersionList);
            if (entry.readable) {
                item->setText(0, QString::number(entry.number));
                item->setText(1, LocalTime(entry.time));
                item->setText(2, FromAnsi(entry.command));
                item->setToolTip(2, FromAnsi(entry.command));
                item->setData(0, kNumberRole, QVariant::fromValue<qulonglong>(entry.number));
            } else {
                item->setText(
                    0, entry.number == 0 ? QStringLiteral("-") : QString::number(entry.number));
                item->setText(1, Caption("unreadable"));
                item->setText(2, FromPath(entry.name));
                item->setDisabled(true);
            }
            item->setText(3, SizeText(entry.size));
        }
    }
    if (VersionList->topLevelItemCount() > 0) {
        VersionList->setCurrentItem(VersionList->topLevelItem(0));
    } else {
        ChangesView->setPlainText(Caption("No earlier versions of this file have been kept."));
    }
    ShowChanges();
}

void TVersionsForm::ShowChanges() {
    QTreeWidgetItem* item = VersionList->currentItem();
    const VersionedFile* file = CurrentFile();
    const bool readable =
        item != nullptr && file != nullptr && item->data(0, kNumberRole).isValid();
    RestoreBtn->setEnabled(readable);
    if (!readable) {
        return;
    }
    const std::uint64_t number = item->data(0, kNumberRole).toULongLong();
    const std::string old = platform::ReadVersion(file->path, number);
    const bool exists = platform::FileExists(file->path);
    const std::string now = exists ? platform::ReadWholeFile(file->path) : std::string();
    std::string oldHolder;
    std::string nowHolder;
    const std::string diff = UnifiedDiff(
        ComparableLines(old, file->kind, oldHolder), ComparableLines(now, file->kind, nowHolder),
        "version " + std::to_string(number), exists ? "the file now" : "the file (missing)");
    ChangesView->setPlainText(diff.empty() ? Caption("The file holds this version as it is.")
                                           : FromAnsi(diff));
}

void TVersionsForm::RestoreBtnClick() {
    QTreeWidgetItem* item = VersionList->currentItem();
    const VersionedFile* file = CurrentFile();
    if (item == nullptr || file == nullptr || !item->data(0, kNumberRole).isValid()) {
        return;
    }
    const std::uint64_t number = item->data(0, kNumberRole).toULongLong();
    const std::string date = ToAnsi(item->text(1));
    if (!desktop::Confirm(this, "Confirm",
                          "Replace " + file->path + " with the version of " + date + "?", "&Yes",
                          "Cancel")) {
        return;
    }
    const std::string content = platform::ReadVersion(file->path, number);
    const platform::GameFile kind =
        file->kind == GameFileKind::Library ? platform::GameFile::Library : platform::GameFile::Ini;
    desktop::RewriteGameFile(this, "Restore version " + std::to_string(number), [&] {
        platform::WriteFileAtomically(file->path, content, platform::CreateFailure::SystemWording,
                                      kind);
    });
    FillVersions();
}

void TVersionsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

std::vector<VersionedFile> FilesWithVersions(const std::string& systemIni,
                                             const std::string& userIni,
                                             const std::string& library) {
    std::vector<VersionedFile> files;
    const VersionedFile all[] = {{GameFileKind::SystemIni, systemIni},
                                 {GameFileKind::UserIni, userIni},
                                 {GameFileKind::Library, library}};
    for (const VersionedFile& file : all) {
        if (!file.path.empty() &&
            (platform::FileExists(file.path) || !platform::ListVersions(file.path).empty())) {
            files.push_back(file);
        }
    }
    return files;
}

void ShowVersions(QWidget* parent, std::vector<VersionedFile> files) {
    TVersionsForm window(std::move(files), parent);
    window.exec();
}

}  // namespace keelson
