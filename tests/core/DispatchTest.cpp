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
#include "VirtualMidiDriver.h"
#include "Workspace.h"
#include "WorkspaceProbe.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes IdentityReply(uint8_t deviceId) {
    return {0xF0, 0x7E, deviceId, 0x06, 0x02, 0x18, 0x04, 0x04,
            0x03, 0x00, '1',      '.',  '0',  '4',  0xF7};
}

/// A workspace whose output goes to a device nobody listens on: the requests leave, and the
/// synth's replies are fed to the dispatcher by the tests.
class FreshWorkspace : public ::testing::Test {
protected:
    static inline const std::string SinkPort = "Sink";

    FreshWorkspace() {
        EnsureApp();
        Driver.AddLoopback(SinkPort);
        // The blank preset shipped for the model, so that identification asks nothing.
        WriteBytes(Dir.File("Default Composer.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus)));
        Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path(), &Driver);
        Ws->SetPause([](int) {});
    }
    void Receive(const TBytes& m) { Ws->ReceiveSysex(m); }
    void Receive(const std::vector<TBytes>& messages) {
        for (const TBytes& m : messages) {
            Receive(m);
        }
    }
    /// The person chooses the output, which looks for the synth.
    void ChooseOutput() {
        Ws->lbMidiOutClick(TWorkspace::EntryIndex(Ws->PortEntries(TPort::SynthOutput), SinkPort));
    }
    /// "Look for Synth" answered by a Proteus 2000: identity, ROMs, channel and edit buffer.
    void Connect(uint8_t deviceId) {
        ChooseOutput();
        Receive(IdentityReply(deviceId));
        // One ROM of 1024 presets: eight banks.
        Receive(TBytes{0xF0, 0x18, 0x0F, deviceId, 0x55, 0x09, 0x02, 0x00, 0x04, 0x01, 0x06, 0x04,
                       0x00, 0x00, 0x08, 0x10, 0x05, 0xF7});
        Receive(TBytes{0xF0, 0x18, 0x0F, deviceId, 0x55, 0x03, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xF7});
        Ws->ReqTimerTimer();
        Receive(Packets(Ws->Context().Sizes, 0x7F, 0x7F, deviceId, "Pno:Grand"));
        ASSERT_TRUE(Ws->Status().SynthFound);
        ASSERT_EQ(View.RomBankList.size(), 8u);
        ASSERT_FALSE(TWorkspaceProbe(*Ws).ExpectDump());
        ASSERT_EQ(Ws->EditPatch().Name().substr(0, 9), "Pno:Grand");
    }
    /// The eight messages of a dump as the synth sends them open loop.
    static std::vector<TBytes> Packets(const TDumpSizes& sizes, uint8_t pl, uint8_t pm,
                                       uint8_t deviceId = 16,
                                       const std::string& name = "Brs:Horn Sect") {
        TDumpSpec made;
        made.Low = pl;
        made.High = pm;
        made.DeviceId = deviceId;
        made.Name = name;
        return MakeOpenLoopPackets(sizes, made);
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    TVirtualMidiDriver Driver;
    std::unique_ptr<TWorkspace> Ws;
};

/// A Proteus 2000 with device id 16, found.
class DispatchTest : public FreshWorkspace {
protected:
    DispatchTest() { Connect(16); }
    std::vector<TBytes> Packets(uint8_t pl, uint8_t pm, uint8_t deviceId = 16,
                                const std::string& name = "Brs:Horn Sect") {
        return FreshWorkspace::Packets(Ws->Context().Sizes, pl, pm, deviceId, name);
    }
    using FreshWorkspace::Packets;
    /// Get Selected on user bank 1 with only slot 5 marked: one bank preset awaited.
    void FetchSlot5OfBank1() {
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        TPatchBank& bank = Ws->UserBank(1);
        for (int s = 0; s < TPatchBank::SlotCount; ++s) {
            bank.Slot(s).SetSelected(s == 5);
        }
        Ws->bbGetSelectedClick();
        ASSERT_TRUE(Ws->Status().TransferRunning);
        ASSERT_TRUE(Probe.ExpectDump());
    }
    /// Whatever transfer runs ends, as with the cancel button.
    void EndTransfer() {
        if (Ws->Status().TransferRunning) {
            Ws->bbCancelGetClick();
        }
    }
    static TBytes BytesOf(const TPatchRec& patch) {
        return TBytes(patch.Dump().Bytes().begin(), patch.Dump().Bytes().end());
    }

    TWorkspaceProbe Probe{*Ws};
};

} // namespace

TEST_F(DispatchTest, AnEditBufferDumpInAnyOrderCompletesWithItsSeventhPacket) {
    Ws->bbGetEditBufClick();
    EXPECT_FALSE(Ws->Synth().SizesMeasured) << "each request measures anew";
    const auto packets = Packets(0x7F, 0x7F);
    for (int p : {0, 3, 1, 6, 2, 5, 4}) {
        Receive(packets[static_cast<size_t>(p)]);
    }
    EXPECT_EQ(View.EditCategory, "Pno") << "the name shows once the dump is whole";
    EXPECT_TRUE(Probe.ExpectDump());
    Receive(packets[7]);
    EXPECT_FALSE(Probe.ExpectDump());
    EXPECT_EQ(View.EditCategory, "Brs");
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 ) ");
    for (int p = 0; p < 8; ++p) {
        const auto slot = Ws->EditPatch().Dump().Slot(p);
        EXPECT_TRUE(std::equal(packets[static_cast<size_t>(p)].begin(),
                               packets[static_cast<size_t>(p)].end(), slot.begin()))
            << "packet " << p;
    }
    EXPECT_TRUE(Ws->Synth().SizesMeasured);
    EXPECT_FALSE(Probe.BankTimer().isActive());
    EXPECT_FALSE(Probe.Busy());
}

TEST_F(DispatchTest, ABankPresetLandsInItsSlotAndStartsTheNextRequest) {
    FetchSlot5OfBank1();
    Receive(Packets(5, 1));
    EXPECT_EQ(Ws->UserBank(1).Slot(5).Name(), "Brs:Horn Sect   ");
    EXPECT_EQ(Probe.BankLabel(), "User Bank 1");
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : User Bank 1 : 5 Brs:Horn Sect   ");
    EXPECT_TRUE(Probe.BankTimer().isActive());
    Ws->BankTimerTimer();
    EXPECT_FALSE(Ws->Status().TransferRunning) << "the one marked slot was all";
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )");
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
        slot.Init(Ws->Context());
        const TBytes before = BytesOf(slot);
        const std::string name = slot.Name();
        FetchSlot5OfBank1();
        Receive(c.Messages);
        EXPECT_EQ(BytesOf(slot), before);
        EXPECT_EQ(slot.Name(), name);
        EXPECT_TRUE(Probe.ExpectDump()) << "the request stays open for the time-out";
        EXPECT_FALSE(Probe.BankTimer().isActive());
        EXPECT_TRUE(Ws->Status().TransferRunning);

        // The whole dump sent again lands.
        Receive(packets);
        EXPECT_EQ(slot.Name(), "Brs:Horn Sect   ");
        EXPECT_FALSE(Probe.ExpectDump());
        Ws->BankTimerTimer();
        EXPECT_FALSE(Ws->Status().TransferRunning);
    }
}

TEST_F(DispatchTest, PacketsOfOtherLengthsMakeADumpWhenFramedAndAsLongAsTheirHeaderSays) {
    // A synth whose data packets are four bytes shorter than the table's.
    const TDumpSizes table = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const TDumpSizes shorter = *TDumpSizes::Make(36, {251, 251, 251, 251, 251, 251, 41});
    enum TKind { Short, Table, StrayEnd, StatusInside, OtherCount, CutAndEnded };
    // The messages of each kind, addressed as the synth answers the request: the edit
    // buffer, or slot 5 of user bank 1.
    auto messages = [&](TKind kind, bool toEditBuffer) {
        const uint8_t pl = toEditBuffer ? 0x7F : 5;
        const uint8_t pm = toEditBuffer ? 0x7F : 1;
        std::vector<TBytes> m =
            Packets(kind == Short || kind == CutAndEnded ? shorter : table, pl, pm);
        switch (kind) {
        case StrayEnd:
            m[3][100] = 0xF7;
            break;
        case StatusInside:
            m[5][40] = 0x90;
            break;
        case OtherCount:
            m[0][9] = static_cast<uint8_t>(m[0][9] + 2);
            break;
        case CutAndEnded:
            m[2].resize(200);
            m[2].push_back(0xF7);
            break;
        default:
            break;
        }
        return m;
    };
    const struct {
        const char* What;
        bool ToEditBuffer;
        TKind Kind;
        bool Lands;
    } cases[] = {
        {"the edit buffer awaited, shorter packets", true, Short, true},
        {"the edit buffer awaited, the table's packets", true, Table, true},
        {"a bank preset of shorter packets", false, Short, false},
        {"a bank preset of the table's packets", false, Table, true},
        {"an F7 inside packet 3", true, StrayEnd, false},
        {"a status byte inside packet 5", false, StatusInside, false},
        {"a header announcing two bytes more", true, OtherCount, false},
        {"packet 2 cut short and ended", true, CutAndEnded, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        // The sizes of the table, measured from the synth's edit buffer.
        Ws->bbGetEditBufClick();
        Receive(Packets(table, 0x7F, 0x7F, 16, "Pno:Grand"));
        ASSERT_EQ(Ws->Context().Sizes, table);
        TPatchRec& target = c.ToEditBuffer ? Ws->EditPatch() : Ws->UserBank(1).Slot(5);
        target.Init(Ws->Context());
        const TBytes before = BytesOf(target);
        if (c.ToEditBuffer) {
            Ws->bbGetEditBufClick();
        } else {
            FetchSlot5OfBank1();
        }
        // What a dump of the table's lengths left in the gathering slots, but for its end.
        const auto tableDump = messages(Table, c.ToEditBuffer);
        for (int p = 0; p < 7; ++p) {
            Receive(tableDump[static_cast<size_t>(p)]);
        }
        const auto sent = messages(c.Kind, c.ToEditBuffer);
        Receive(sent);
        EndTransfer();
        EXPECT_EQ(Probe.ExpectDump(), !c.Lands);
        if (!c.Lands) {
            EXPECT_EQ(BytesOf(target), before);
            continue;
        }
        EXPECT_EQ(target.Name(), "Brs:Horn Sect   ");
        for (int p = 0; p < 8; ++p) {
            const TBytes& packet = sent[static_cast<size_t>(p)];
            const auto slot = target.Dump().Slot(p);
            EXPECT_TRUE(std::equal(packet.begin(), packet.end(), slot.begin())) << p;
            EXPECT_TRUE(std::all_of(slot.begin() + static_cast<long>(packet.size()), slot.end(),
                                    [](uint8_t b) { return b == 0; }))
                << "nothing of a longer packet stays behind packet " << p;
        }
        if (c.ToEditBuffer) {
            EXPECT_EQ(Ws->Context().Sizes, c.Kind == Short ? shorter : table) << "measured";
        }
    }
}

TEST_F(DispatchTest, WhatNoHandlerTakes) {
    const TBytes before = BytesOf(Ws->EditPatch());
    auto same = [&] { return BytesOf(Ws->EditPatch()) == before; };
    // No dump awaited.
    Receive(Packets(0x7F, 0x7F));
    EXPECT_TRUE(same());
    // Another device's dump.
    Ws->bbGetEditBufClick();
    Receive(Packets(0x7F, 0x7F, 3));
    EXPECT_TRUE(same());
    EXPECT_TRUE(Probe.ExpectDump());
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
    EXPECT_TRUE(Probe.ExpectDump());
    // More than the receive buffer holds.
    Receive(TBytes(TWorkspaceProbe::RxBufferSize() + 1, 0xF0));
    EXPECT_TRUE(same());
}

TEST_F(FreshWorkspace, DeviceId7FTakesEveryDevice) {
    Connect(0x7F);
    const TWorkspaceProbe probe(*Ws);
    ASSERT_EQ(Ws->Context().DeviceId, 0x7F);
    Ws->bbGetEditBufClick();
    Receive(Packets(Ws->Context().Sizes, 0x7F, 0x7F, 5));
    EXPECT_FALSE(probe.ExpectDump());
    EXPECT_EQ(Ws->EditPatch().Name(), "Brs:Horn Sect   ");
}

TEST_F(DispatchTest, RomPresetsThroughTheEditBufferAreStoredAsTheirSlot) {
    Ws->cbROMBankListChange(4);
    ASSERT_EQ(Ws->Status().LoadMethod, TLoadMethod::EditBuffer);
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(Probe.RomViaEditBuffer());
    // Presets 0 to 9 answered, each from the synth's edit buffer.
    for (int preset = 0; preset <= 9; ++preset) {
        ASSERT_EQ(Probe.CurPreset(), preset);
        Receive(Packets(0x7F, 0x7F, 16, preset == 9 ? "Brs:Horn Sect" : "Rom:Earlier"));
        if (preset < 9) {
            Ws->BankTimerTimer();
        }
    }
    TPatchRec& slot = Ws->RomBank().Slot(9);
    EXPECT_EQ(slot.Name(), "Brs:Horn Sect   ");
    EXPECT_EQ(slot.Dump().Slot(0)[7], 9);
    EXPECT_EQ(slot.Dump().Slot(0)[8], 4);
    EXPECT_EQ(Ws->EditPatch().Name().substr(0, 9), "Pno:Grand") << "the edit buffer kept";
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : ROM Bank : 9 Brs:Horn Sect   ");
    EndTransfer();
}

TEST_F(DispatchTest, TheSynthsCancelEndsTheTransfer) {
    const TBytes cancel = {0xF0, 0x18, 0x0F, 0x10, 0x55, 0x7D, 0xF7};
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Receive(cancel);
    EXPECT_FALSE(View.ProgressVisible);

    Ws->bbROMGetBankClick();
    ASSERT_TRUE(View.ProgressVisible);
    ASSERT_FALSE(View.CommandsOn);
    ASSERT_TRUE(Probe.RomXfer());
    ASSERT_TRUE(Probe.ExpectDump()) << "a dump is awaited: the cancel still gets through";
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Receive(cancel);
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_FALSE(Probe.RomXfer());
    EXPECT_FALSE(Ws->Status().TransferRunning);
}

TEST_F(DispatchTest, AnErrorRaisedInAnEventEndsTheTransferAndIsShown) {
    struct Case {
        const char* What;
        std::function<void()> Start;
        std::function<void()> Raise;
        std::string Text;
    } cases[] = {
        {"an input port's error while a bank is fetched",
         [&] {
             ASSERT_TRUE(Ws->pcUserBankChange(0));
             Ws->bbGetBankClick();
         },
         [] { throw EMidiInputError("Input device removed"); }, "Input device removed"},
        {"an output port's error while a bank is sent",
         [&] {
             ASSERT_TRUE(Ws->pcUserBankChange(2));
             Ws->bbSendBankClick();
         },
         [] { throw EMidiOutputError("(Long Msg) Device not opened."); },
         "(Long Msg) Device not opened."},
        {"something else, with no transfer running", [] {}, [] { throw 42; },
         "An unknown error occurred."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        View.Caption = "(before)";
        c.Start();
        Dialogs.ExpectMessage(TMessageKind::Error, c.Text);
        Ws->RunGuarded(c.Raise);
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(Ws->Status().TransferRunning);
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_TRUE(View.CommandsOn);
        EXPECT_FALSE(Probe.SendTimer().isActive());
        EXPECT_NE(View.Caption, "Proteus 2000 (Ver: 1.04 )") << "not reported as fetched";
        EXPECT_NE(View.Caption, "Proteus 2000 (Ver: 1.04 ) ") << "not reported as sent";
    }
}

// The dump a failed fetch was waiting for may still come: it is stored, as after a cancel,
// but the fetch must not then look as if it had finished.
TEST_F(DispatchTest, ALateDumpDoesNotMakeAFailedFetchLookFinished) {
    ASSERT_TRUE(Ws->pcUserBankChange(0));
    Ws->bbGetBankClick();
    Dialogs.ExpectMessage(TMessageKind::Error, "Input device removed");
    Ws->RunGuarded([] { throw EMidiInputError("Input device removed"); });
    Receive(Packets(0, 0));
    EXPECT_EQ(Ws->UserBank(0).Slot(0).Name(), "Brs:Horn Sect   ");
    ASSERT_TRUE(PumpUntil([&] { return !Probe.BankTimer().isActive(); }));
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: 1.04 )  : User Bank 0 : 0 Brs:Horn Sect   ");
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(FreshWorkspace, TheIdentityReplyWhenOneIsAwaited) {
    const TWorkspaceProbe probe(*Ws);
    const TBytes reply = IdentityReply(0);
    Receive(reply);
    EXPECT_FALSE(Ws->Status().SynthFound) << "not awaited";
    EXPECT_EQ(Ws->Synth().ModelName, "");
    ChooseOutput();
    ASSERT_TRUE(probe.ExpectIdentity()) << "choosing the output looks for the synth";
    Receive(reply);
    EXPECT_FALSE(probe.ExpectIdentity());
    EXPECT_TRUE(Ws->Status().SynthFound);
    EXPECT_EQ(Ws->Synth().ModelName, "Proteus 2000");
    EXPECT_EQ(Ws->Context().DeviceId, 0);
    EXPECT_FALSE(probe.Busy());
}
