#pragma once

#include <QDialog>
#include <string>

namespace velcora {

class TWorkspace;

/// The MIDI setup dialog: the three device lists, "Look for Synth", the blank file and the
/// two pauses. Modeless; hidden, never closed, until the program ends. Creating it opens the
/// ports the settings file names and looks for the synth.
class TfSetMidi : public QDialog {
    Q_OBJECT

public:
    explicit TfSetMidi(TWorkspace& workspace, QWidget* parent = nullptr);
    ~TfSetMidi() override;

    // What the identity handling shows, forwarded from the workspace's view interface.
    void ShowSetupSynth(const std::string& synthName);
    void ShowSetupBlankName(const std::string& blankName);
    void ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches);

private:
    TWorkspace& FWorkspace;
};

} // namespace velcora
