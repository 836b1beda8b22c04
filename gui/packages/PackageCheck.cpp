#include "gui/packages/PackageCheck.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "gui/app/Controls.h"
#include "gui/app/Desktop.h"
#include "gui/app/Win1252.h"
#include "gui/app/WindowKeys.h"
#include "gui/app/WindowLook.h"

namespace keelson {

namespace {

constexpr int kEntryRole = Qt::UserRole;

QStyle::StandardPixmap IconOf(FindingSeverity severity) {
    switch (severity) {
        case FindingSeverity::Error:
            return QStyle::SP_MessageBoxCritical;
        case FindingSeverity::Warning:
            return QStyle::SP_MessageBoxWarning;
        case FindingSeverity::Note:
            return QStyle::SP_MessageBoxInformation;
    }
    return QStyle::SP_MessageBoxInformation;
}

// "2 errors, 1 warning, no notes".
std::string Counted(std::size_t count, const char* one) {
    std::string text = count == 0 ? std::string("no ") : std::to_string(count) + " ";
    return text + one + (count == 1 ? "" : "s");
}

std::string Summary(const std::vector<PackageFinding>& findings) {
    if (findings.empty()) {
        return "Nothing found: the server can load every entry of the list.";
    }
    std::size_t counts[3] = {0, 0, 0};
    for (const PackageFinding& finding : findings) {
        ++counts[static_cast<int>(finding.severity)];
    }
    std::string text = Counted(counts[0], "error") + ", " + Counted(counts[1], "warning") + ", " +
                       Counted(counts[2], "note") + ".";
    text += counts[0] > 0 ? " The server will not start with this list as it stands."
                          : " The server can load every entry.";
    return text;
}

}  // namespace

TPackageCheckForm::TPackageCheckForm(const std::vector<PackageFinding>& findings, QWidget* parent)
    : QDialog(parent) {
    SetUpWindow(this, "PackageCheckForm", "Package check -- Keelson Tools", TitleButtons::CloseOnly,
                ArialPointFont(8), 480, 301);

    Label1 = AddPlainLabel(this, "Label1",
                           "&Findings for the list as the editor shows it (it need not be saved):");
    Label1->setGeometry(8, 8, 464, 16);

    FindingsList = new QListWidget(this);
    FindingsList->setObjectName(QStringLiteral("FindingsList"));
    FindingsList->setGeometry(8, 28, 464, 201);
    FindingsList->setSelectionMode(QAbstractItemView::SingleSelection);
    FindingsList->setWordWrap(true);
    Label1->setBuddy(FindingsList);
    FindingsList->setAccessibleName(Caption("Findings"));
    for (const PackageFinding& finding : findings) {
        std::string line = std::string(SeverityText(finding.severity)) + ": ";
        if (!finding.entry.empty()) {
            line += finding.entry + ": ";
        }
        line += finding.message;
        auto* item = new QListWidgetItem(style()->standardIcon(IconOf(finding.severity)),
                                         FromAnsi(line), FindingsList);
        if (finding.index != kWholeFile) {
            item->setData(kEntryRole, QVariant::fromValue<qulonglong>(finding.index));
            item->setToolTip(
                FromAnsi("Double-click to select " + finding.entry + " in the editor's list"));
        }
    }

    SummaryLabel = AddWrappedLabel(this, "SummaryLabel", Summary(findings).c_str(),
                                   {8, 236, 464, 28}, Qt::PlainText);

    SelectBtn = AddButton(this, "SelectBtn", "&Select in list", {296, 268, 95, 25});
    SetHint(SelectBtn, "Select the finding's entry in the editor's list, to remove it there");
    CloseBtn = AddButton(this, "CloseBtn", "Close", {397, 268, 75, 25},
                         style()->standardIcon(QStyle::SP_DialogCloseButton));
    CloseBtn->setDefault(true);

    desktop::Connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    desktop::Connect(SelectBtn, &QPushButton::clicked, this,
                     [this] { Choose(FindingsList->currentItem()); });
    QObject::connect(
        FindingsList, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { desktop::RunGuarded(this, [&] { Choose(item); }); });
    QObject::connect(FindingsList, &QListWidget::currentItemChanged, this,
                     [this] { FollowCurrent(); });
    // Enter on a finding selects its entry, as the button does.
    PressOnEnter(FindingsList, SelectBtn);
    PressOnEscape(this, CloseBtn);
    if (FindingsList->count() > 0) {
        FindingsList->setCurrentRow(0);
    }
    FollowCurrent();
    UseWindowKeys(this);
}

void TPackageCheckForm::FollowCurrent() {
    QListWidgetItem* item = FindingsList->currentItem();
    SelectBtn->setEnabled(item != nullptr && item->data(kEntryRole).isValid());
}

void TPackageCheckForm::Choose(QListWidgetItem* item) {
    if (item == nullptr || !item->data(kEntryRole).isValid()) {
        return;  // a finding about the whole file has no entry to select
    }
    chosen_ = static_cast<std::size_t>(item->data(kEntryRole).toULongLong());
    accept();
}

void TPackageCheckForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

std::optional<std::size_t> ShowPackageCheck(QWidget* parent,
                                            const std::vector<PackageFinding>& findings) {
    TPackageCheckForm window(findings, parent);
    window.exec();
    return window.Chosen();
}

}  // namespace keelson
