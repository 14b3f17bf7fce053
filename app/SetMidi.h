#pragma once

#include "WorkspaceStatus.h"

#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace velcora {

class TWorkspace;

/// The MIDI setup dialog: the three device lists, "Look for Synth", the blank file, the
/// two pauses and the send mode. Modeless; hidden, never closed, until the program ends. Creating
/// it opens the ports the settings file names and looks for the synth.
class TfSetMidi : public QDialog {
    Q_OBJECT

public:
    explicit TfSetMidi(TWorkspace& workspace, QWidget* parent = nullptr);
    /// Writes the chosen devices to the settings file.
    ~TfSetMidi() override;

    // What the identity handling shows, forwarded from the workspace's view interface.
    void ShowSetupSynth(const std::string& synthName);
    void ShowSetupBlankName(const std::string& blankName);
    /// Writes the two pause fields; a field whose text changes runs its change rule. The
    /// checked-sends box shows the synth's send mode, which is read with the pauses.
    void ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches);

    /// Chooses the entries with these texts (letter case ignored; "None" where no device has
    /// the text) in the synth input and output lists, as a click on each would.
    void ChooseDevices(const std::string& input, const std::string& output);

    /// A pause field's text rebuilt from its digits, in their order: "12a3" gives "123".
    static std::string PauseDigits(const std::string& text);

    static inline const char* const Caption = "Midi Setup  (Velcora Version 1.2.01)";

protected:
    /// The form's showing: the fields take the two pauses.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TPause { Sysex, Patches };

    void BuildControls();
    QListWidget* List(TPort port) const;
    /// The person chose an entry: the port's operation, then the three lists show what the
    /// workspace chose (a question answered No puts the old entry back).
    void Choose(TPort port, int entry);
    /// Selects the entries the workspace reports, without running a choice.
    void ShowChoices();
    /// The change rule of a pause field.
    void PauseChanged(TPause pause);
    QLineEdit* Field(TPause pause) const;
    /// Whether a key pressed in a pause field may reach it.
    static bool PauseKeyAllowed(const QKeyEvent& key);

    TWorkspace& FWorkspace;
    std::array<QListWidget*, 3> FLists{};
    /// The choice a mouse press made on a list, so that the click that ends the press does
    /// not choose the same entry again.
    std::array<bool, 3> FChosenOnPress{};
    QLineEdit* FTimeBetweenSysex = nullptr;
    QLineEdit* FTimeBetweenPatches = nullptr;
    QCheckBox* FCheckedSends = nullptr;
    QLabel* FSynthName = nullptr;
    QLabel* FBlankFile = nullptr;
};

} // namespace velcora
