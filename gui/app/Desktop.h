#pragma once
// The desktop seam: every dialog, message box and program start of the
// windows goes through these few functions, so that a test can answer a
// dialog without a person and see what was shown or started. In normal use
// they show Qt's real dialogs and start real programs.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

class QFileDialog;
class QWidget;
class QString;

namespace keelson::desktop {

// What an open or save dialog is set up with. Texts are the program's
// bytes; the filter is in the "Description|*.ext|Other|*.a;*.b" form.
struct FileDialogRequest {
    std::string title;
    std::string fileName;
    std::string filter;
    std::string defaultExt;
    std::string initialFolder;
};

// "Desc|*.a;*.b|Desc2|*.c" in Qt's form "Desc (*.a *.b);;Desc2 (*.c)". A
// description that already ends in its patterns is kept as it stands.
QString QtFilterOf(const std::string& filter);

// The dialog that OpenFile or SaveFile shows, set up from the request.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request,
                                            bool forSaving);

// The open dialog: the chosen folder and file must exist. The full path of
// the chosen file, or nothing when cancelled.
std::optional<std::string> OpenFile(QWidget* parent, const FileDialogRequest& request);

// The save dialog: the chosen folder must exist; an existing file is
// replaced without a question.
std::optional<std::string> SaveFile(QWidget* parent, const FileDialogRequest& request);

// A folder dialog: the chosen folder, or nothing when cancelled. Tests
// answer it as the file dialogs (SetNextFileName).
std::optional<std::string> PickFolder(QWidget* parent, const std::string& title,
                                      const std::string& initialFolder);

// A plain message box: title "Keelson", the text, an OK button.
void ShowMessage(QWidget* parent, const std::string& text);

// A confirmation with a question icon and two buttons; true for the first.
// The second is the default, so that a stray Enter never answers yes.
bool Confirm(QWidget* parent, const std::string& title, const std::string& text,
             const std::string& yesCaption, const std::string& noCaption);

// The error box: title "Keelson", an error icon, an OK button and the
// message with the full-stop rule of ErrorBoxText.
void ShowError(QWidget* parent, const std::string& message);

// Runs one command of a window. An exception that leaves it is caught here
// and shown in the error box; the window stays as the command left it and
// usable. Every slot of the windows runs through this (see Connect).
void RunGuarded(QWidget* window, const std::function<void()>& command);

// Connects a signal to a window's slot (a member function of the window, or
// a function object) so that the slot runs through RunGuarded: no exception
// ever leaves a slot into Qt's event loop.
template <typename Sender, typename Signal, typename Window, typename Slot>
QMetaObject::Connection Connect(Sender* sender, Signal signal, Window* window, Slot slot) {
    return QObject::connect(sender, signal, window, [window, slot] {
        RunGuarded(window, [&] {
            if constexpr (std::is_invocable_v<Slot, Window*>) {
                std::invoke(slot, window);
            } else {
                std::invoke(slot);
            }
        });
    });
}

// Runs write, a rewrite of one of the game's files, so that the version it
// keeps records "Keelson: COMMAND". Where a running game uses the INI, asks
// whether to save anyway ("Save anyway" or "Cancel", Cancel the default)
// and on "Save anyway" runs write again with the check off. False when the
// user cancelled; other errors go on to the caller.
bool RewriteGameFile(QWidget* parent, const std::string& command,
                     const std::function<void()>& write);

// True when a settings getter's answer names an existing game file. A
// cancelled prompt answers false and shows nothing; a path that names no
// file (typed in Options, on a folder not mounted) is shown in the error
// box as "PATH: File not found." before false is answered, so that a
// command never seems to have done what it could not do.
bool GameFileFound(QWidget* parent, const std::string& answer);

// Starts a program or opens a document or folder (ExecuteFile); false when
// the platform tells at once that nothing was started, with the system's
// reason in reason.
bool StartProgram(const std::string& file, const std::string& parameters, const std::string& folder,
                  int showMode, std::string* reason = nullptr);

// Test hooks. Nothing here is used by the program itself.
namespace testing {

enum class Kind { Open, Save, Message, Confirm, Error };

// One dialog or box as the seam was asked to show it.
struct Shown {
    Kind kind;
    std::string title;
    std::string text;  // the message, or the file name proposed by a dialog
    FileDialogRequest request;
};

struct Started {
    std::string file;
    std::string parameters;
    std::string folder;
    int showMode;
};

// The next open or save dialog is answered with this path (nothing: Cancel)
// instead of being shown. Answers queue up in order.
void SetNextFileName(std::optional<std::string> path);
// The next confirmation is answered Yes (true) or the other button.
void SetNextAnswer(bool yes);
// Message and error boxes are recorded and not shown (the default once a
// test calls Reset); with false they are shown for the test to close.
void SetBoxesShown(bool shown);
// Programs are recorded and not started, each "start" answering result;
// nothing (the default) starts them for real and records them too.
void SetStartResult(std::optional<bool> result);

const std::vector<Shown>& ShownSoFar();
const std::vector<Started>& StartedSoFar();
// Dialogs that were asked for with no answer queued (and were cancelled).
int UnansweredDialogs();

// Forgets everything above and turns test mode on: from now on a dialog
// without a queued answer is cancelled instead of shown.
void Reset();

}  // namespace testing

}  // namespace keelson::desktop
