// Checked sends: every packet of a patch goes closed loop, and the next leaves when the synth
// has acknowledged it. A packet answered with NAK, or not at all, goes again; a patch the synth
// did not take is sent again whole after the others, and one that never is named at the end
// instead of success.
#include "Dialogs.h"
#include "MidiWire.h"
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

namespace {

/// A packet refused or unanswered this often more is given up, with its patch.
constexpr int MaxResends = 3;
/// The first pass over the bank and the two that send again what it did not take.
constexpr int Passes = 3;
/// Beyond the packet's own time on the cable: the synth checks it within a few milliseconds
/// of its last byte, and its nine-byte answer takes 3 ms on the cable back; interfaces and a
/// busy computer add a few more. A synth that needs longer holds the send with WAIT. Every
/// packet or answer lost on the way costs this wait once, so it is kept short.
constexpr int ReplyWaitMs = 50;
/// At most this many slots are named in the report; the rest are counted.
constexpr size_t NamedSlots = 12;

const std::string CancelledText = "The synth cancelled the send at slot ";

} // namespace

void TWorkspace::SetCheckedSends(bool on) {
    FSynth.CheckedSends = on;
    if (!FSynth.Section.empty()) {
        FIni.WriteInteger(FSynth.Section, "CheckedSends", on ? 1 : 0);
    }
}

std::string TWorkspace::CheckedSendReport(int sent, int total, const std::vector<int>& unacked) {
    std::string text = "Sent " + std::to_string(sent) + " of " + std::to_string(total);
    if (unacked.empty()) {
        return text;
    }
    text += unacked.size() == 1 ? "; slot " : "; slots ";
    for (size_t i = 0; i < unacked.size() && i < NamedSlots; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(unacked[i]);
    }
    if (unacked.size() > NamedSlots) {
        text += " and " + std::to_string(unacked.size() - NamedSlots) + " more";
    }
    text += unacked.size() == 1 ? " was not acknowledged" : " were not acknowledged";
    return text;
}

void TWorkspace::StartCheckedPatch(TPatchRec& patch, int slot, int bankNumber) {
    // Addressed as the timed send addresses it: to its own slot, with the synth's device id.
    patch.SetPresetNumber(static_cast<uint8_t>(slot), static_cast<uint8_t>(bankNumber));
    patch.SetDeviceId(FCtx.DeviceId, FCtx.Sizes);
    FCkPackets.clear();
    FCkPacket = 0;
    FCkResends = 0;
    FCkAcked = true;
    FCkGiveUp = false;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        auto packet = sysex::ClosedLoopPacket(patch.Dump().Slot(p));
        if (!packet) {
            // Not a dump the synth could take: nothing of it is sent, and the slot is named.
            FCkPackets.clear();
            FCkAcked = false;
            FCkStepTimer.start();
            return;
        }
        FCkPackets.push_back(std::move(*packet));
    }
    SendCheckedPacket();
}

void TWorkspace::SendCheckedSlot() {
    TPatchBank& bank = *FXferBank;
    const int slot = FCkPassSlots[FCkPassPos];
    FView.SetCaption(FSynth.Caption() + "  : " + bank.DisplayName() +
                     " - Sending Patch : " + std::to_string(slot));
    FView.ShowProgress(true, static_cast<int>(FCkPassSlots.size()),
                       static_cast<int>(FCkPassPos) + 1);
    StartCheckedPatch(bank.Slot(slot), slot, bank.BankNumber());
}

void TWorkspace::SendCheckedPacket() {
    const sysex::TBytes& packet = FCkPackets[FCkPacket];
    // The wait starts as the packet is handed over; the answer comes after its last byte.
    const auto onWire = std::chrono::duration_cast<std::chrono::milliseconds>(
        MidiWireByteTime * static_cast<int64_t>(packet.size()));
    FCkReplyTimer.setInterval(static_cast<int>(onWire.count()) + ReplyWaitMs);
    FCkReplyTimer.start();
    FSynth.SendUnpaused(packet);
}

bool TWorkspace::HandleHandshake(std::span<const uint8_t> message) {
    const auto answer = sysex::ParseHandshake(message, FCtx.DeviceId);
    if (!answer) {
        return false;
    }
    if (answer->Kind == sysex::THandshakeKind::Cancel) {
        CheckedSendCancelled();
        return true;
    }
    // Answers that come while nothing is awaited (late, or for a packet already given up)
    // are taken and dropped.
    if (!FCkReplyTimer.isActive() || FCkPacket >= FCkPackets.size()) {
        return true;
    }
    const int awaited = sysex::ClosedLoopPacketNumber(FCkPackets[FCkPacket]);
    switch (answer->Kind) {
    case sysex::THandshakeKind::Ack:
        if (answer->Packet == awaited) {
            FCkReplyTimer.stop();
            ++FCkPacket;
            FCkResends = 0;
            FCkStepTimer.start();
        }
        break;
    case sysex::THandshakeKind::Nak:
        if (answer->Packet == awaited) {
            FCkReplyTimer.stop();
            ResendOrGiveUp();
            FCkStepTimer.start();
        }
        break;
    case sysex::THandshakeKind::Wait:
        FCkReplyTimer.start();
        break;
    case sysex::THandshakeKind::Cancel: // taken above
    case sysex::THandshakeKind::Eof:
        break;
    }
    return true;
}

void TWorkspace::ResendOrGiveUp() {
    if (FCkResends < MaxResends) {
        ++FCkResends;
    } else {
        FCkAcked = false;
        FCkGiveUp = true;
    }
}

void TWorkspace::CheckedSendCancelled() {
    TPatchBank& bank = *FXferBank;
    const int slot = FCkPassSlots[FCkPassPos];
    // Besides the slots this pass found unacknowledged, a later pass still owes the ones it
    // has not reached; the slot cancelled is named on the first line.
    std::vector<int> unacked = FCkUnacked;
    if (FCkPass > 1) {
        unacked.insert(unacked.end(), FCkPassSlots.begin() + static_cast<long>(FCkPassPos) + 1,
                       FCkPassSlots.end());
    }
    const std::string text =
        CancelledText + std::to_string(slot) + ".\n" +
        CheckedSendReport(FCkOutcome.Confirmed, bank.SelectionCount(), unacked);
    // Ended before the box shows: its event loop must not run the send's next step.
    StopCheckedSend();
    FSendTimer.stop();
    bank.SetXferPos(bank.SelectionCount());
    EndSend();
    FCtx.Dialogs.MessageBox(TMessageKind::Error, text, TButtons::Ok);
}

void TWorkspace::CheckedReplyTimeOut() {
    FCkReplyTimer.stop();
    if (!FCkRunning) {
        return;
    }
    // No answer: the packet, or the answer, was lost on the way; either way it goes again
    // (a synth that took it acknowledges the copy without taking it twice).
    ResendOrGiveUp();
    CheckedStep();
}

void TWorkspace::CheckedStep() {
    FCkStepTimer.stop();
    if (!FCkRunning || FXferBank == nullptr) {
        return;
    }
    if (FCkGiveUp) {
        FSynth.SendUnpaused(sysex::Handshake(FCtx.DeviceId, sysex::THandshakeKind::Cancel));
        NextCheckedPatch();
        return;
    }
    if (FCkPacket < FCkPackets.size()) {
        SendCheckedPacket();
        return;
    }
    if (!FCkPackets.empty()) {
        FSynth.SendUnpaused(sysex::Handshake(FCtx.DeviceId, sysex::THandshakeKind::Eof));
    }
    NextCheckedPatch();
}

void TWorkspace::NextCheckedPatch() {
    TPatchBank& bank = *FXferBank;
    if (FCkAcked) {
        ++FCkOutcome.Confirmed;
        std::erase(FCkOutcome.Unconfirmed, FCkPassSlots[FCkPassPos]);
    } else {
        FCkUnacked.push_back(FCkPassSlots[FCkPassPos]);
    }
    ++FCkPassPos;
    if (FCkPass == 1) {
        bank.SetXferPos(static_cast<int>(FCkPassPos));
    }
    if (FCkPassPos < FCkPassSlots.size()) {
        SendCheckedSlot();
        return;
    }
    if (!FCkUnacked.empty() && FCkPass < Passes) {
        // What the synth did not take goes again whole, in the order it went the first time.
        ++FCkPass;
        FCkPassSlots = std::move(FCkUnacked);
        FCkUnacked.clear();
        FCkPassPos = 0;
        SendCheckedSlot();
        return;
    }
    const std::vector<int> unacked = FCkUnacked;
    const int sent = FCkOutcome.Confirmed;
    bank.SetXferPos(bank.SelectionCount());
    StopCheckedSend();
    EndSend();
    if (!unacked.empty()) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning,
                                CheckedSendReport(sent, bank.SelectionCount(), unacked),
                                TButtons::Ok);
    }
}

void TWorkspace::StopCheckedSend() {
    FCkRunning = false;
    FCkReplyTimer.stop();
    FCkStepTimer.stop();
    FCkPackets.clear();
    FCkPacket = 0;
}

} // namespace velcora
