#pragma once
// The Server Packages Editor: the list of packages that the game server may
// send to clients, loaded from and saved to the system INI, with the fixed
// groups, presets, package files, the text filter and the removal of
// packages whose file cannot be found. The list itself and every rule live
// in PackageListRules and SvPackFiles; this window shows the list and
// routes its buttons there.

#include <QAbstractListModel>
#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>

#include "core/packages/PackageListRules.h"
#include "gui/app/Desktop.h"
#include "gui/app/LazyDialog.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace keelson {

class TYouDontHaveModForm;

// Shows a PackageList in a list view and follows its changes: appended
// entries arrive as one insertion, removed entries as one removal (or, when
// they are scattered, one layout change that keeps the selection of the
// entries that stay), so that a list of thousands of packages is never
// repainted entry by entry.
class PackageListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit PackageListModel(PackageList& list, QObject* parent = nullptr);
    ~PackageListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    void Follow(const PackageListChange& change);
    void RemoveRows(const std::vector<std::size_t>& removed);

    PackageList& list_;
    QStringList shown_;
};

class TSvPackForm : public LazyDialog {
    Q_OBJECT
  public:
    explicit TSvPackForm(QWidget* parent = nullptr);
    ~TSvPackForm() override;

    // The notice that a preset with a missing package shows. Without one the
    // window makes its own when first needed.
    void SetNotice(TYouDontHaveModForm* notice) { notice_ = notice; }

    // The package list (the list box's items).
    PackageList& Packages() { return packages_; }
    const PackageList& Packages() const { return packages_; }

    // Adds a name unless it is listed already, and the package a file names.
    void AddPack(const std::string& name);
    void AddPackFile(const std::string& filePath);

  public slots:
    void FormCreate();
    void RemSelBtnClick();
    void RemNonExistBtnClick();
    void TextFilterBtnClick();
    void AddModBtnClick();
    void AddSkinBtnClick();
    void AddSoundBtnClick();
    void AddUTPkgsBtnClick();
    void AddBonusPackBtnClick();
    void AddOtherBtnClick();
    void CheckBtnClick();
    void LoadBtnClick();
    void SaveBtnClick();

  protected:
    void MakeControls() override;
    void showEvent(QShowEvent* event) override;

  private:
    // Selects that row of the list and shows it.
    void SelectRow(std::size_t row);
    // Shows FileOpenDialog set up for one of the browse buttons and adds the
    // chosen file's package.
    void BrowseAndAdd(const std::string& folder, const std::string& filter);
    TYouDontHaveModForm* Notice();

    PackageList packages_;

    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label2;
    QListView* PackList = nullptr;
    PackageListModel* PackListModel = nullptr;
    QPushButton* RemSelBtn;
    QGroupBox* GroupBox1;
    QPushButton* RemNonExistBtn;
    QGroupBox* GroupBox2;
    QComboBox* TextFilterMethodComboBox;
    QLineEdit* TextFilterEdit;
    QPushButton* TextFilterBtn;
    QGroupBox* GroupBox3;
    QPushButton* AddModBtn;
    QPushButton* AddSkinBtn;
    QPushButton* AddSoundBtn;
    QGroupBox* GroupBox4;
    QPushButton* AddUTPkgsBtn;
    QPushButton* AddBonusPackBtn;
    QPushButton* AddOtherBtn;
    QPushButton* CheckBtn;
    QPushButton* LoadBtn;
    QPushButton* SaveBtn;
    QPushButton* OKBtn = nullptr;

    // The two open dialogs; their starting folders (and FileOpenDialog's
    // filter) are set before each showing.
    desktop::FileDialogRequest PresetOpenDialog;
    desktop::FileDialogRequest FileOpenDialog;

    TYouDontHaveModForm* notice_ = nullptr;
    std::unique_ptr<TYouDontHaveModForm> ownNotice_;
};

// The filters of FileOpenDialog for the three browse buttons, and of
// PresetOpenDialog.
extern const char* const kModFilter;
extern const char* const kSkinFilter;
extern const char* const kSoundFilter;
extern const char* const kPresetFilter;

}  // namespace keelson
