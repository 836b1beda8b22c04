#include "gui/app/WindowKeys.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVariant>

namespace keelson {

namespace {

constexpr const char* kRulesProperty = "keelsonWindowKeys";
constexpr const char* kEnterButtonProperty = "keelsonEnterButton";
constexpr const char* kEscapeButtonProperty = "keelsonEscapeButton";

bool UnderRules(const QWidget* widget) {
    return widget->window()->property(kRulesProperty).toBool();
}

bool IsEnter(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool IsEscape(const QKeyEvent* key) {
    return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
}

QAbstractButton* ButtonIn(const QWidget* widget, const char* property) {
    const QVariant button = widget->property(property);
    return button.isValid() ? qobject_cast<QAbstractButton*>(button.value<QObject*>()) : nullptr;
}

// The key reaches the window itself only when no control inside took it.
bool EscapePressed(QWidget* widget) {
    QAbstractButton* button = ButtonIn(widget, kEscapeButtonProperty);
    if (button == nullptr) {
        return false;
    }
    button->click();
    return true;
}

bool Press(QAbstractButton* button) {
    if (button != nullptr && button->isEnabled() && button->isVisible()) {
        button->click();
    }
    return true;
}

// A button that Enter presses when it has the focus: push buttons and tool
// buttons, not the boxes that Space ticks.
QAbstractButton* PressableButton(QWidget* widget) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr || qobject_cast<QCheckBox*>(widget) != nullptr ||
        qobject_cast<QRadioButton*>(widget) != nullptr) {
        return nullptr;
    }
    return button;
}

// Controls that need Enter themselves: a text editor that takes lines, and
// the editor of a list line.
bool TakesEnter(QWidget* widget) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        return !edit->isReadOnly();
    }
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        return !edit->isReadOnly();
    }
    for (QWidget* up = widget->parentWidget(); up != nullptr && !up->isWindow();
         up = up->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(up) != nullptr) {
            return true;
        }
    }
    return false;
}

QAbstractButton* EnterButtonOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w->property(kEnterButtonProperty).isValid()) {
            return ButtonIn(w, kEnterButtonProperty);
        }
        if (w->isWindow()) {
            break;
        }
    }
    return nullptr;
}

QPushButton* DefaultButtonOf(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->isDefault() && button->window() == window) {
            return button;
        }
    }
    return nullptr;
}

bool EnterPressed(QWidget* focus) {
    if (QAbstractButton* button = PressableButton(focus)) {
        return Press(button);
    }
    if (TakesEnter(focus)) {
        return false;
    }
    if (QAbstractButton* button = EnterButtonOf(focus)) {
        return Press(button);
    }
    if (QPushButton* button = DefaultButtonOf(focus->window())) {
        return Press(button);
    }
    return true;  // nothing to press, and nothing else may take it
}

bool HasFocusWithin(const QWidget* control) {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && (focus == control || control->isAncestorOf(focus));
}

bool TurnsWithWheel(const QWidget* widget) {
    return qobject_cast<const QAbstractSlider*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

class WindowKeyRules : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::Wheel) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !UnderRules(widget)) {
            return false;
        }
        if (type == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (IsEscape(key)) {
                return EscapePressed(widget);
            }
            return IsEnter(key) && EnterPressed(widget);
        }
        // A wheel over a control without the focus changes nothing.
        return TurnsWithWheel(widget) && !HasFocusWithin(widget);
    }
};

void InstallRules() {
    static QPointer<WindowKeyRules> rules;
    if (rules == nullptr && QCoreApplication::instance() != nullptr) {
        rules = new WindowKeyRules(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(rules);
    }
}

}  // namespace

void UseWindowKeys(QWidget* window) {
    InstallRules();
    window->setProperty(kRulesProperty, true);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        // Qt would make a focused button the window's default for good;
        // only the buttons that the window names as default are.
        button->setAutoDefault(false);
    }
    for (QWidget* control : window->findChildren<QWidget*>()) {
        // Taking the focus by the wheel would let the wheel change it.
        if (TurnsWithWheel(control) && control->focusPolicy() == Qt::WheelFocus) {
            control->setFocusPolicy(Qt::StrongFocus);
        }
    }
}

void PressOnEnter(QWidget* field, QAbstractButton* button) {
    field->setProperty(kEnterButtonProperty, QVariant::fromValue<QObject*>(button));
}

void PressOnEscape(QWidget* window, QAbstractButton* button) {
    window->setProperty(kEscapeButtonProperty, QVariant::fromValue<QObject*>(button));
}

}  // namespace keelson
