#pragma once

#include <QApplication>

namespace velcora {

class IDialogs;

/// The program's application object: an error that an event handler raises (a MIDI port's,
/// whose text names the port and the fault) is shown in the error box and the event loop
/// goes on, instead of ending the program with the person's unsaved work.
class TVelcoraApplication : public QApplication {
    Q_OBJECT

public:
    TVelcoraApplication(int& argc, char** argv);
    ~TVelcoraApplication() override;

    /// Where the error box is shown; until set (or when null) the error goes to stderr.
    void SetDialogs(IDialogs* dialogs) { FDialogs = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void ShowError(const std::string& text) noexcept;

    IDialogs* FDialogs = nullptr;
};

} // namespace velcora
