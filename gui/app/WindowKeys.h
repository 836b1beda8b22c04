#pragma once
// Enter and the mouse wheel in the program's windows, as on Windows: Enter
// presses the focused button; where no button has the focus, Enter in a
// field that has a button of its own presses that button, anywhere else the
// window's default button if it has one, and otherwise nothing. The wheel
// turns a slider or a pick box only while that control has the focus, so
// that a wheel turned over a bot's editors never changes the bot. Escape
// that no control takes presses the window's Escape button, where it names
// one.

class QAbstractButton;
class QWidget;

namespace keelson {

// Puts a window under these rules. Called once its controls are made.
void UseWindowKeys(QWidget* window);

// Enter in field (or in anything inside it) presses button.
void PressOnEnter(QWidget* field, QAbstractButton* button);

// Escape (with no modifier) in window, where no control inside takes it,
// presses button instead of Qt's rejecting the dialog.
void PressOnEscape(QWidget* window, QAbstractButton* button);

}  // namespace keelson
