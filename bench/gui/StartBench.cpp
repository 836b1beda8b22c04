// keelson-start-bench MODE: one start of the desktop program up to its main
// window shown on screen, then the process ends. scripts/bench-cli times it
// as a whole process beside the floor, a bare Qt window with one label.
//   keelson  the program's own start: the nine windows, then the main one
//            shown, which runs the start-up sequence (a stored settings store
//            is needed, or the first-run dialogs would wait for an answer)
//   bare     a plain window with one label, shown

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/app/KeelsonApplication.h"
#include "gui/app/KeelsonWindows.h"
#include "gui/app/MainMenu.h"

namespace {

// Runs the events until the window is on screen.
bool WaitUntilShown(QWidget& window) {
    QElapsedTimer timer;
    timer.start();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        if (timer.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
    if (argc != 2 || (!bare && std::strcmp(argv[1], "keelson") != 0)) {
        std::fputs("usage: keelson-start-bench keelson|bare\n", stderr);
        return 2;
    }
    if (bare) {
        QApplication app(argc, argv);
        QWidget window;
        QLabel label(QStringLiteral("Keelson"), &window);
        window.resize(337, 298);
        window.show();
        return WaitUntilShown(window) ? 0 : 1;
    }
    keelson::KeelsonApplication app(argc, argv);
    std::unique_ptr<keelson::KeelsonWindows> windows = keelson::CreateWindows();
    windows->MainMenuForm->show();
    return WaitUntilShown(*windows->MainMenuForm) ? 0 : 1;
}
