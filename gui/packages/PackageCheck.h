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

    // The entry of the finding the user chose (double-click, or "Select in
    // list"), once the window has closed that way.
    const std::optional<std::string>& Chosen() const { return chosen_; }

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
    std::optional<std::string> chosen_;
};

// Shows the findings until the window is closed; the entry to select in
// the editor's list, when the user chose one.
std::optional<std::string> ShowPackageCheck(QWidget* parent,
                                            const std::vector<PackageFinding>& findings);

}  // namespace keelson
