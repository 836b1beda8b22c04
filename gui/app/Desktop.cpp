#include "gui/app/Desktop.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <deque>
#include <memory>

#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "core/settings/Settings.h"
#include "gui/app/KeelsonApplication.h"
#include "gui/app/Win1252.h"
#include "platform/Versions.h"

namespace keelson::desktop {

namespace {

constexpr const char* kProgramTitle = "Keelson";

struct HookState {
    bool testMode = false;
    bool boxesShown = true;
    std::deque<std::optional<std::string>> fileNames;
    std::deque<bool> answers;
    std::optional<bool> startResult;
    std::vector<testing::Shown> shown;
    std::vector<testing::Started> started;
    int unanswered = 0;
};

HookState& Hooks() {
    static HookState state;
    return state;
}

void Record(testing::Kind kind, const std::string& title, const std::string& text,
            const FileDialogRequest& request = {}) {
    if (Hooks().testMode) {
        Hooks().shown.push_back({kind, title, text, request});
    }
}

// A queued answer for a file dialog, or cancel when a test queued none.
std::optional<std::optional<std::string>> HookedFileName() {
    HookState& h = Hooks();
    if (!h.testMode) {
        return std::nullopt;
    }
    if (h.fileNames.empty()) {
        ++h.unanswered;
        return std::optional<std::string>();
    }
    std::optional<std::string> answer = h.fileNames.front();
    h.fileNames.pop_front();
    return answer;
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         bool forSaving) {
    std::unique_ptr<QFileDialog> dialog = MakeFileDialog(parent, request, forSaving);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToPath(dialog->selectedFiles().front());
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, QString::fromLatin1(kProgramTitle), FromAnsi(text), QMessageBox::Ok,
                    parent);
    box.exec();
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request,
                                            bool forSaving) {
    auto dialog = std::make_unique<QFileDialog>(parent, FromAnsi(request.title));
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (forSaving) {
        // Saving over an existing file asks nothing, as every other command
        // that replaces data.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog->setNameFilter(QtFilterOf(request.filter));
    // The filter of program files goes by execute permission, which no name
    // pattern can say.
    QFileDialog* d = dialog.get();
    const QDir::Filters byName = d->filter();
    QObject::connect(d, &QFileDialog::filterSelected, d, [d, byName](const QString& selected) {
        const bool programs = selected.startsWith(FromAnsi(kProgramFilesDescription));
        d->setFilter(programs ? byName | QDir::Executable : byName);
    });
    dialog->setDefaultSuffix(FromAnsi(request.defaultExt));
    if (!request.initialFolder.empty()) {
        dialog->setDirectory(FromPath(request.initialFolder));
    }
    if (!request.fileName.empty()) {
        dialog->selectFile(FromPath(request.fileName));
    }
    return dialog;
}

QString QtFilterOf(const std::string& filter) {
    QStringList parts = FromAnsi(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
        QString tail = QStringLiteral("(%1)").arg(patterns);
        if (!description.endsWith(tail)) {
            description += (description.isEmpty() ? QString() : QStringLiteral(" ")) + tail;
        }
        entries << description;
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<std::string> OpenFile(QWidget* parent, const FileDialogRequest& request) {
    Record(testing::Kind::Open, request.title, request.fileName, request);
    if (auto hooked = HookedFileName()) {
        return *hooked;
    }
    return RunFileDialog(parent, request, false);
}

std::optional<std::string> SaveFile(QWidget* parent, const FileDialogRequest& request) {
    Record(testing::Kind::Save, request.title, request.fileName, request);
    if (auto hooked = HookedFileName()) {
        return *hooked;
    }
    return RunFileDialog(parent, request, true);
}

std::optional<std::string> PickFolder(QWidget* parent, const std::string& title,
                                      const std::string& initialFolder) {
    Record(testing::Kind::Open, title, initialFolder, {title, {}, {}, {}, initialFolder});
    if (auto hooked = HookedFileName()) {
        return *hooked;
    }
    QFileDialog dialog(parent, FromAnsi(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!initialFolder.empty()) {
        dialog.setDirectory(FromPath(initialFolder));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToPath(dialog.selectedFiles().front());
}

void ShowMessage(QWidget* parent, const std::string& text) {
    Record(testing::Kind::Message, kProgramTitle, text);
    if (Hooks().testMode && !Hooks().boxesShown) {
        return;
    }
    ShowBox(parent, QMessageBox::NoIcon, text);
}

bool Confirm(QWidget* parent, const std::string& title, const std::string& text,
             const std::string& yesCaption, const std::string& noCaption) {
    Record(testing::Kind::Confirm, title, text);
    HookState& h = Hooks();
    if (h.testMode && !h.answers.empty()) {
        bool yes = h.answers.front();
        h.answers.pop_front();
        return yes;
    }
    if (h.testMode && !h.boxesShown) {
        ++h.unanswered;
        return false;
    }
    QMessageBox box(QMessageBox::Question, FromAnsi(title), FromAnsi(text), QMessageBox::NoButton,
                    parent);
    QPushButton* yes = box.addButton(FromAnsi(yesCaption), QMessageBox::YesRole);
    QPushButton* no = box.addButton(FromAnsi(noCaption), QMessageBox::RejectRole);
    yes->setObjectName(QStringLiteral("YesButton"));
    no->setObjectName(QStringLiteral("CancelButton"));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

bool RewriteGameFile(QWidget* parent, const std::string& command,
                     const std::function<void()>& write) {
    platform::RewritePolicy policy = platform::CurrentRewritePolicy();
    policy.command = "Keelson: " + command;
    try {
        platform::ScopedRewritePolicy scoped(policy);
        write();
        return true;
    } catch (const platform::GameRunningError& e) {
        if (!Confirm(parent, kProgramTitle, e.Situation() + " Stop it first, or save anyway.",
                     "Save anyway", "Cancel")) {
            return false;
        }
    }
    policy.allowRunningGame = true;
    platform::ScopedRewritePolicy scoped(policy);
    write();
    return true;
}

void ShowError(QWidget* parent, const std::string& message) {
    std::string text = ErrorBoxText(message);
    Record(testing::Kind::Error, kProgramTitle, text);
    if (Hooks().testMode && !Hooks().boxesShown) {
        return;
    }
    ShowBox(parent, QMessageBox::Critical, text);
}

bool GameFileFound(QWidget* parent, const std::string& answer) {
    if (answer == kCancelled) {
        return false;
    }
    if (GameFileExists(answer)) {
        return true;
    }
    ShowError(parent, answer.empty() ? std::string("File not found") : answer + ": File not found");
    return false;
}

void RunGuarded(QWidget* window, const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        ShowError(window, MessageOfCurrentException());
    }
}

bool StartProgram(const std::string& file, const std::string& parameters, const std::string& folder,
                  int showMode, std::string* reason) {
    HookState& h = Hooks();
    if (h.testMode) {
        h.started.push_back({file, parameters, folder, showMode});
        if (h.startResult) {
            return *h.startResult;
        }
    }
    return ExecuteFile(file, parameters, folder, showMode, reason);
}

namespace testing {

void SetNextFileName(std::optional<std::string> path) {
    Hooks().fileNames.push_back(std::move(path));
}
void SetNextAnswer(bool yes) {
    Hooks().answers.push_back(yes);
}
void SetBoxesShown(bool shown) {
    Hooks().boxesShown = shown;
}
void SetStartResult(std::optional<bool> result) {
    Hooks().startResult = result;
}
const std::vector<Shown>& ShownSoFar() {
    return Hooks().shown;
}
const std::vector<Started>& StartedSoFar() {
    return Hooks().started;
}
int UnansweredDialogs() {
    return Hooks().unanswered;
}

void Reset() {
    Hooks() = HookState{};
    Hooks().testMode = true;
    Hooks().boxesShown = false;
}

}  // namespace testing

}  // namespace keelson::desktop
