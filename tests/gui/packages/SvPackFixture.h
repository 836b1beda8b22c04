#pragma once
// The Server Packages Editor shown on a game folder of its own, and the
// helpers its window tests share.

#include <QAccessible>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QToolTip>
#include <filesystem>

#include "core/packages/SvPackFiles.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Win1252.h"
#include "gui/packages/SvPack.h"
#include "gui/packages/YouDontHaveMod.h"
#include "tests/gui/WindowTest.h"

namespace keelson::test {

namespace hooks = keelson::desktop::testing;

namespace {

using Names = std::vector<std::string>;

const char* const kPaths =
    "[Core.System]\r\nPaths=../System/*.u\r\nPaths=../Textures/*.utx\r\nPaths=../Sounds/*.uax\r\n"
    "\r\n";

// The editor of a normal start, shown (not modally) so that its controls
// take clicks and keys.
class Editor {
  public:
    Editor() {
        start.StartNormally();
        form = start.Windows().SvPackForm.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    ~Editor() { form->hide(); }

    // Rewrites the system INI: the Paths section above and an engine
    // section with these ServerPackages.
    std::string WriteIni(const Names& packages, const std::string& extra = "") {
        std::string text = kPaths + extra + "[Engine.GameEngine]\r\nCacheSizeMegs=4\r\n";
        for (const std::string& name : packages) {
            text += "ServerPackages=" + name + "\r\n";
        }
        return start.Folder().Write("game/System/UnrealTournament.ini", text);
    }
    std::string IniPath() const { return start.GameFile("System/UnrealTournament.ini"); }

    QListView* List() const { return form->findChild<QListView*>("PackList"); }
    QComboBox* Method() const { return form->findChild<QComboBox*>("TextFilterMethodComboBox"); }
    QLineEdit* FilterText() const { return form->findChild<QLineEdit*>("TextFilterEdit"); }

    // What the list box shows, which must be the window's package list.
    Names Shown() const {
        Names shown;
        QAbstractItemModel* model = List()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            shown.push_back(ToAnsi(model->index(row, 0).data().toString()));
        }
        if (shown != form->Packages().Entries()) {
            qWarning("the list box is out of step with the package list");
            return {"<out of step>"};
        }
        return shown;
    }
    void Select(std::initializer_list<int> rows) const {
        for (int row : rows) {
            QRect place = List()->visualRect(List()->model()->index(row, 0));
            QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              place.center());
        }
    }
    int SelectedCount() const {
        return static_cast<int>(List()->selectionModel()->selectedRows().size());
    }

    ProgramStart start;
    TSvPackForm* form = nullptr;
};

inline const hooks::Shown* LastDialog() {
    const auto& shown = hooks::ShownSoFar();
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        if (it->kind == hooks::Kind::Open) {
            return &*it;
        }
    }
    return nullptr;
}

inline QString LabelText(QWidget* window, const char* name) {
    auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

}  // namespace

}  // namespace keelson::test
