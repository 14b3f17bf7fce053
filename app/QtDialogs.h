#pragma once

#include "Dialogs.h"

#include <QString>

class QWidget;

namespace velcora {

/// The program's title, the caption of every message box.
inline constexpr const char* AppTitle = "Velcora V1.01";

/// The dialogs interface shown with Qt: modal message boxes captioned with the program's
/// title, and the platform's file dialogs.
class TQtDialogs : public IDialogs {
public:
    explicit TQtDialogs(QWidget* parent = nullptr) : FParent(parent) {}

    TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) override;
    TFileChoice OpenFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;
    TFileChoice SaveFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;

    /// Several files in the platform's dialog, or one folder in its folder dialog.
    TPathsChoice OpenPaths(const std::string& title, const std::string& filter,
                           const std::string& folder, bool chooseFolder) override;

    /// "Sysex files (*.syx)|*.SYX" as a Qt file filter that matches both letter cases on a
    /// case-sensitive file system: "Sysex files (*.syx *.SYX)".
    static QString FilterForQt(const std::string& filter);

    /// The window a dialog opens over: the active modal dialog or the active window, else the
    /// parent given, else a visible window of the program. A box without one would open
    /// centred on the screen with a task-bar entry of its own, possibly behind the splash.
    QWidget* DialogParent() const;

private:
    QWidget* FParent;
};

} // namespace velcora
