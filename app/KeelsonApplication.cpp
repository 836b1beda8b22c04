#include "app/KeelsonApplication.h"

#include <exception>
#include <new>
#include <string>

#include "app/WindowLook.h"

namespace keelson {

namespace {
bool ending = false;
}

KeelsonApplication::KeelsonApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the application name: a display name would be appended to every
    // window title.
    setApplicationName(QStringLiteral("Keelson"));
    LoadPictures();
}

std::string MessageOfCurrentException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void KeelsonApplication::EndProgram() {
    ending = true;
    QCoreApplication::exit(0);
}

bool KeelsonApplication::Ending() {
    return ending;
}

void KeelsonApplication::ClearEnding() {
    ending = false;
}

}  // namespace keelson
