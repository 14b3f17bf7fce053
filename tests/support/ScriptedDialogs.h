#pragma once

#include "Dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace velcora::test {

/// One dialog as it was shown.
struct TShownDialog {
    enum class TType { Message, Open, Save, OpenPaths };
    TType Type = TType::Message;
    TMessageKind Kind = TMessageKind::Information;
    TButtons Buttons = TButtons::Ok;
    std::string Text; ///< message text, or the file dialog's title
    std::string Filter;
    std::string Folder;
    std::string FileName;
};

/// A dialogs double that answers from a script and records every text shown. A dialog the
/// script does not expect, or one that differs from the expected kind, text or title, fails
/// the running test; so does a script left unused when the double is destroyed.
class TScriptedDialogs : public IDialogs {
public:
    ~TScriptedDialogs() override;

    void ExpectMessage(TMessageKind kind, std::string text, TAnswer answer = TAnswer::Ok);
    /// Expect an open dialog with this title; answer with the file, or cancel when empty.
    void ExpectOpen(std::string title, std::string choose);
    void ExpectSave(std::string title, std::string choose);
    /// Expect a dialog for several files or a folder (as chooseFolder says) with this title;
    /// answer with the paths, or cancel when there are none.
    void ExpectOpenPaths(std::string title, bool chooseFolder, std::vector<std::string> choose);

    TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) override;
    TFileChoice OpenFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;
    TFileChoice SaveFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override;
    TPathsChoice OpenPaths(const std::string& title, const std::string& filter,
                           const std::string& folder, bool chooseFolder) override;

    const std::vector<TShownDialog>& Shown() const { return FShown; }
    bool ScriptDone() const { return FScript.empty(); }

private:
    struct TStep {
        TShownDialog::TType Type;
        TMessageKind Kind;
        std::string Text;
        TAnswer Answer;
        std::string Choose;
        bool ChooseFolder = false;
        std::vector<std::string> Paths;
    };
    TFileChoice File(TShownDialog::TType type, const std::string& title, const std::string& filter,
                     const std::string& folder, const std::string& fileName);

    std::deque<TStep> FScript;
    std::vector<TShownDialog> FShown;
};

} // namespace velcora::test
