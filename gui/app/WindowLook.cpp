#include "gui/app/WindowLook.h"

#include <QDialog>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include "gui/app/Win1252.h"

// Outside the namespace, as Qt's macro needs.
static void InitPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace keelson {

void LoadPictures() {
    InitPictureResources();
}

QFont ArialFont(int pixelSize, bool bold, bool italic) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont DialogFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPixelSize(pixelSize);
    return font;
}

QFont ArialPointFont(int pointSize) {
    QFont font = ArialFont(12);
    font.setPointSize(pointSize);
    return font;
}

void FixClientSize(QWidget* window, int width, int height) {
    window->setFixedSize(width, height);
}

void SetTitleButtons(QWidget* window, TitleButtons buttons) {
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    flags |= buttons == TitleButtons::CloseAndMinimise ? Qt::Window : Qt::Dialog;
    if (buttons == TitleButtons::CloseAndMinimise) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    window->setWindowFlags(flags);
}

void SetUpWindow(QWidget* window, const char* name, const char* title, TitleButtons buttons,
                 const QFont& font, int width, int height) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(Caption(title));
    SetTitleButtons(window, buttons);
    window->setFont(font);
    FixClientSize(window, width, height);
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

QPixmap PicturePixmap(const QString& name) {
    // Read as the PNG it is: a reader left to guess the format first loads
    // and asks every image plugin installed.
    QImageReader reader(QStringLiteral(":/pictures/%1.png").arg(name), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImageReader(&reader);
}

QIcon Picture(const QString& name) {
    return QIcon(PicturePixmap(name));
}

QString Caption(const char* text) {
    return FromAnsi(text);
}

}  // namespace keelson
