// What the MIDI setup dialog asks of the run: the three ports chosen by device, the search
// for the synth, the blank file and the two pauses.
#include "Dialogs.h"
#include "MidiCaps.h"
#include "MidiDriver.h"
#include "MidiOutputError.h"
#include "Midiin.h"
#include "Midiout.h"
#include "PatchMessages.h"
#include "SafeFile.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <cctype>

namespace velcora {

namespace {

const std::string DevicesSection = "MidiDevices";
const std::string BlankTitle = "Select Patch File as the Default patch";
const std::string KbdHasDevice = "The keyboard has this device.\nReset the keyboard?";
const std::string InputHasDevice = "The Midi input has this device.\nReset the Midi Input?";
const std::string BlankForOtherSynth =
    "The file is for a different Emu synth\n\nYou need to have a default file !\nPlease press "
    "the button again.";
const std::string SearchDuringTransfer =
    "A transfer is running.\nWait for it to end, or cancel it, before looking for the synth.";
const std::string SearchDuringImport =
    "An import is running.\nWait for it to end, or cancel it, before looking for the synth.";

bool SameText(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

const std::string& KeyOf(TPort port) {
    static const std::string Input = "Input";
    static const std::string Output = "Output";
    static const std::string KbdInput = "KbdInput";
    switch (port) {
    case TPort::SynthInput:
        return Input;
    case TPort::SynthOutput:
        return Output;
    case TPort::KbdInput:
        break;
    }
    return KbdInput;
}

} // namespace

std::vector<std::string> TWorkspace::PortEntries(TPort port) const {
    std::vector<std::string> entries;
    if (FDriver != nullptr) {
        if (port == TPort::SynthOutput) {
            for (uint32_t id = 0; id < FDriver->OutDeviceCount(); ++id) {
                TMidiOutCaps caps;
                entries.push_back(FDriver->OutDeviceCaps(id, caps) == 0 ? caps.Name : "");
            }
        } else {
            for (uint32_t id = 0; id < FDriver->InDeviceCount(); ++id) {
                TMidiInCaps caps;
                entries.push_back(FDriver->InDeviceCaps(id, caps) == 0 ? caps.Name : "");
            }
        }
    }
    entries.push_back(NoDevice);
    FPortLists[port == TPort::SynthOutput ? 1 : 0] = entries;
    return entries;
}

const std::vector<std::string>& TWorkspace::ShownEntries(TPort port) const {
    const std::optional<std::vector<std::string>>& kept =
        FPortLists[port == TPort::SynthOutput ? 1 : 0];
    if (!kept) {
        PortEntries(port);
    }
    return *kept;
}

int TWorkspace::EntryIndex(const std::vector<std::string>& entries, const std::string& text) {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&text](const std::string& e) { return SameText(e, text); });
    return it != entries.end() ? static_cast<int>(it - entries.begin())
                               : static_cast<int>(entries.size()) - 1;
}

void TWorkspace::OpenSavedPorts() {
    // Each index is stored before its choice runs, so the sharing questions compare with it.
    const auto saved = [this](TPort port, int& device) {
        const std::vector<std::string> entries = ShownEntries(port);
        const int entry =
            EntryIndex(entries, FIni.ReadString(DevicesSection, KeyOf(port), NoDevice));
        device = entry + 1 < static_cast<int>(entries.size()) ? entry : -1;
        return entry;
    };
    lbMidiInClick(saved(TPort::SynthInput, FSynthInDev));
    lbMidiOutClick(saved(TPort::SynthOutput, FSynthOutDev));
    lbKbdInClick(saved(TPort::KbdInput, FKbdInDev));
    bCheckIdClick();
}

bool TWorkspace::ChooseInput(TPort port, int entry) {
    // The synth's replies and a keyboard cannot share one device: taking it from the other
    // port needs the person's word.
    const bool synth = port == TPort::SynthInput;
    TMidiInput* in = synth ? FMidiSynthToPC.get() : FMidiKbdToPC.get();
    TMidiInput* other = synth ? FMidiKbdToPC.get() : FMidiSynthToPC.get();
    int& device = synth ? FSynthInDev : FKbdInDev;
    int& otherDevice = synth ? FKbdInDev : FSynthInDev;
    const TPort otherPort = synth ? TPort::KbdInput : TPort::SynthInput;
    // The entry is one of the list the person saw: the driver's list may have moved since.
    const std::vector<std::string> entries = ShownEntries(port);
    if (entry < 0 || entry >= static_cast<int>(entries.size()) || in == nullptr) {
        return false;
    }
    const std::string& text = entries[static_cast<size_t>(entry)];
    if (entry + 1 == static_cast<int>(entries.size())) {
        device = -1;
        in->StopAndClose();
        RememberDevice(port, NoDevice);
        return false;
    }
    if (entry == otherDevice) {
        if (FCtx.Dialogs.MessageBox(TMessageKind::Error, synth ? KbdHasDevice : InputHasDevice,
                                    TButtons::YesNo) != TAnswer::Yes) {
            return false;
        }
        otherDevice = -1;
        other->StopAndClose();
        RememberDevice(otherPort, NoDevice);
    }
    in->StopAndClose();
    // The choice names the device before it opens: a device that fails to open stays
    // chosen, closed, and its key keeps the old name.
    device = entry;
    // By name: the driver numbers its devices anew as they come and go, so the entry's
    // index may now be another device's. A device gone since raises its own error.
    in->SetProductName(text);
    in->OpenAndStart();
    RememberDevice(port, text);
    return true;
}

void TWorkspace::lbMidiInClick(int entry) {
    RunGuarded([this, entry] {
        if (ChooseInput(TPort::SynthInput, entry)) {
            bCheckIdClick();
        }
    });
}

void TWorkspace::lbMidiOutClick(int entry) {
    RunGuarded([this, entry] {
        const std::vector<std::string> entries = ShownEntries(TPort::SynthOutput);
        if (entry < 0 || entry >= static_cast<int>(entries.size()) || !FMidiPCToSynth) {
            return;
        }
        const std::string& text = entries[static_cast<size_t>(entry)];
        if (entry + 1 == static_cast<int>(entries.size())) {
            FSynthOutDev = -1;
            FMidiPCToSynth->Close();
            RememberDevice(TPort::SynthOutput, NoDevice);
            return;
        }
        FMidiPCToSynth->Close();
        FSynthOutDev = entry;
        // An output that cannot be opened, gone since it was listed among them, stays closed
        // without a word; the search then sends nothing. It is found by name, as the driver's
        // numbers move when devices come and go.
        bool listed = true;
        try {
            FMidiPCToSynth->SetProductName(text);
        } catch (const EMidiOutputError&) {
            listed = false;
        }
        if (listed) {
            FMidiPCToSynth->Open();
        }
        RememberDevice(TPort::SynthOutput, text);
        bCheckIdClick();
    });
}

void TWorkspace::lbKbdInClick(int entry) {
    RunGuarded([this, entry] { ChooseInput(TPort::KbdInput, entry); });
}

void TWorkspace::RememberDevice(TPort port, const std::string& text) {
    if (FRememberDevices) {
        FIni.WriteString(DevicesSection, KeyOf(port), text);
    }
}

void TWorkspace::WriteDeviceChoices() {
    // A run that picked its ports for itself leaves the devices the person saved alone.
    if (!FRememberDevices) {
        return;
    }
    const auto write = [this](TPort port, int device) {
        const std::vector<std::string>& entries = ShownEntries(port);
        if (device >= 0 && device + 1 < static_cast<int>(entries.size())) {
            FIni.WriteString(DevicesSection, KeyOf(port), entries[static_cast<size_t>(device)]);
        }
    };
    write(TPort::SynthInput, FSynthInDev);
    write(TPort::SynthOutput, FSynthOutDev);
    write(TPort::KbdInput, FKbdInDev);
}

void TWorkspace::bCheckIdClick() {
    // The answer rebuilds the workspace and the edit-buffer request takes over the receive
    // target: either would wreck the bank being fetched or sent.
    // An answer reloads the library under an import, too.
    if (FRunning != TRunning::None) {
        FCtx.Dialogs.MessageBox(
            TMessageKind::Warning,
            FRunning == TRunning::Import ? SearchDuringImport : SearchDuringTransfer, TButtons::Ok);
        return;
    }
    FView.ShowSetupSynth("");
    RunGuarded([this] {
        FSynth.RequestIdentity();
        FReqTimer.start();
    });
}

void TWorkspace::ReqTimerTimer() {
    FReqTimer.stop();
    if (FRunning == TRunning::Transfer) {
        return; // a transfer started since the search: its replies are not the edit buffer
    }
    FSynth.RequestEditBuffer(FCtx.DeviceId);
}

void TWorkspace::RequestIdentity() {
    // The answer rebuilds the workspace: never under a transfer or an import.
    if (FRunning != TRunning::None) {
        return;
    }
    RunGuarded([this] { FSynth.RequestIdentity(); });
}

void TWorkspace::SendInitParam() {
    RunGuarded([this] { FSynth.SendInitParam(FCtx.DeviceId); });
}

void TWorkspace::bBlankFileClick() {
    const TFileChoice choice = FCtx.Dialogs.OpenFile(BlankTitle, msg::SysexFilter, FCtx.PatchesDir,
                                                     FSynth.FileNames[TSynth::BlankFile]);
    if (!choice.Accepted) {
        return;
    }
    if (!LoadBlankFile(choice.FileName)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, BlankForOtherSynth, TButtons::Ok);
        return;
    }
    FSynth.FileNames[TSynth::BlankFile] = choice.FileName;
    if (!FSynth.Section.empty()) {
        FSection.WriteString("BlankFile", choice.FileName);
    }
    FBlankName = FileBaseName(choice.FileName);
    FView.ShowSetupBlankName(FBlankName);
}

bool TWorkspace::LoadBlankFile(const std::string& path) {
    // The blank patch fills every hole a deletion leaves: a file that does not suit the synth
    // must leave it whole, not half read.
    const TFileRead file = ReadFilePrefix(path, FCtx.Sizes.TotalSize());
    return file.Ok && FBlankPatch->LoadEditBufferBytes(file.Bytes, FCtx);
}

void TWorkspace::SetPause(std::function<void(int milliseconds)> pause) {
    FSynth.Pause = std::move(pause);
}

void TWorkspace::SetTimeBetweenSysex(int milliseconds) {
    FSynth.TimeBetweenSysex = TSynth::ClampPause(milliseconds);
    if (!FSynth.Section.empty()) {
        FIni.WriteInteger(FSynth.Section, "TimeBetweenSysex", FSynth.TimeBetweenSysex);
    }
}

void TWorkspace::SetTimeBetweenPatches(int milliseconds) {
    FSynth.TimeBetweenPatches = TSynth::ClampPause(milliseconds);
    FSendTimer.setInterval(FSynth.TimeBetweenPatches);
    if (!FSynth.Section.empty()) {
        FIni.WriteInteger(FSynth.Section, "TimeBetweenPatches", FSynth.TimeBetweenPatches);
    }
}

} // namespace velcora
