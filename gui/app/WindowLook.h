#pragma once
// How the program's windows look: their fonts, fixed client sizes, title
// bar buttons, pictures, and where they open.

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;
class QDialog;

namespace keelson {

// Arial at a pixel size (Liberation Sans or another metric twin where Arial
// is not installed).
QFont ArialFont(int pixelSize, bool bold = false, bool italic = false);
// The classic dialog font at a pixel size, with its usual stand-ins.
QFont DialogFont(int pixelSize);
// Arial at a point size.
QFont ArialPointFont(int pointSize);

// A window whose client area is exactly width by height and cannot be
// resized.
void FixClientSize(QWidget* window, int width, int height);

enum class TitleButtons { CloseOnly, CloseAndMinimise };
void SetTitleButtons(QWidget* window, TitleButtons buttons);

// What every window sets first: its object name, caption, title bar
// buttons, font and client size.
void SetUpWindow(QWidget* window, const char* name, const char* title, TitleButtons buttons,
                 const QFont& font, int width, int height);

// Places a window's frame in the middle of the screen it opens on.
void CentreOnScreen(QWidget* window);

// Makes the pictures below available; called once at start.
void LoadPictures();

// The program's pictures (resources under :/pictures) and Qt's own.
QIcon Picture(const QString& name);
QPixmap PicturePixmap(const QString& name);

// The caption of a window or control in the program's bytes.
QString Caption(const char* text);

}  // namespace keelson
