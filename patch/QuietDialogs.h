#pragma once

#include "Dialogs.h"

#include <string>
#include <utility>
#include <vector>

namespace velcora {

/// Dialogs nobody sees, for programs that run without a person (fuzzing, benchmarks, tests
/// that only need the boxes kept): every message box is kept and answered at once as if the
/// person had closed it (Ok for a box with only Ok), so no question ever lets something be
/// overwritten or dropped; every file dialog is cancelled.
class TQuietDialogs : public IDialogs {
public:
    TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) override;
    TFileChoice OpenFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;
    TFileChoice SaveFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;

    TPathsChoice OpenPaths(const std::string& title, const std::string& filter,
                           const std::string& folder, bool chooseFolder) override;

    /// Every message box so far, oldest first.
    const std::vector<std::pair<TMessageKind, std::string>>& Shown() const { return FShown; }

private:
    std::vector<std::pair<TMessageKind, std::string>> FShown;
};

} // namespace velcora
