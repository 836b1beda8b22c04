#pragma once
// The export wizard's window tests share these: libraries of made-up bots,
// the checklist as the user sees it, and the wizard run from inside its
// own event loop.

#ifndef _WIN32
#include <unistd.h>
#endif

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTabWidget>
#include <filesystem>
#include <set>

#include "core/bots/BotFiles.h"
#include "core/bots/TBigKegOBotsDefine.h"
#include "core/settings/Settings.h"
#include "gui/app/Desktop.h"
#include "gui/bots/BotSaveWizard.h"
#include "tests/gui/WindowTest.h"

namespace keelson::test {

namespace hooks = keelson::desktop::testing;

namespace {

// Whether a file can be made unreadable by its mode: not for root, and not
// on Windows, where only an access list can refuse a read (Wine keeps none).
inline bool CanMakeUnreadable() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() != 0;
#endif
}

inline TBotRecord Bot(std::string_view name) {
    TBotRecord bot = DefaultBot;
    bot.Name = name;
    return bot;
}

inline TBigKegOBots Library(const std::vector<TBotRecord>& bots) {
    TBigKegOBots roster;
    for (const TBotRecord& bot : bots) {
        roster.AddBot(bot);
    }
    return roster;
}

inline TBigKegOBots Numbered(int count) {
    TBigKegOBots roster;
    for (int i = 0; i < count; ++i) {
        std::string name = "b";
        name += std::to_string(i);
        roster.AddBot(Bot(name));
    }
    return roster;
}

template <typename T>
T* Find(QWidget* wizard, const char* name) {
    T* found = wizard->findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        qWarning("no control %s", name);
    }
    return found;
}

inline QAbstractItemModel* Checklist(QWidget* wizard) {
    return Find<QListView>(wizard, "BotsChecklist")->model();
}

// The ticks as the checklist shows them.
inline std::vector<bool> Ticks(QWidget* wizard) {
    QAbstractItemModel* model = Checklist(wizard);
    std::vector<bool> ticks;
    for (int i = 0; i < model->rowCount(); ++i) {
        ticks.push_back(model->index(i, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
                        Qt::Checked);
    }
    return ticks;
}

inline QStringList Lines(QWidget* wizard) {
    QAbstractItemModel* model = Checklist(wizard);
    QStringList lines;
    for (int i = 0; i < model->rowCount(); ++i) {
        lines << model->index(i, 0).data().toString();
    }
    return lines;
}

inline QStringList Items(QWidget* wizard, const char* box) {
    auto* combo = Find<QComboBox>(wizard, box);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

// Picks an item of a drop-down list as the user would.
inline void Choose(QWidget* wizard, const char* box, const char* item) {
    auto* combo = Find<QComboBox>(wizard, box);
    int line = combo->findText(QString::fromLatin1(item));
    QVERIFY2(line >= 0, item);
    combo->setCurrentIndex(line);
}

inline void Type(QWidget* wizard, const char* edit, const char* text) {
    auto* box = Find<QLineEdit>(wizard, edit);
    box->clear();
    QTest::keyClicks(box, QString::fromLatin1(text));
}

// Ticks or unticks line i by hand: the line made current, then Space.
inline void Toggle(QWidget* wizard, int line) {
    auto* view = Find<QListView>(wizard, "BotsChecklist");
    view->setCurrentIndex(view->model()->index(line, 0));
    QTest::keyClick(view, Qt::Key_Space);
}

// Opens the wizard on a library and acts in it; the act must close it.
inline int InWizard(ProgramStart& start, const TBigKegOBots& library,
                    std::function<void(QWidget*)> act) {
    int result = -1;
    WhenModal("BotSaveWizardForm", std::move(act));
    TBotSaveWizardForm* wizard = start.Windows().BotSaveWizardForm.get();
    QObject::connect(
        wizard, &QDialog::finished, wizard, [&result](int r) { result = r; },
        Qt::SingleShotConnection);
    wizard->PrepareExport(library);
    if (StepFailed()) {
        QTest::qFail("a step in the wizard failed", __FILE__, __LINE__);
    }
    return result;
}

inline std::vector<bool> All(std::size_t n, bool tick) {
    return std::vector<bool>(n, tick);
}

inline TBotSlotTable WrittenSlots(const std::string& userIni) {
    return ReadUserIniBotSlots(ReadBytes(userIni));
}

}  // namespace

}  // namespace keelson::test
