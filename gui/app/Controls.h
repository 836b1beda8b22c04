#pragma once
// The controls of the program's windows, each made in one call: its object
// name, caption (in the program's bytes) and place in its parent, and what
// every control of that kind has in common.

#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QStyle>
#include <initializer_list>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QWidget;

namespace keelson {

// Captions in the program's bytes, and texts from the core, as list lines.
QStringList CaptionLines(std::initializer_list<const char*> captions);
QStringList TextLines(const std::vector<std::string>& texts);

// A hint is the control's tool tip, and what a screen reader says of it.
void SetHint(QWidget* control, const char* hint);
template <typename Control>
Control* WithHint(Control* control, const char* hint) {
    SetHint(control, hint);
    return control;
}

// A push button. The window's key rules (UseWindowKeys) see to it that
// Enter presses it only when it has the focus or is the window's default.
QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, const QRect& at,
                       const QIcon& icon = QIcon());
// The same with one of the style's standard icons, which the button gets
// when it is first shown: the style reads and decodes a picture in several
// sizes for each, which the windows that stay closed need not wait for at
// start.
QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, const QRect& at,
                       QStyle::StandardPixmap icon);

// A label; its access key, if it has one, moves to buddy.
QLabel* AddLabel(QWidget* parent, const char* name, const char* text, const QRect& at,
                 QWidget* buddy = nullptr);
// A label whose text is shown as it is, never as rich text; with no place
// yet.
QLabel* AddPlainLabel(QWidget* parent, const char* name, const char* text);
// A plain label as wide and high as its text, as one that sizes itself.
QLabel* AddFittedLabel(QWidget* parent, const char* name, const char* text, QPoint at);
// Lines of text wrapped to the label's width, from its top left corner.
QLabel* AddWrappedLabel(QWidget* parent, const char* name, const char* text, const QRect& at,
                        Qt::TextFormat format = Qt::AutoText);

// A sunken panel that paints its own background.
QFrame* AddPanel(QWidget* parent, const char* name, const QRect& at);
QGroupBox* AddGroupBox(QWidget* parent, const char* name, const char* caption, const QRect& at);
QLineEdit* AddEdit(QWidget* parent, const char* name, const QRect& at);
QCheckBox* AddCheckBox(QWidget* parent, const char* name, const char* caption, const QRect& at);

// A drop-down list that takes no typing.
QComboBox* AddList(QWidget* parent, const char* name, const QStringList& lines, const QRect& at);
// An editable box with a fixed pick list, nothing picked. What the user
// types is what the box holds: no completion, and Enter adds nothing to the
// list.
QComboBox* AddPickBox(QWidget* parent, const char* name, const QStringList& lines, const QRect& at);

// A horizontal slider from -range to +range, a step at a time; pageStep
// for Page Up and Page Down.
QSlider* AddSlider(QWidget* parent, const char* name, int range, int pageStep, const QRect& at);

// A page of a tab control, added after its other pages.
QWidget* AddPage(QTabWidget* pages, const char* name, const char* caption);

}  // namespace keelson
