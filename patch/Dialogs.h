#pragma once

#include <string>
#include <vector>

namespace velcora {

/// The four kinds of message box; each shows the program's title as its caption.
enum class TMessageKind { Warning, Error, Information, Confirmation };

/// The button sets a message box offers.
enum class TButtons { Ok, YesNo, YesNoCancel, OkCancel };

/// The button the person pressed (closing the box counts as Cancel, or No without Cancel).
enum class TAnswer { Ok, Yes, No, Cancel };

/// What a file dialog returns: whether a file was chosen, and the dialog's file name (the
/// proposed name when cancelled).
struct TFileChoice {
    bool Accepted = false;
    std::string FileName;
};

/// What a dialog for several files or one folder returns: the chosen paths (one folder, or
/// the files), none when cancelled.
struct TPathsChoice {
    bool Accepted = false;
    std::vector<std::string> Paths;
};

/// Everything a person reads or answers passes through here, so that the windows can show
/// it with Qt and a test can check the exact words and choose the answer. Texts are in the
/// program's one-byte character set; "\n" is a line break.
class IDialogs {
public:
    virtual ~IDialogs() = default;

    virtual TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) = 0;
    /// filter as "Description (*.ext)|*.EXT"; folder ends in the path separator or is empty.
    virtual TFileChoice OpenFile(const std::string& title, const std::string& filter,
                                 const std::string& folder, const std::string& fileName) = 0;
    virtual TFileChoice SaveFile(const std::string& title, const std::string& filter,
                                 const std::string& folder, const std::string& fileName) = 0;
    /// Several existing files (chooseFolder false) or one folder (true), starting in folder.
    /// Faces that cannot ask answer cancelled.
    virtual TPathsChoice OpenPaths(const std::string& /*title*/, const std::string& /*filter*/,
                                   const std::string& /*folder*/, bool /*chooseFolder*/) {
        return {};
    }
};

} // namespace velcora
