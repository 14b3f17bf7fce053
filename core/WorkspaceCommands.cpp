// The transfer commands the buttons call: banks, selected slots, the edit buffer, ROM banks.
#include "Midiout.h"
#include "SysexMessages.h"
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

void TWorkspace::bbGetBankClick() {
    StartGet(CurUserBank(), false);
    // At once, before anything arrived: whatever comes replaces what the bank held.
    MarkDirty(CurUserBank());
}

void TWorkspace::bbGetSelectedClick() {
    StartGet(CurUserBank(), true);
    MarkDirty(CurUserBank());
}

void TWorkspace::bbSendBankClick() {
    StartSend(CurUserBank(), false);
}

void TWorkspace::bbSendSelectedClick() {
    StartSend(CurUserBank(), true);
}

void TWorkspace::bbGetEditBufClick() {
    FSynth.RequestEditBuffer();
}

void TWorkspace::bbSendEditBufClick() {
    FSynth.Audition(*FEditPatch);
}

void TWorkspace::bbAllSoundOffClick() {
    FSynth.AllSoundOff();
}

void TWorkspace::cbROMBankListChange(int index) {
    FLoadMethod = index >= 0 && index <= 3 ? LoadDirectRom : LoadViaEditBuffer;
    FRomBankListIndex = index;
    FRomBankNo = index;
    FView.ShowLoadMethod(FLoadMethod);
}

void TWorkspace::bbROMGetBankClick() {
    FRomBank->DeselectAllAndRepaint();
    SelectRxView(TPatchBank::RomBankNumber);
    FRomBankNo = FRomBankListIndex;
    FRomXfer = true;
    FView.EnableRomLists(false);
    FRomViaEditBuffer = FLoadMethod != LoadDirectRom;
    if (FRomViaEditBuffer) {
        const bool known = FRomIndex >= 0 && FRomIndex < FSynth.RomCount;
        const int id = known ? FSynth.Roms[static_cast<size_t>(FRomIndex)].Id : 0;
        const auto select = sysex::BankSelect(FSynthChannel, static_cast<uint8_t>(id),
                                              static_cast<uint8_t>(FRomBankNo));
        for (const auto& m : select) {
            FMidiPCToSynth->PutShort(m[0], m[1], m[2]);
        }
    }
    StartGet(*FRomBank, false);
    FView.ShowRomBankFile("From synth");
}

} // namespace velcora
