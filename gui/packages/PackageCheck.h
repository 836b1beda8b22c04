#pragma once
// The package check window: what would stop the server or its clients, for
// the list as the Server Packages Editor shows it. Made anew at each
// showing, it keeps nothing between them; choosing a finding hands its
// entry back to the editor, which selects it.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "core/packages/PackageCheck.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace keelson {

class TPackageCheckForm : public QDialog {
    Q_OBJECT
  public:
    TPackageCheckForm(const std::vector<PackageFinding>& findings, QWidget* parent = nullptr);

    // The place in the list of the entry of the finding the user chose
    // (double-click, Enter or "Select in list"), once the window has closed
    // that way.
    const std::optional<std::size_t>& Chosen() const { return chosen_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Choose(QListWidgetItem* item);
    void FollowCurrent();

    QLabel* Label1;
    QListWidget* FindingsList;
    QLabel* SummaryLabel;
    QPushButton* SelectBtn;
    QPushButton* CloseBtn;
    std::optional<std::size_t> chosen_;
};

// Shows the findings until the window is closed; the place in the editor's
// list of the entry to select, when the user chose one.
std::optional<std::size_t> ShowPackageCheck(QWidget* parent,
                                            const std::vector<PackageFinding>& findings);

}  // namespace keelson
