#pragma once
// The desktop program's application object: its title "Keelson", the error
// box for every exception that leaves an event handler, and the endings of
// the program that must not save.

#include <QApplication>

namespace keelson {

class KeelsonApplication : public QApplication {
    Q_OBJECT
  public:
    KeelsonApplication(int& argc, char** argv);

    // Every event goes through here: an exception that leaves a handler
    // stops that handler and is shown in the error box; the program goes on.
    bool notify(QObject* receiver, QEvent* event) override;

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
