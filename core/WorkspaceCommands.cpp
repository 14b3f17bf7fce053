// The transfer commands the buttons call: banks, selected slots, the edit buffer, ROM banks.
#include "Dialogs.h"
#include "Midiout.h"
#include "SysexMessages.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>

namespace velcora {

namespace {

const std::string NoRomKnown =
    "The synth has not told which ROMs it holds yet,\nso there is no ROM bank to get.\n\nLook "
    "for the synth on the Setup Midi Page and try again.";

const std::string EditBufferDuringTransfer =
    "A transfer is running.\nWait for it to end, or cancel it, before getting the edit buffer.";

} // namespace

void TWorkspace::bbGetBankClick() {
    RunGuarded([this] {
        StartGet(CurUserBank(), false);
        // At once, before anything arrived: whatever comes replaces what the bank held. A
        // fetch that did not start (nothing marked, or refused) changes nothing.
        if (FRunning == TRunning::Transfer && FXferBank == &CurUserBank()) {
            MarkDirty(CurUserBank());
        }
    });
}

void TWorkspace::bbGetSelectedClick() {
    RunGuarded([this] {
        StartGet(CurUserBank(), true);
        if (FRunning == TRunning::Transfer && FXferBank == &CurUserBank()) {
            MarkDirty(CurUserBank());
        }
    });
}

void TWorkspace::bbSendBankClick() {
    RunGuarded([this] { StartSend(CurUserBank(), false); });
}

void TWorkspace::bbSendSelectedClick() {
    RunGuarded([this] { StartSend(CurUserBank(), true); });
}

void TWorkspace::bbGetEditBufClick() {
    // The request makes the edit buffer the receive target: the running fetch's dumps would
    // land in it, or the edit buffer's dump in the bank.
    if (FRunning == TRunning::Transfer) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, EditBufferDuringTransfer, TButtons::Ok);
        return;
    }
    RunGuarded([this] { FSynth.RequestEditBuffer(FCtx.DeviceId); });
}

void TWorkspace::bbSendEditBufClick() {
    // The edit buffer sent replaces whatever an audition still had to send.
    FAudition.Stop();
    RunGuarded([this] { FSynth.Audition(*FEditPatch, FCtx.DeviceId, FCtx.Sizes); });
}

void TWorkspace::bbAllSoundOffClick() {
    RunGuarded([this] { FSynth.AllSoundOff(); });
}

void TWorkspace::cbROMBankListChange(int index) {
    FLoadMethod = index >= 0 && index <= 3 ? TLoadMethod::DirectRom : TLoadMethod::EditBuffer;
    FRomBankListIndex = index;
    FRomBankNo = index;
    FView.ShowLoadMethod(FLoadMethod);
}

void TWorkspace::bbROMGetBankClick() {
    // Without the hardware configuration there is no ROM to name: a direct request would
    // fetch the current user bank instead, and a bank select would name no ROM.
    if (FRomIndex < 0 || FRomIndex >= std::min(FSynth.RomCount, TSynth::MaxRoms)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, NoRomKnown, TButtons::Ok);
        return;
    }
    if (TransferRefused()) {
        return;
    }
    RunGuarded([this] {
        FRomBank->DeselectAllAndRepaint();
        SelectRxView(TPatchBank::RomBankNumber);
        FRomBankNo = FRomBankListIndex;
        FRomXfer = true;
        FView.EnableRomLists(false);
        FRomViaEditBuffer = FLoadMethod != TLoadMethod::DirectRom;
        if (FRomViaEditBuffer) {
            const auto values =
                sysex::RomBankSelect(FSynth.Roms[static_cast<size_t>(FRomIndex)].Id, FRomBankNo);
            const auto select = sysex::BankSelect(FSynthChannel, values.Msb, values.Lsb);
            for (const auto& m : select) {
                SendShort(m[0], m[1], m[2]);
            }
        }
        StartGet(*FRomBank, false);
        ShowRomBankLabel("From synth");
    });
}

void TWorkspace::NoteRomBankOrigin() {
    FRomOrigin = TRomBankOrigin{FRomIndex, FRomBankNo};
    for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
        FRomOriginNames[static_cast<size_t>(slot)] = FRomBank->Slot(slot).Name();
    }
}

std::optional<TWorkspace::TRomBankOrigin> TWorkspace::RomBankOrigin() const {
    if (!FRomOrigin) {
        return std::nullopt;
    }
    for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
        if (FRomBank->Slot(slot).Name() != FRomOriginNames[static_cast<size_t>(slot)]) {
            return std::nullopt;
        }
    }
    return FRomOrigin;
}

} // namespace velcora
