#pragma once

#include "Dialogs.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace velcora {

/// The command line's face for the message boxes: each becomes lines on the error stream, a
/// question is answered No (or Cancel), and no file dialog is ever chosen in.
class TConsoleDialogs : public IDialogs {
public:
    explicit TConsoleDialogs(std::ostream& err) : FErr(err) {}
    TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) override;
    TFileChoice OpenFile(const std::string&, const std::string&, const std::string&,
                         const std::string& name) override {
        return {false, name};
    }
    TFileChoice SaveFile(const std::string&, const std::string&, const std::string&,
                         const std::string& name) override {
        return {false, name};
    }
    /// The warnings and errors shown, in order.
    std::vector<std::string> Problems;

private:
    std::ostream& FErr;
};

} // namespace velcora
