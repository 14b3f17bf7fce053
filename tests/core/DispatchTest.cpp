// The receive dispatcher: which replies reach which handler, preset dumps assembled into
// patches whatever the order of their packets, the device-id filter, messages that fit no
// slot, and the synth's cancel.
#include "DumpBuilder.h"
#include "MidiInputError.h"
#include "MidiOutputError.h"
#include "RecordingView.h"
#include "SynthTexts.h"
#include "TempDir.h"
#include "TestApp.h"
#include "Workspace.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

using TBytes = std::vector<uint8_t>;

class DispatchTest : public ::testing::Test {
protected:
    DispatchTest() {
        EnsureApp();
        Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path());
        Ws->FSynth.Pause = [](int) {};
        Ws->FSynth.ModelName = "Proteus 2000";
        Ws->FSynth.Version = "1.04";
        Ws->FSynth.Section = "Proteus 2000_16";
        Ws->FCtx.DeviceId = 16;
        Ws->FCtx.SetDefaultSizes(TModelClass::Proteus);
    }
    // The eight messages of a dump as the synth sends them open loop.
    std::vector<TBytes> Packets(uint8_t pl, uint8_t pm, uint8_t deviceId = 16) {
        return Packets(Ws->FCtx.Sizes, pl, pm, deviceId);
    }
    static std::vector<TBytes> Packets(const TDumpSizes& sizes, uint8_t pl, uint8_t pm,
                                       uint8_t deviceId = 16) {
        TDumpSpec made;
        made.Low = pl;
        made.High = pm;
        made.DeviceId = deviceId;
        made.Name = "Brs:Horn Sect";
        const TBytes dump = MakeDump(sizes, made);
        std::vector<TBytes> packets;
        size_t at = 0;
        for (int p = 0; p < 8; ++p) {
            const size_t len = static_cast<size_t>(sizes.PacketSize(p));
            packets.emplace_back(dump.begin() + static_cast<long>(at),
                                 dump.begin() + static_cast<long>(at + len));
            at += len;
        }
        packets[0][6] = 0x03;
        return packets;
    }
    void Receive(const TBytes& m) { Ws->ReceiveSysex(m); }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    std::unique_ptr<TWorkspace> Ws;
};

} // namespace

TEST_F(DispatchTest, AnEditBufferDumpInAnyOrderCompletesWithItsSeventhPacket) {
    Ws->FExpectDump = true;
    Ws->FRxPatch = Ws->FEditPatch.get();
    const auto packets = Packets(0x7F, 0x7F);
    for (int p : {0, 3, 1, 6, 2, 5, 4}) {
        Receive(packets[static_cast<size_t>(p)]);
    }
    EXPECT_EQ(View.EditCategory, "") << "the name shows once the dump is whole";
    EXPECT_TRUE(Ws->FExpectDump);
    Receive(packets[7]);
    EXPECT_FALSE(Ws->FExpectDump);
    EXPECT_EQ(View.EditCategory, "Brs");
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 ) ");
    for (int p = 0; p < 8; ++p) {
        const auto slot = Ws->FEditPatch->Dump().Slot(p);
        EXPECT_TRUE(std::equal(packets[static_cast<size_t>(p)].begin(),
                               packets[static_cast<size_t>(p)].end(), slot.begin()))
            << "packet " << p;
    }
    EXPECT_TRUE(Ws->FSynth.SizesMeasured);
    EXPECT_FALSE(Ws->FBankTimer.isActive());
    EXPECT_FALSE(Ws->FBusy);
}

TEST_F(DispatchTest, ABankPresetLandsInItsSlotAndStartsTheNextRequest) {
    Ws->FExpectDump = true;
    Ws->FRxPatch = &Ws->UserBank(1).Slot(5);
    for (const auto& p : Packets(5, 1)) {
        Receive(p);
    }
    EXPECT_EQ(Ws->UserBank(1).Slot(5).Name(), "Brs:Horn Sect   ");
    EXPECT_EQ(Ws->FBankLabel, "User Bank 1");
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : User Bank 1 : 5 Brs:Horn Sect   ");
    EXPECT_TRUE(Ws->FBankTimer.isActive());
    Ws->FBankTimer.stop();
}

TEST_F(DispatchTest, ADumpMissingAWholePacketLeavesThePatchAsItWas) {
    // A synth dump that loses a message, or has one cut short, on the way.
    const auto packets = Packets(5, 1);
    auto without = [&](size_t lost) {
        std::vector<TBytes> dump = packets;
        dump.erase(dump.begin() + static_cast<long>(lost));
        return dump;
    };
    auto cut = [&](size_t p) {
        std::vector<TBytes> dump = packets;
        dump[p].resize(dump[p].size() / 2);
        dump[p].push_back(0xF7);
        return dump;
    };
    std::vector<TBytes> unended = packets;
    unended[3].back() = 0x00;
    std::vector<TBytes> lastFirst = packets;
    std::rotate(lastFirst.begin() + 1, lastFirst.begin() + 7, lastFirst.end());
    const struct {
        const char* What;
        std::vector<TBytes> Messages;
    } cases[] = {
        {"no header", without(0)},
        {"packet 3 lost", without(3)},
        {"packet 3 cut short", cut(3)},
        {"packet 7 cut short", cut(7)},
        {"packet 3 without its F7", unended},
        {"packet 7 before the others", lastFirst},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TPatchRec& slot = Ws->UserBank(1).Slot(5);
        const TBytes before(slot.Dump().Bytes().begin(), slot.Dump().Bytes().end());
        const std::string name = slot.Name();
        Ws->FExpectDump = true;
        Ws->FRxPatch = &slot;
        for (const auto& m : c.Messages) {
            Receive(m);
        }
        EXPECT_EQ(TBytes(slot.Dump().Bytes().begin(), slot.Dump().Bytes().end()), before);
        EXPECT_EQ(slot.Name(), name);
        EXPECT_TRUE(Ws->FExpectDump) << "the request stays open for the time-out";
        EXPECT_FALSE(Ws->FBankTimer.isActive());

        // The whole dump sent again lands.
        for (const auto& m : packets) {
            Receive(m);
        }
        EXPECT_EQ(slot.Name(), "Brs:Horn Sect   ");
        EXPECT_FALSE(Ws->FExpectDump);
        Ws->FBankTimer.stop();
        slot.Init(Ws->FCtx);
    }
}

TEST_F(DispatchTest, PacketsOfOtherLengthsMakeADumpWhenFramedAndAsLongAsTheirHeaderSays) {
    // A synth whose data packets are four bytes shorter than the table's.
    const TDumpSizes table = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const TDumpSizes shorter = *TDumpSizes::Make(36, {251, 251, 251, 251, 251, 251, 41});
    const auto tableDump = Packets(table, 0x7F, 0x7F);
    const auto shortDump = Packets(shorter, 0x7F, 0x7F);
    std::vector<TBytes> strayEnd = tableDump;
    strayEnd[3][100] = 0xF7;
    std::vector<TBytes> statusInside = tableDump;
    statusInside[5][40] = 0x90;
    std::vector<TBytes> otherCount = tableDump;
    otherCount[0][9] = static_cast<uint8_t>(otherCount[0][9] + 2);
    std::vector<TBytes> cutAndEnded = shortDump;
    cutAndEnded[2].resize(200);
    cutAndEnded[2].push_back(0xF7);
    const struct {
        const char* What;
        bool ToEditBuffer;
        bool Measured;
        std::vector<TBytes> Messages;
        bool Lands;
    } cases[] = {
        {"the edit buffer awaited, shorter packets", true, false, shortDump, true},
        {"the edit buffer awaited, the table's packets", true, false, tableDump, true},
        {"the edit buffer once measured, shorter packets", true, true, shortDump, false},
        {"a bank preset of shorter packets", false, false, shortDump, false},
        {"a bank preset of the table's packets", false, false, tableDump, true},
        {"an F7 inside packet 3", true, false, strayEnd, false},
        {"a status byte inside packet 5", false, false, statusInside, false},
        {"a header announcing two bytes more", true, false, otherCount, false},
        {"packet 2 cut short and ended", true, false, cutAndEnded, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Ws->FCtx.Sizes = table;
        Ws->FSynth.SizesMeasured = c.Measured;
        TPatchRec& target = c.ToEditBuffer ? *Ws->FEditPatch : Ws->UserBank(1).Slot(5);
        target.Init(Ws->FCtx);
        const TBytes before(target.Dump().Bytes().begin(), target.Dump().Bytes().end());
        Ws->FExpectDump = true;
        Ws->FRxPatch = &target;
        // What a dump of the table's lengths left in the gathering slots, but for its end.
        for (int p = 0; p < 7; ++p) {
            Receive(tableDump[static_cast<size_t>(p)]);
        }
        for (const auto& m : c.Messages) {
            Receive(m);
        }
        Ws->FBankTimer.stop();
        EXPECT_EQ(Ws->FExpectDump, !c.Lands);
        if (!c.Lands) {
            EXPECT_EQ(TBytes(target.Dump().Bytes().begin(), target.Dump().Bytes().end()), before);
            continue;
        }
        EXPECT_EQ(target.Name(), "Brs:Horn Sect   ");
        for (int p = 0; p < 8; ++p) {
            const TBytes& sent = c.Messages[static_cast<size_t>(p)];
            const auto slot = target.Dump().Slot(p);
            EXPECT_TRUE(std::equal(sent.begin(), sent.end(), slot.begin())) << p;
            EXPECT_TRUE(std::all_of(slot.begin() + static_cast<long>(sent.size()), slot.end(),
                                    [](uint8_t b) { return b == 0; }))
                << "nothing of a longer packet stays behind packet " << p;
        }
        if (c.ToEditBuffer) {
            EXPECT_EQ(Ws->FCtx.Sizes, c.Messages == shortDump ? shorter : table) << "measured";
        }
    }
}

TEST_F(DispatchTest, WhatNoHandlerTakes) {
    Ws->FRxPatch = Ws->FEditPatch.get();
    const TBytes before(Ws->FEditPatch->Dump().Bytes().begin(),
                        Ws->FEditPatch->Dump().Bytes().end());
    auto same = [&] {
        return TBytes(Ws->FEditPatch->Dump().Bytes().begin(),
                      Ws->FEditPatch->Dump().Bytes().end()) == before;
    };
    // No dump awaited.
    for (const auto& p : Packets(0x7F, 0x7F)) {
        Receive(p);
    }
    EXPECT_TRUE(same());
    // Another device's dump.
    Ws->FExpectDump = true;
    for (const auto& p : Packets(0x7F, 0x7F, 3)) {
        Receive(p);
    }
    EXPECT_TRUE(same());
    EXPECT_TRUE(Ws->FExpectDump);
    // Packet numbers 0 and 8, a packet too long for its slot, a header too long to be one.
    auto packets = Packets(0x7F, 0x7F);
    TBytes zero = packets[2];
    zero[7] = 0;
    TBytes eight = packets[2];
    eight[7] = 8;
    TBytes longFirst = packets[1];
    longFirst.insert(longFirst.end() - 1, 0x00);
    TBytes longLast = packets[7];
    longLast.insert(longLast.end() - 1,
                    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (const auto& m : {zero, eight, longFirst, longLast, TBytes{0xF0, 0x18, 0x0F, 0x10, 0x55}}) {
        Receive(m);
    }
    EXPECT_TRUE(same());
    EXPECT_TRUE(Ws->FExpectDump);
    // More than the receive buffer holds.
    Receive(TBytes(TWorkspace::RxBufferSize + 1, 0xF0));
    EXPECT_TRUE(same());
}

TEST_F(DispatchTest, DeviceId7FTakesEveryDevice) {
    Ws->FCtx.DeviceId = 0x7F;
    Ws->FExpectDump = true;
    Ws->FRxPatch = Ws->FEditPatch.get();
    for (const auto& p : Packets(0x7F, 0x7F, 5)) {
        Receive(p);
    }
    EXPECT_FALSE(Ws->FExpectDump);
    EXPECT_EQ(Ws->FEditPatch->Name(), "Brs:Horn Sect   ");
}

TEST_F(DispatchTest, RomPresetsThroughTheEditBufferAreStoredAsTheirSlot) {
    Ws->FExpectDump = true;
    Ws->FRomXfer = true;
    Ws->FRomViaEditBuffer = true;
    Ws->FCurPreset = 9;
    Ws->FRomBankNo = 4;
    Ws->FRxPatch = Ws->FEditPatch.get();
    Ws->SelectRxView(99);
    for (const auto& p : Packets(0x7F, 0x7F)) {
        Receive(p);
    }
    TPatchRec& slot = Ws->FRomBank->Slot(9);
    EXPECT_EQ(slot.Name(), "Brs:Horn Sect   ");
    EXPECT_EQ(slot.Dump().Slot(0)[7], 9);
    EXPECT_EQ(slot.Dump().Slot(0)[8], 4);
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : ROM Bank : 9 Brs:Horn Sect   ");
    Ws->FBankTimer.stop();
}

TEST_F(DispatchTest, TheSynthsCancelEndsTheTransfer) {
    const TBytes cancel = {0xF0, 0x18, 0x0F, 0x10, 0x55, 0x7D, 0xF7};
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Receive(cancel);
    EXPECT_FALSE(View.ProgressVisible);

    Ws->FTransferShowing = true;
    View.ProgressVisible = true;
    View.CommandsOn = false;
    Ws->FRomXfer = true;
    Ws->FExpectDump = true; // a dump was awaited: the cancel still gets through
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Receive(cancel);
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_FALSE(Ws->FRomXfer);
    EXPECT_FALSE(Ws->FTransferShowing);
}

TEST_F(DispatchTest, AnErrorRaisedInAnEventEndsTheTransferAndIsShown) {
    struct Case {
        const char* What;
        std::function<void()> Start;
        std::function<void()> Raise;
        std::string Text;
    } cases[] = {
        {"an input port's error while a bank is fetched",
         [&] { Ws->StartGet(Ws->UserBank(0), false); },
         [] { throw EMidiInputError("Input device removed"); }, "Input device removed"},
        {"an output port's error while a bank is sent",
         [&] { Ws->StartSend(Ws->UserBank(2), false); },
         [] { throw EMidiOutputError("(Long Msg) Device not opened."); },
         "(Long Msg) Device not opened."},
        {"something else, with no transfer running", [] {}, [] { throw 42; },
         "An unknown error occurred."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        c.Start();
        Dialogs.ExpectMessage(TMessageKind::Error, c.Text);
        Ws->RunGuarded(c.Raise);
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(Ws->FTransferShowing);
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_TRUE(View.CommandsOn);
        EXPECT_FALSE(Ws->FSendTimer.isActive());
        EXPECT_NE(View.Caption, "Proteus 2000 (Ver: 1.04 )") << "not reported as fetched";
        EXPECT_NE(View.Caption, "Proteus 2000 (Ver: 1.04 ) ") << "not reported as sent";
    }
}

// The dump a failed fetch was waiting for may still come: it is stored, as after a cancel,
// but the fetch must not then look as if it had finished.
TEST_F(DispatchTest, ALateDumpDoesNotMakeAFailedFetchLookFinished) {
    Ws->StartGet(Ws->UserBank(0), false);
    Dialogs.ExpectMessage(TMessageKind::Error, "Input device removed");
    Ws->RunGuarded([] { throw EMidiInputError("Input device removed"); });
    for (const auto& p : Packets(0, 0)) {
        Receive(p);
    }
    EXPECT_EQ(Ws->UserBank(0).Slot(0).Name(), "Brs:Horn Sect   ");
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FBankTimer.isActive(); }));
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : User Bank 0 : 0 Brs:Horn Sect   ");
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(DispatchTest, TheIdentityReplyWhenOneIsAwaited) {
    const TBytes reply = {0xF0, 0x7E, 0x00, 0x06, 0x02, 0x18, 0x04, 0x04,
                          0x03, 0x00, '1',  '.',  '0',  '4',  0xF7};
    Receive(reply);
    EXPECT_FALSE(Ws->FSynthFound) << "not awaited";
    Ws->FExpectIdentity = true;
    Ws->FSynth.ModelName.clear();
    Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
    Receive(reply);
    EXPECT_FALSE(Ws->FExpectIdentity);
    EXPECT_TRUE(Ws->FSynthFound);
    EXPECT_EQ(Ws->FSynth.ModelName, "Proteus 2000");
    EXPECT_EQ(Ws->FCtx.DeviceId, 0);
    EXPECT_FALSE(Ws->FBusy);
}
