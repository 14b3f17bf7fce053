// The two transfer machines: fetching a bank slot by slot (paced by the bank timer and
// watched by the time-out) and sending one slot by slot (paced by the send timer).
#include "Dialogs.h"
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

namespace {

// After every tenth patch sent the synth gets a longer breath.
constexpr int LongPause = 1000;
const std::string UnknownError = "An unknown error occurred.";

} // namespace

void TWorkspace::ShowProgress(int count) {
    FRunning = TRunning::Transfer;
    FView.ShowProgress(true, count, 1);
    EnableCommands();
    SetMixMorph(FMixOn, FMorphOn);
}

bool TWorkspace::TransferRefused() {
    if (FRunning == TRunning::Import) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, TransferDuringImport, TButtons::Ok);
    }
    // A second transfer would walk over the first one's bank and replies; its buttons are
    // disabled, so only a stray call gets here.
    return FRunning != TRunning::None;
}

void TWorkspace::StartGet(TPatchBank& bank, bool onlyMarked) {
    if (TransferRefused()) {
        return;
    }
    FXferBank = &bank;
    FSending = false;
    bank.BuildSelection(onlyMarked);
    if (bank.SelectionCount() == 0) {
        return;
    }
    bank.SetXferPos(0);
    BeginGet(bank.SelectionCount());
}

void TWorkspace::BeginGet(int count) {
    ReopenSynthInput();
    ShowProgress(count);
    FRequestNext = TRequestNext::Preset;
    TPatchBank& bank = FRomXfer ? *FRomBank : CurUserBank();
    FCurPreset = bank.Selection().empty() ? 0 : bank.Selection().front();
    FRxMode = TRxMode::Bank;
    FRxPatch = &bank.Slot(FCurPreset);
    if (FRomViaEditBuffer) {
        FRequestNext = TRequestNext::ViaProgramChange;
        FSynth.RequestViaProgramChange(FCtx.DeviceId, FSynthChannel,
                                       static_cast<uint8_t>(FCurPreset & 0x7F));
    } else {
        FSynth.RequestPreset(FCtx.DeviceId, static_cast<uint8_t>(FCurPreset),
                             static_cast<uint8_t>(FCtx.CurUserBank), DirectRom());
    }
}

void TWorkspace::BankTimerTimer() {
    FBankTimer.stop();
    FView.ShowCursor(FRxView, FCurPreset);
    if (FXferBank == nullptr) {
        return;
    }
    FXferBank->SetXferPos(FXferBank->XferPos() + 1);
    FTimedOut.stop();
    const int pos = FXferBank->XferPos();
    if (pos < FXferBank->SelectionCount()) {
        FTimedOut.start();
        FCurPreset = FXferBank->Selection()[static_cast<size_t>(pos)];
        if (FRxMode == TRxMode::Bank) {
            FRxPatch = &(FRomXfer ? *FRomBank : CurUserBank()).Slot(FCurPreset);
        }
        if (FRequestNext == TRequestNext::ViaProgramChange) {
            FSynth.RequestViaProgramChange(FCtx.DeviceId, FSynthChannel,
                                           static_cast<uint8_t>(FCurPreset & 0x7F));
        } else {
            FSynth.RequestPreset(FCtx.DeviceId, static_cast<uint8_t>(FCurPreset),
                                 static_cast<uint8_t>(FCtx.CurUserBank), DirectRom());
        }
        FView.ShowProgress(true, FXferBank->SelectionCount(), pos);
        return;
    }
    for (int n = 0; n < 4; ++n) {
        FView.ShowCursor(n, 0);
    }
    // A dump asked for before a cancel or a failure may still complete after it: that fetch
    // did not finish, and the caption must not say it did.
    if (FRunning == TRunning::Transfer) {
        FView.SetCaption(FSynth.Caption());
        if (FRomXfer) {
            NoteRomBankOrigin();
        }
        const int n = FXferBank->BankNumber();
        if (n >= 0 && n < 4 && FXferBank->SelectionCount() == TPatchBank::SlotCount) {
            FHalfFetched[static_cast<size_t>(n)] = false; // every slot came anew
        }
    }
    EndFetch();
}

void TWorkspace::TimedOutTimer() {
    FCtx.Dialogs.MessageBox(TMessageKind::Warning, TimedOutWarning, TButtons::Ok);
    // The time-out of a fetch cancelled before may fire under the import started since: it
    // is the fetch's, and must not cancel the import.
    if (FRunning != TRunning::Import) {
        bbCancelGetClick();
    }
    FTimedOut.stop();
}

void TWorkspace::RunGuarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        FailTransfer(e.what());
    } catch (...) {
        FailTransfer(UnknownError);
    }
    // The commands follow the marks and the job under way after every handler, whichever
    // of them changed.
    EnableCommands();
}

void TWorkspace::FailTransfer(const std::string& text) {
    // Ended before the box is shown: its event loop must not run the machine's next step.
    if (FRunning == TRunning::Transfer || FRomXfer) {
        FBankTimer.stop();
        FSendTimer.stop();
        FTimedOut.stop();
        StopCheckedSend();
        NoteFetchCut();
        if (FXferBank != nullptr) {
            FXferBank->SetXferPos(FXferBank->SelectionCount());
        }
        if (FSending) {
            FRunning = TRunning::None;
            FView.ShowProgress(false, 0, 0);
            EnableCommands();
            SetMixMorph(FMixOn, FMorphOn);
        } else {
            EndFetch();
        }
    }
    FCtx.Dialogs.MessageBox(TMessageKind::Error, text, TButtons::Ok);
}

void TWorkspace::StartSend(TPatchBank& bank, bool onlyMarked) {
    if (TransferRefused()) {
        return;
    }
    FXferBank = &bank;
    FSending = true;
    bank.BuildSelection(onlyMarked);
    if (bank.SelectionCount() == 0) {
        return;
    }
    ShowProgress(bank.SelectionCount());
    bank.SetXferPos(0);
    StopCheckedSend();
    FCkRunning = FSynth.CheckedSends;
    FCkUnacked.clear();
    FCkPass = 1;
    FCkPassSlots = bank.Selection();
    FCkPassPos = 0;
    FCkOutcome = {};
    if (FCkRunning) {
        FCkOutcome.Total = bank.SelectionCount();
        FCkOutcome.Unconfirmed = bank.Selection();
    }
    SendNext();
}

void TWorkspace::SendNext() {
    TPatchBank& bank = *FXferBank;
    const int pos = bank.XferPos();
    const int slot = bank.Selection()[static_cast<size_t>(pos)];
    FView.SetCaption(FSynth.Caption() + "  : " + bank.DisplayName() +
                     " - Sending Patch : " + std::to_string(slot));
    FView.ShowProgress(true, bank.SelectionCount(), pos + 1);
    if (FCkRunning) {
        StartCheckedPatch(bank.Slot(slot), slot, bank.BankNumber());
        return;
    }
    // Every patch goes to its own slot, also when only the marked ones are sent.
    FSynth.SendToSlot(bank.Slot(slot), static_cast<uint8_t>(slot),
                      static_cast<uint8_t>(bank.BankNumber()), FCtx.DeviceId, FCtx.Sizes);
    FSendTimer.start();
}

void TWorkspace::SendTimerTimer() {
    FSendTimer.stop();
    if (FXferBank == nullptr) {
        return;
    }
    const int pos = FXferBank->XferPos();
    // The interval chosen now is the wait after the next patch.
    FSendTimer.setInterval(pos % 10 == 0 ? LongPause : FSynth.TimeBetweenPatches);
    FXferBank->SetXferPos(pos + 1);
    if (pos + 1 < FXferBank->SelectionCount()) {
        SendNext();
    } else {
        EndSend();
    }
}

} // namespace velcora
