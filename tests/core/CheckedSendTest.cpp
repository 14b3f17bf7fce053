// Checked sends against the virtual synth on the in-process driver: every packet waits for the
// synth's answer; a NAK sends it again, a lost answer lets the send go on after the time-out,
// a cancel ends it, and the slots the synth did not acknowledge are named at the end.
#include "VirtualSynthWorkspace.h"

#include <algorithm>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

class CheckedSendTest : public TVirtualSynthWorkspace {
protected:
    static inline const std::string Section = "Proteus 2000_0";

    /// The synth's name for a preset of user bank 0.
    std::string SynthName(int slot) {
        return Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Name(); });
    }
    /// Names the bank's slots after themselves, marks the chosen ones, and answers what the
    /// synth held in each slot before.
    std::vector<std::string> Prepare(const std::vector<int>& marked) {
        TPatchBank& bank = Ws->UserBank(0);
        std::vector<std::string> before;
        for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
            bank.Slot(slot).SetName(Named(slot), Ws->Context().Sizes);
            bank.Slot(slot).SetSelected(false);
            before.push_back(SynthName(slot));
        }
        for (int slot : marked) {
            bank.Slot(slot).SetSelected(true);
        }
        return before;
    }
    static std::string Named(int slot) {
        std::string name = "Chk:Slot " + std::to_string(slot);
        name.resize(16, ' ');
        return name;
    }
    bool Running() const { return Ws->Status().TransferRunning; }
};

TEST_F(CheckedSendTest, AWholeBankArrivesAcknowledgedAndEndsAsBefore) {
    Connect();
    Ws->SetCheckedSends(true);
    Prepare({});
    Ws->bbSendBankClick();
    ASSERT_TRUE(Running());
    ASSERT_TRUE(PumpUntil([&] { return !Running(); }, std::chrono::seconds(60)));
    Synth.Drain();
    for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
        EXPECT_EQ(SynthName(slot), Named(slot)) << slot;
        const emu::TPreset& onSynth =
            Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot); });
        const auto data = Ws->UserBank(0).Slot(slot).Dump().Slot(1);
        // The first data packet's bytes reached the synth as they are in the bank.
        EXPECT_TRUE(std::equal(onSynth.Data.begin(), onSynth.Data.begin() + 100, data.begin() + 9))
            << slot;
    }
    EXPECT_EQ(View.Caption, Ws->Synth().Caption() + " ");
    EXPECT_FALSE(View.ProgressVisible);
    // No box: the scripted dialogs fail the test on any message not expected.
}

TEST_F(CheckedSendTest, TheSynthsAnswersDecideWhatIsReported) {
    // Marked slots 3, 42 and 77: the synth sees 8 packets per patch, the header first, and
    // gives 8 acknowledgements per patch taken.
    struct TCase {
        const char* name;
        emu::TVirtualSynthFaults faults;
        TMessageKind kind;
        std::string message; // empty: none
        std::vector<int> stored;
        std::vector<int> untouched;
    };
    emu::TVirtualSynthFaults nakOnce;
    nakOnce.NakPackets = 1;
    emu::TVirtualSynthFaults nakEach;
    nakEach.NakRate = 1; // every data packet refused the first time it comes
    emu::TVirtualSynthFaults loseEachPacket;
    loseEachPacket.LosePacketRate = 1; // every packet lost the first time it is sent
    emu::TVirtualSynthFaults loseEachAck;
    loseEachAck.LoseAckRate = 1;
    emu::TVirtualSynthFaults loseAck;
    loseAck.LoseAck = 10; // slot 42's first data packet
    emu::TVirtualSynthFaults losePacket;
    losePacket.LosePacket = 16; // slot 42's last data packet
    emu::TVirtualSynthFaults nakFour;
    nakFour.NakPackets = 4; // slot 3's first data packet: the patch is given up once
    emu::TVirtualSynthFaults refuseSlot3;
    refuseSlot3.RefusePreset = 3; // slot 3 given up in the first pass and both after it
    emu::TVirtualSynthFaults cancel;
    cancel.CancelAtPacket = 12; // slot 42's third data packet
    emu::TVirtualSynthFaults cancelInRepass;
    cancelInRepass.NakPackets = 4;
    cancelInRepass.CancelAtPacket = 22; // slot 3's header in the second pass
    const std::vector<TCase> cases{
        {"all acknowledged", {}, TMessageKind::Warning, "", {3, 42, 77}, {}},
        {"NAK once: sent again and taken", nakOnce, TMessageKind::Warning, "", {3, 42, 77}, {}},
        {"NAK on every packet once: each sent again and taken",
         nakEach,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"every packet lost once: each sent again after the time-out",
         loseEachPacket,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"every answer lost once: each packet sent again, taken once",
         loseEachAck,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"a lost ACK: the packet goes again after the time-out",
         loseAck,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"a lost last packet: it goes again after the time-out",
         losePacket,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"refused four times: given up, then taken when sent again at the end",
         nakFour,
         TMessageKind::Warning,
         "",
         {3, 42, 77},
         {}},
        {"refused in every pass: named as never acknowledged",
         refuseSlot3,
         TMessageKind::Warning,
         "Sent 2 of 3; slot 3 was not acknowledged",
         {42, 77},
         {3}},
        {"the synth cancels: nothing more is sent",
         cancel,
         TMessageKind::Error,
         "The synth cancelled the send at slot 42.\nSent 1 of 3",
         {3},
         {42, 77}},
        {"the synth cancels while a patch is sent again",
         cancelInRepass,
         TMessageKind::Error,
         "The synth cancelled the send at slot 3.\nSent 2 of 3",
         {42, 77},
         {3}},
    };
    Connect();
    Ws->SetCheckedSends(true);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Synth.With([&](emu::TVirtualSynth& s) {
            // Each case starts from the synth's own presets in the three slots.
            for (int slot : {3, 42, 77}) {
                s.SetUserPreset(0, slot, s.UserPreset(0, slot + 1));
            }
            s.Faults() = c.faults;
            return 0;
        });
        const auto before = Prepare({3, 42, 77});
        if (!c.message.empty()) {
            Dialogs.ExpectMessage(c.kind, c.message);
        }
        Ws->bbSendSelectedClick();
        ASSERT_TRUE(PumpUntil([&] { return !Running(); }, std::chrono::seconds(20)));
        // Anything still coming would change the synth after the end.
        PumpUntil([] { return false; }, std::chrono::milliseconds(100));
        Synth.Drain();
        for (int slot : c.stored) {
            EXPECT_EQ(SynthName(slot), Named(slot)) << slot;
        }
        for (int slot : c.untouched) {
            EXPECT_EQ(SynthName(slot), before[static_cast<size_t>(slot)]) << slot;
        }
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_EQ(View.Caption, Ws->Synth().Caption() + " ");
        EXPECT_TRUE(Dialogs.ScriptDone());
    }
}

TEST_F(CheckedSendTest, WaitHoldsTheSendAndAnAckMayNameTheDeviceAfterThe55) {
    Connect();
    Ws->SetCheckedSends(true);
    Prepare({3});
    // The synth takes the packets but says nothing: the test answers for it.
    Synth.With([](emu::TVirtualSynth& s) { return s.Faults().Silent = true; });
    const auto pump = [](int ms) {
        PumpUntil([] { return false; }, std::chrono::milliseconds(ms));
    };
    Ws->bbSendSelectedClick();
    // Nine gaps of 30 ms outlast the header's time-out (its 12 ms on the cable and 50 ms)
    // four times over, as long as the send waits before it gives the patch up; the WAITs
    // between them keep the header awaited.
    pump(30);
    for (int gap = 1; gap < 9; ++gap) {
        Ws->ReceiveSysex(sysex::TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x7C, 0xF7});
        pump(30);
    }
    for (uint8_t packet = 0; packet < 8; ++packet) {
        // The order the printed example gives, then the order of the other answers.
        if (packet % 2 == 0) {
            Ws->ReceiveSysex(sysex::TBytes{0xF0, 0x18, 0x0F, 0x55, 0x00, 0x7F, packet, 0x00, 0xF7});
        } else {
            Ws->ReceiveSysex(sysex::TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x7F, packet, 0x00, 0xF7});
        }
        pump(20);
    }
    ASSERT_TRUE(PumpUntil([&] { return !Running(); }, std::chrono::seconds(5)));
    Synth.Drain();
    EXPECT_EQ(SynthName(3), Named(3));
    // No box: every packet was acknowledged in time.
}

TEST_F(CheckedSendTest, CancelInTheMiddleStopsTheSend) {
    Connect();
    Ws->SetCheckedSends(true);
    const auto before = Prepare({});
    Ws->bbSendBankClick();
    ASSERT_TRUE(PumpUntil([&] { return View.ProgressPosition >= 4; }, std::chrono::seconds(20)));
    Ws->bbCancelGetClick();
    EXPECT_FALSE(Running());
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    Synth.Drain();
    const uint64_t produced =
        Synth.With([](emu::TVirtualSynth& s) { return s.MessagesProduced(); });
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    Synth.Drain();
    EXPECT_EQ(Synth.With([](emu::TVirtualSynth& s) { return s.MessagesProduced(); }), produced)
        << "no packet leaves after the cancel";
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(SynthName(slot), Named(slot)) << slot;
    }
    for (int slot = 5; slot < TPatchBank::SlotCount; ++slot) {
        EXPECT_EQ(SynthName(slot), before[static_cast<size_t>(slot)]) << slot;
    }
    EXPECT_FALSE(View.ProgressVisible);
}

TEST_F(CheckedSendTest, TheModeIsKeptPerSynth) {
    Make();
    // No synth known yet: the choice holds for this run and is written nowhere.
    Ws->SetCheckedSends(true);
    EXPECT_TRUE(Ws->Status().CheckedSends);
    EXPECT_EQ(Ini(Section, "CheckedSends"), "(absent)");
    Ws.reset();

    Connect();
    EXPECT_FALSE(Ws->Status().CheckedSends) << "off until chosen for this synth";
    Ws->SetCheckedSends(true);
    EXPECT_EQ(Ini(Section, "CheckedSends"), "1");
    Ws.reset();
    Connect();
    EXPECT_TRUE(Ws->Status().CheckedSends);
    Ws->SetCheckedSends(false);
    EXPECT_EQ(Ini(Section, "CheckedSends"), "0");
    EXPECT_FALSE(Ws->Status().CheckedSends);
}

TEST(CheckedSendReport, NamesTheSlotsNotAcknowledged) {
    struct TCase {
        int sent;
        int total;
        std::vector<int> unacked;
        std::string text;
    };
    std::vector<int> many;
    for (int slot = 0; slot < 15; ++slot) {
        many.push_back(slot * 2);
    }
    const std::vector<TCase> cases{
        {128, 128, {}, "Sent 128 of 128"},
        {127, 128, {42}, "Sent 127 of 128; slot 42 was not acknowledged"},
        {126, 128, {3, 42}, "Sent 126 of 128; slots 3, 42 were not acknowledged"},
        {113, 128, many,
         "Sent 113 of 128; slots 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22 and 3 more were not "
         "acknowledged"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TWorkspace::CheckedSendReport(c.sent, c.total, c.unacked), c.text);
    }
}

} // namespace
