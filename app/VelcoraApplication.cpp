#include "VelcoraApplication.h"

#include "Dialogs.h"

#include <exception>
#include <iostream>
#include <string>

namespace velcora {

TVelcoraApplication::TVelcoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TVelcoraApplication::~TVelcoraApplication() = default;

bool TVelcoraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(e.what());
    } catch (...) {
        ShowError("Unknown error");
    }
    // The event counts as handled: the handler that raised the error has ended.
    return true;
}

void TVelcoraApplication::ShowError(const std::string& text) noexcept {
    try {
        if (FDialogs != nullptr) {
            FDialogs->MessageBox(TMessageKind::Error, text, TButtons::Ok);
            return;
        }
    } catch (...) {
        // The box itself failed: the text still reaches the person through stderr.
    }
    std::cerr << text << "\n";
}

} // namespace velcora
