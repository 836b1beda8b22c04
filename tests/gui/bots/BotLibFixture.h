#pragma once
// The Bot Library Manager shown as the main menu shows it, and the helpers
// its window tests share: library files, the list's lines, the editors.

#include <QAbstractItemModel>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/bots/BotFiles.h"
#include "core/bots/BotLibrary.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/app/MainMenu.h"
#include "gui/app/Win1252.h"
#include "gui/bots/BotLib.h"
#include "gui/bots/BotSaveWizard.h"
#include "tests/gui/WindowTest.h"

namespace keelson::test {

namespace hooks = keelson::desktop::testing;

namespace {

const char* const kTextBoxes[] = {"BotNameComboBox", "BotModelComboBox", "BotSkinComboBox",
                                  "BotFaceComboBox", "BotVoiceComboBox", "FaveWeaponComboBox"};
const char* const kSliders[] = {"SkillScrollBar",    "AccuracyScrollBar", "AlertnessScrollBar",
                                "StrafingScrollBar", "CampingScrollBar",  "CombatStyleScrollbar"};

// The window shown as the main menu's button shows it, without its own
// event loop, so that a case can act on it step by step.
class Manager {
  public:
    Manager() {
        start_.StartNormally();
        form_ = start_.Windows().BotLibForm.get();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_));
    }
    ~Manager() { form_->hide(); }

    ProgramStart& Start() { return start_; }
    TBotLibForm* Form() { return form_; }
    const TBigKegOBots& Library() const { return form_->Library(); }

    QComboBox* Box(const char* name) { return form_->findChild<QComboBox*>(name); }
    QSlider* Slider(const char* name) { return form_->findChild<QSlider*>(name); }
    QCheckBox* Jumpy() { return form_->findChild<QCheckBox*>("JumpyCheckBox"); }
    QListView* List() { return form_->findChild<QListView*>("BotsListBox"); }
    QString LibraryName() { return form_->findChild<QLabel*>("CurrLibNameLabel")->text(); }

    void Press(const char* button) { Click(form_, button); }

    QStringList Lines() {
        QStringList lines;
        QAbstractItemModel* model = List()->model();
        for (int i = 0; i < model->rowCount(); ++i) {
            lines << model->index(i, 0).data().toString();
        }
        return lines;
    }
    int LineCount() { return List()->model()->rowCount(); }
    int Selected() {
        QModelIndexList rows = List()->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
    // Clicks a line of the list as the user would.
    void Select(int line) {
        QModelIndex at = List()->model()->index(line, 0);
        List()->scrollTo(at);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualRect(at).center());
    }
    // Opens a library file with "Open...".
    void Open(const std::string& path) {
        hooks::SetNextFileName(path);
        Press("OpenBtn");
    }
    // Replaces a box's text by typing, as the user would.
    void Type(const char* box, const QString& text) {
        QLineEdit* edit = Box(box)->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    bool EditorsEnabled() {
        std::vector<QWidget*> editors = {Box("BotTeamComboBox"), Jumpy()};
        for (const char* name : kTextBoxes)
            editors.push_back(Box(name));
        for (const char* name : kSliders)
            editors.push_back(Slider(name));
        int enabled = 0;
        for (QWidget* editor : editors)
            enabled += editor->isEnabled() ? 1 : 0;
        if (enabled != 0 && enabled != 14) {
            qWarning("only %d of the 14 editors are enabled", enabled);
        }
        return enabled == 14;
    }
    // The editors as "New library" leaves them.
    bool EditorsEmptied() {
        for (const char* name : kTextBoxes) {
            if (!Box(name)->currentText().isEmpty())
                return false;
        }
        for (const char* name : kSliders) {
            if (Slider(name)->value() != 0)
                return false;
        }
        return Box("BotTeamComboBox")->currentText() == "[Neutral]" && !Jumpy()->isChecked();
    }

    std::string File(const std::string& name) { return start_.Folder().File(name); }
    // A library file holding these bots.
    std::string WriteLibrary(const std::string& name, const std::vector<TBotRecord>& bots) {
        TBigKegOBots roster;
        for (const TBotRecord& bot : bots)
            roster.AddBot(bot);
        roster.SaveToFile(File(name));
        return File(name);
    }

  private:
    ProgramStart start_;
    TBotLibForm* form_ = nullptr;
};

inline TBotRecord Bot(const char* name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

inline const hooks::Shown* LastError() {
    const hooks::Shown* last = nullptr;
    for (const hooks::Shown& shown : hooks::ShownSoFar()) {
        if (shown.kind == hooks::Kind::Error)
            last = &shown;
    }
    return last;
}

inline QAccessibleInterface* FindAccessible(QAccessibleInterface* from, QObject* object) {
    if (!from)
        return nullptr;
    if (from->object() == object)
        return from;
    for (int i = 0; i < from->childCount(); ++i) {
        if (QAccessibleInterface* found = FindAccessible(from->child(i), object))
            return found;
    }
    return nullptr;
}

}  // namespace

}  // namespace keelson::test
