#pragma once

#include "Workspace.h"

namespace velcora {

/// What tests read of the transfer machine's bookkeeping, which no window needs. Read only:
/// tests bring the workspace into a state through its operations and the synth's replies.
struct TWorkspaceProbe {
    explicit TWorkspaceProbe(const TWorkspace& ws) : W(ws) {}

    bool ExpectIdentity() const { return W.FExpectIdentity; }
    bool ExpectHwConfig() const { return W.FExpectHwConfig; }
    bool ExpectChannel() const { return W.FExpectChannel; }
    bool ExpectDump() const { return W.FExpectDump; }
    bool Busy() const { return W.FBusy; }
    const TPatchRec* RxPatch() const { return W.FRxPatch; }
    TWorkspace::TRxMode RxMode() const { return W.FRxMode; }
    int RxView() const { return W.FRxView; }
    const std::string& BankLabel() const { return W.FBankLabel; }
    int CurPreset() const { return W.FCurPreset; }
    bool RomXfer() const { return W.FRomXfer; }
    bool RomViaEditBuffer() const { return W.FRomViaEditBuffer; }
    int RomBankNo() const { return W.FRomBankNo; }
    uint8_t SynthChannel() const { return W.FSynthChannel; }
    const QTimer& BankTimer() const { return W.FBankTimer; }
    const QTimer& TimedOut() const { return W.FTimedOut; }
    const QTimer& SendTimer() const { return W.FSendTimer; }
    const TMidiInput* SynthInput() const { return W.FMidiSynthToPC.get(); }
    const TMidiInput* KbdInput() const { return W.FMidiKbdToPC.get(); }
    const TMidiOutput* SynthOutput() const { return W.FMidiPCToSynth.get(); }

    /// The search's edit-buffer request waits on it.
    const QTimer& ReqTimer() const { return W.FReqTimer; }
    /// The longest message the receive buffer takes.
    static constexpr size_t RxBufferSize() { return TWorkspace::RxBufferSize; }

private:
    const TWorkspace& W;
};

} // namespace velcora
