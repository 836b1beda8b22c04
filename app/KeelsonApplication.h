#pragma once
// The desktop program's application object: its title "Keelson" and the
// endings of the program that must not save. Exceptions never reach it:
// every slot runs through the desktop seam's RunGuarded.

#include <QApplication>

namespace keelson {

class KeelsonApplication : public QApplication {
    Q_OBJECT
  public:
    KeelsonApplication(int& argc, char** argv);

    // Ends the program with status 0 by ending its event loops. No window is
    // closed on the way (Qt's quit would close them all, and the main
    // window saves the settings when it closes), so nothing is saved.
    static void EndProgram();
    // True once EndProgram has run: the main window then saves nothing.
    static bool Ending();
    // For the window tests, which run many starts in one process.
    static void ClearEnding();
};

// The text the error box shows for an exception caught in flight.
std::string MessageOfCurrentException();

}  // namespace keelson
