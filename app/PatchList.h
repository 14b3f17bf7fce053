#pragma once

#include <QDialog>

namespace velcora {

class IDialogs;
class TWorkspace;

/// The patch list window: the names of the four user banks as a plain, numbered or Cakewalk
/// instrument list, shown, copied to the clipboard and saved. Lives as long as the program,
/// so its title, separator and list type keep their last values between openings.
class TfPatchList : public QDialog {
    Q_OBJECT

public:
    TfPatchList(TWorkspace& workspace, IDialogs& dialogs, QWidget* parent = nullptr);
    ~TfPatchList() override;

    /// Opens the window modally, as the bank panel's patch list button does.
    void Open();

private:
    TWorkspace& FWorkspace;
    IDialogs& FDialogs;
};

} // namespace velcora
