#pragma once

#include "Dialogs.h"

#include <string>

namespace velcora::bench {

/// Dialogs nobody answers: every box is taken with OK (the last text kept), every file
/// dialog cancelled.
class TQuietDialogs : public IDialogs {
public:
    TAnswer MessageBox(TMessageKind, const std::string& text, TButtons) override {
        Last = text;
        return TAnswer::Ok;
    }
    TFileChoice OpenFile(const std::string&, const std::string&, const std::string&,
                         const std::string& n) override {
        return {false, n};
    }
    TFileChoice SaveFile(const std::string&, const std::string&, const std::string&,
                         const std::string& n) override {
        return {false, n};
    }
    std::string Last;
};

} // namespace velcora::bench
