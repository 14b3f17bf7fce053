// Receiving from the synth: draining the input port, the dispatcher, assembling preset dumps,
// the synth's cancel, and the keyboard passed through.
#include "Dialogs.h"
#include "LibraryImport.h"
#include "Midiin.h"
#include "Midiout.h"
#include "PresetNumber.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <cstring>

namespace velcora {

namespace {

const std::string OverflowWarning = "Midi input data overflow from Synth.";
const std::string CancelWarning =
    "         The synth cancelled the dump.\n\nThis can be due to sending patches too "
    "quickly.\nSlow it down by increasing the \"Time Between Patches\"\n             on the "
    "Setup Midi Page\n\nThis has also occured to me on a Command Station\n   when getting ROM "
    "banks greater than Bank 3.\nSwap the \"Method\" to \"Edit Buffer\" and try again\n";

constexpr uint8_t ActiveSensing = 0xFE;

/// Sets the flag for the duration of a dispatch, and clears it also when a handler raises.
class TBusy {
public:
    explicit TBusy(bool& busy) : FBusy(busy) { FBusy = true; }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;
    ~TBusy() { FBusy = false; }

private:
    bool& FBusy;
};

} // namespace

void TWorkspace::MidiSynthToPCMidiInput() {
    if (!FMidiSynthToPC) {
        return;
    }
    while (auto event = FMidiSynthToPC->GetMidiEvent()) {
        if (event->StatusByte == ActiveSensing || event->SysexByteCount == 0) {
            continue;
        }
        ReceiveSysex({event->SysexBytes.get(), event->SysexByteCount});
    }
}

void TWorkspace::MidiSynthToPCOverflow() {
    FCtx.Dialogs.MessageBox(TMessageKind::Warning, OverflowWarning, TButtons::Ok);
}

void TWorkspace::MidiKbdToPCMidiInput() {
    if (!FMidiKbdToPC) {
        return;
    }
    while (auto event = FMidiKbdToPC->GetMidiEvent()) {
        if (event->StatusByte != ActiveSensing && FSynthOutDev != -1 && FMidiPCToSynth) {
            FMidiPCToSynth->PutMidiEvent(*event);
        }
    }
}

void TWorkspace::ReceiveSysex(std::span<const uint8_t> message) {
    if (message.empty() || message.size() > FRxBuffer.size()) {
        return;
    }
    std::memcpy(FRxBuffer.data(), message.data(), message.size());
    FRxLength = message.size();
    DispatchSysex();
}

void TWorkspace::DispatchSysex() {
    TBusy busy(FBusy);
    const std::span<const uint8_t> m(FRxBuffer.data(), FRxLength);
    if (sysex::IsEmuMessage(m)) {
        // Before the device check: an acknowledgement may carry its device id after the 55.
        if (FCkRunning && HandleHandshake(m)) {
            return;
        }
        if (!sysex::AcceptedFrom(m, FCtx.DeviceId)) {
            return;
        }
        if (FExpectChannel && HandleChannel(m)) {
            return;
        }
        if (FExpectDump && HandlePresetDump()) {
            return;
        }
        if (FExpectHwConfig && HandleHwConfig(m)) {
            return;
        }
        HandleCancel();
        return;
    }
    if (FExpectIdentity && HandleIdentity(m)) {
        FExpectIdentity = false;
        FSynthFound = true;
    }
}

bool TWorkspace::HandlePresetDump() {
    uint8_t* m = FRxBuffer.data();
    if (!sysex::IsPresetDump({m, FRxLength})) {
        return false;
    }
    const auto packet = sysex::DumpPacketNumber({m, FRxLength});
    if (packet == 0) {
        if (FRomViaEditBuffer) {
            // The edit buffer holds the ROM preset asked for: store it as that preset.
            m[7] = static_cast<uint8_t>(FCurPreset & 0x7F);
            m[8] = static_cast<uint8_t>(FRomBankNo & 0x7F);
            FRxPatch = &FRomBank->Slot(std::clamp(FCurPreset, 0, TPatchBank::SlotCount - 1));
        }
        if (FRxPatch != nullptr) {
            FSynth.ApplyHeaderByteCount({m, FRxLength}, FCtx.Sizes);
            Stage(0);
        }
        return true;
    }
    if (!packet || FRxPatch == nullptr) {
        return true; // a message that fits no slot is ignored
    }
    Stage(*packet);
    if (*packet != 7) {
        return true;
    }
    const bool whole = FRxSeen == 0xFF && StagedDumpFits();
    FRxSeen = 0;
    if (!whole) {
        // A packet was lost or cut short, or the dump has another shape than the one in use:
        // the patch keeps what it held, and the request is still open, so the time-out tells
        // the person.
        return true;
    }
    FRxStage.CopyTo(FRxPatch->Dump());
    FRxPatch->ReadName();
    if (FRxPatch == FEditPatch.get()) {
        ShowEditBufferName();
    }
    FExpectDump = false;
    const auto header = FRxPatch->Dump().Slot(0);
    const int pl = header[7];
    const int pm = header[8];
    const std::string version = FSynth.Caption();
    if (pm == EditBufferNumber || pl >= 128) {
        FView.SetCaption(version + " ");
    } else {
        if (!FRomXfer) {
            SelectRxView(pm);
        }
        if (TPatchBank* view = BankOf(FRxView)) {
            view->ShowName(pl);
        }
        FBankTimer.start();
        FView.SetCaption(version + "  : " + FBankLabel + " : " + std::to_string(pl) + " " +
                         FRxPatch->Name());
    }
    if (FRxPatch == FEditPatch.get()) {
        FSynth.MeasureSizes(*FEditPatch, FCtx.Sizes, FIni);
    }
    return true;
}

void TWorkspace::Stage(int packet) {
    const auto slot = FRxStage.Slot(packet);
    if (packet == 0) {
        FRxStage.Clear();
        FRxSeen = 0;
    }
    std::memcpy(slot.data(), FRxBuffer.data(), FRxLength);
    // A shorter packet than the last one in this slot leaves none of that one's bytes behind.
    std::fill(slot.begin() + static_cast<std::ptrdiff_t>(FRxLength), slot.end(), uint8_t{0});
    FRxLengths[static_cast<size_t>(packet)] = static_cast<int>(FRxLength);
    const bool whole = sysex::DumpPacketWhole({FRxBuffer.data(), FRxLength});
    const auto bit = static_cast<uint8_t>(1u << packet);
    FRxSeen = whole ? static_cast<uint8_t>(FRxSeen | bit) : static_cast<uint8_t>(FRxSeen & ~bit);
}

bool TWorkspace::StagedDumpFits() const {
    const auto sizes = sysex::GatheredDumpSizes(FRxStage.Slot(0), FRxLengths);
    if (!sizes) {
        return false;
    }
    // Every file a patch is written to is sized by the dump sizes: a patch of another shape
    // would be written cut or padded. The edit-buffer dump awaited after a request is the one
    // that sets the sizes (MeasureSizes, right after it lands).
    const bool measuring = FRxPatch == FEditPatch.get() && !FSynth.SizesMeasured;
    return measuring || *sizes == FCtx.Sizes;
}

bool TWorkspace::HandleCancel() {
    const std::span<const uint8_t> m(FRxBuffer.data(), FRxLength);
    if (!sysex::IsCancel(m)) {
        return false;
    }
    FCtx.Dialogs.MessageBox(TMessageKind::Warning, CancelWarning, TButtons::Ok);
    if (FRunning == TRunning::Transfer) {
        bbCancelGetClick();
    }
    return true;
}

void TWorkspace::NoteFetchCut() {
    // Slots not reached keep what they held before: the bank is a mixture, never to be taken
    // for a saved one.
    if (FRunning == TRunning::Transfer && !FSending && FXferBank != nullptr) {
        const int n = FXferBank->BankNumber();
        if (n >= 0 && n < 4) {
            FHalfFetched[static_cast<size_t>(n)] = true;
        }
    }
}

void TWorkspace::bbCancelGetClick() {
    if (FRunning == TRunning::Import) {
        FImport->Cancel();
        EndImport();
        return;
    }
    FBankTimer.stop();
    FSendTimer.stop();
    if (FCkRunning && !FBusy && FCkPacket < FCkPackets.size()) {
        // The synth holds part of a patch: it is told to drop it.
        FSynth.SendUnpaused(sysex::Handshake(FCtx.DeviceId, sysex::THandshakeKind::Cancel));
    }
    StopCheckedSend();
    NoteFetchCut();
    if (FXferBank != nullptr) {
        FXferBank->SetXferPos(FXferBank->SelectionCount());
    }
    // The time-out keeps running: if no dump comes it still says so, and cancels again.
    if (FSending) {
        EndSend();
    } else {
        EndFetch();
    }
}

void TWorkspace::EndFetch() {
    SelectRxView(FCtx.CurUserBank);
    FRomXfer = false;
    FRomViaEditBuffer = false;
    // A dump asked for before a cancel can complete after it and end the fetch once more:
    // by then another job may own the progress bar.
    if (FRunning == TRunning::Transfer) {
        FRunning = TRunning::None;
        FView.ShowProgress(false, 0, 0);
    }
    FView.EnableRomLists(true);
    EnableCommands();
    SetMixMorph(FMixOn, FMorphOn);
    CommitUndoStep("Fetch Bank");
}

void TWorkspace::EndSend() {
    FRunning = TRunning::None;
    FView.ShowProgress(false, 0, 0);
    EnableCommands();
    SetMixMorph(FMixOn, FMorphOn);
    FView.SetCaption(FSynth.Caption() + " ");
    AbsorbUndoState();
}

void TWorkspace::CommandStates(TWorkspaceStatus& s) const {
    const bool idle = FRunning == TRunning::None;
    const TPatchBank& bank = *FUserBank.at(static_cast<size_t>(FCtx.CurUserBank));
    bool marked = false;
    for (int i = 0; i < TPatchBank::SlotCount && !marked; ++i) {
        marked = bank.Slot(i).Selected();
    }
    s.CommandsEnabled = idle;
    s.GetSendSelectedEnabled = idle && marked;
    s.UserToLibEnabled = idle && (FOptions.UserToLib == 0 || marked);
    s.MixEnabled = idle && FMixOn;
    s.MorphEnabled = idle && FMorphOn;
}

void TWorkspace::EnableCommands() {
    TWorkspaceStatus s;
    CommandStates(s);
    FView.EnableCommands(s.CommandsEnabled, s.GetSendSelectedEnabled);
    FView.EnableSelectionCommands(s.UserToLibEnabled, s.GetSendSelectedEnabled);
}

void TWorkspace::SetMixMorph(bool mix, bool morph) {
    // Shown when a click in the library sets them and when a job starts or ends: they
    // follow the clicks, not the keys.
    FMixOn = mix;
    FMorphOn = morph;
    TWorkspaceStatus s;
    CommandStates(s);
    FView.EnableMixAndMorph(s.MixEnabled, s.MorphEnabled);
}

TPatchBank* TWorkspace::BankOf(int bankNumber) {
    if (bankNumber >= 0 && bankNumber < 4) {
        return &UserBank(bankNumber);
    }
    return bankNumber == TPatchBank::RomBankNumber ? FRomBank.get() : nullptr;
}

} // namespace velcora
