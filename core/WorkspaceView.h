#pragma once

#include <string>

namespace velcora {

/// What the workspace changes on the main window's face; the windows implement it, the
/// tests record it.
class IWorkspaceView {
public:
    virtual ~IWorkspaceView() = default;

    /// Tab 0..3 the user banks, 4 the ROM bank.
    virtual void SetBankTabCaption(int tab, const std::string& caption) = 0;
    /// The edit buffer's category field and name field.
    virtual void ShowEditBufferName(const std::string& category, const std::string& name) = 0;
    /// Shows a user bank's tab as if the person had chosen it.
    virtual void ShowUserTab(int bank) = 0;
    /// The ROM tab's label with the ROM bank file's name.
    virtual void ShowRomBankFile(const std::string& fileName) = 0;
};

} // namespace velcora
