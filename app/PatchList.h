#pragma once

#include "PatchListText.h"

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QShowEvent;

namespace velcora {

class IDialogs;
class TWorkspace;

/// The patch list window: the names of the four user banks as a plain, numbered or Cakewalk
/// instrument list, shown, copied to the clipboard and saved. Lives as long as the program,
/// so its title, separator and list type keep their last values between openings.
class TfPatchList : public QDialog {
    Q_OBJECT

public:
    static inline const std::string MidnamSaveTitle = "Save MIDNAM File";
    static inline const std::string MidnamFilter = "MIDNAM (*.midnam)|*.midnam";

    TfPatchList(TWorkspace& workspace, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TfPatchList() override;

    /// Opens the window modally, as the bank panel's patch list button does.
    void Open();

    /// Builds the list of the chosen type from the banks as they are now, shows it and copies
    /// it to the clipboard; a list type's click, Enter in the title or separator and every
    /// showing of the window run it.
    void rgListTypeClick();
    /// Saves the text area's current lines (the person may have edited them) to a file.
    void bbSaveBankClick();
    void bbExitPatchListClick();
    /// Saves the names of the four user banks, and of the ROM bank when the ROM tab shows
    /// one, as a MIDNAM document that sequencers read, with the bank selects the synth takes.
    void bbSaveMidnamClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TListType ListType() const;
    std::array<std::vector<std::string>, 4> UserBankNames() const;

    TWorkspace& FWorkspace;
    IDialogs& FDialogs;
    /// The model name as it was when the window was last opened.
    std::string FModelName;
    /// Where the save dialog starts: the folder the program was started in.
    std::string FStartDir;
    TListSaveSettings FSave;

    QPlainTextEdit* FText = nullptr;
    QLineEdit* FTitle = nullptr;
    QLabel* FSynthName = nullptr;
    QLabel* FSeparatorLabel = nullptr;
    QLineEdit* FSeparator = nullptr;
    QButtonGroup* FListType = nullptr;
    QLabel* FCopied = nullptr;
};

} // namespace velcora
