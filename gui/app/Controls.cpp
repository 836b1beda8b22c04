#include "gui/app/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include "gui/app/Win1252.h"
#include "gui/app/WindowLook.h"

namespace keelson {

namespace {

template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// Gives a button its standard icon at its first show, then goes.
class StandardIconOnShow : public QObject {
  public:
    StandardIconOnShow(QPushButton* button, QStyle::StandardPixmap icon)
        : QObject(button), icon_(icon) {
        button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* button = static_cast<QPushButton*>(watched);
            button->removeEventFilter(this);
            button->setIcon(button->style()->standardIcon(icon_));
            deleteLater();
        }
        return false;
    }

  private:
    QStyle::StandardPixmap icon_;
};

}  // namespace

QStringList CaptionLines(std::initializer_list<const char*> captions) {
    QStringList lines;
    for (const char* caption : captions) {
        lines << Caption(caption);
    }
    return lines;
}

QStringList TextLines(const std::vector<std::string>& texts) {
    QStringList lines;
    for (const std::string& text : texts) {
        lines << FromAnsi(text);
    }
    return lines;
}

void SetHint(QWidget* control, const char* hint) {
    control->setToolTip(Caption(hint));
    control->setAccessibleDescription(Caption(hint));
}

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, const QRect& at,
                       const QIcon& icon) {
    auto* button = Named(new QPushButton(icon, Caption(caption), parent), name);
    button->setGeometry(at);
    // Auto-default is turned off for every button of a window by
    // UseWindowKeys, which each window calls once its controls are made.
    return button;
}

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, const QRect& at,
                       QStyle::StandardPixmap icon) {
    QPushButton* button = AddButton(parent, name, caption, at);
    new StandardIconOnShow(button, icon);
    return button;
}

QLabel* AddLabel(QWidget* parent, const char* name, const char* text, const QRect& at,
                 QWidget* buddy) {
    auto* label = Named(new QLabel(Caption(text), parent), name);
    label->setGeometry(at);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QLabel* AddPlainLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setText(Caption(text));
    return label;
}

QLabel* AddFittedLabel(QWidget* parent, const char* name, const char* text, QPoint at) {
    QLabel* label = AddPlainLabel(parent, name, text);
    label->adjustSize();
    label->move(at);
    return label;
}

QLabel* AddWrappedLabel(QWidget* parent, const char* name, const char* text, const QRect& at,
                        Qt::TextFormat format) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextFormat(format);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(Caption(text));
    label->setGeometry(at);
    return label;
}

QFrame* AddPanel(QWidget* parent, const char* name, const QRect& at) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setGeometry(at);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    return panel;
}

QGroupBox* AddGroupBox(QWidget* parent, const char* name, const char* caption, const QRect& at) {
    auto* box = Named(new QGroupBox(Caption(caption), parent), name);
    box->setGeometry(at);
    return box;
}

QLineEdit* AddEdit(QWidget* parent, const char* name, const QRect& at) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setGeometry(at);
    return edit;
}

QCheckBox* AddCheckBox(QWidget* parent, const char* name, const char* caption, const QRect& at) {
    auto* box = Named(new QCheckBox(Caption(caption), parent), name);
    box->setGeometry(at);
    return box;
}

QComboBox* AddList(QWidget* parent, const char* name, const QStringList& lines, const QRect& at) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(false);
    box->addItems(lines);
    box->setGeometry(at);
    return box;
}

QComboBox* AddPickBox(QWidget* parent, const char* name, const QStringList& lines,
                      const QRect& at) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->addItems(lines);
    box->setMaxVisibleItems(16);
    box->setGeometry(at);
    box->setCurrentIndex(-1);
    return box;
}

QSlider* AddSlider(QWidget* parent, const char* name, int range, int pageStep, const QRect& at) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(-range, range);
    slider->setSingleStep(1);
    slider->setPageStep(pageStep);
    slider->setGeometry(at);
    return slider;
}

QWidget* AddPage(QTabWidget* pages, const char* name, const char* caption) {
    auto* page = Named(new QWidget, name);
    pages->addTab(page, Caption(caption));
    return page;
}

}  // namespace keelson
