#pragma once
// The "Previous versions" window: the versions kept of the system INI, the
// user INI and the library last opened, what each changed against the file
// as it is now, and putting one back. Made anew at each showing.

#include <QDialog>
#include <string>
#include <vector>

#include "core/versions/FileVersions.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace keelson {

// A file whose versions the window offers.
struct VersionedFile {
    GameFileKind kind;
    std::string path;
};

class TVersionsForm : public QDialog {
    Q_OBJECT
  public:
    TVersionsForm(std::vector<VersionedFile> files, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FillVersions();
    void ShowChanges();
    void RestoreBtnClick();
    const VersionedFile* CurrentFile() const;

    std::vector<VersionedFile> files_;
    QLabel* FileLabel;
    QComboBox* FileBox;
    QLabel* VersionsLabel;
    QTreeWidget* VersionList;
    QLabel* ChangesLabel;
    QPlainTextEdit* ChangesView;
    QPushButton* RestoreBtn;
    QPushButton* CloseBtn;
};

// The files of the settings and the library last opened that exist or have
// versions, for the window.
std::vector<VersionedFile> FilesWithVersions(const std::string& systemIni,
                                             const std::string& userIni,
                                             const std::string& library);

// Shows the window until it is closed.
void ShowVersions(QWidget* parent, std::vector<VersionedFile> files);

// The library that the Bot Library Editor opened or saved last this run
// ("" when none); the window offers its versions.
const std::string& LastLibrary();
void SetLastLibrary(std::string path);

}  // namespace keelson
