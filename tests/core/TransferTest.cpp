// Fetching and sending banks with the virtual synth on the in-process MIDI driver: the whole
// road from the request to the patch in its slot and back, the pause schedule of a send, the
// time-out of a silent synth, the refusal while a message is dispatched, and a keyboard played
// through to the synth.
#include "DumpBuilder.h"
#include "MidiDriver.h"
#include "MidiResult.h"
#include "Midiout.h"
#include "MidnamBanks.h"
#include "RecordingView.h"
#include "SynthTexts.h"
#include "SysexMessages.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"
#include "WorkspaceProbe.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <span>
#include <string>

using namespace velcora;
using namespace velcora::test;

namespace {

/// The in-process driver, whose output devices can go away in the middle of a transfer: from
/// a chosen moment, the n-th short or SysEx message fails as it does on a device that was
/// removed. It counts the messages the program's output ports gave their devices.
class TFailingDriver : public IMidiDriver {
public:
    static inline const std::string Gone = "The MIDI device was removed.";
    static constexpr uint32_t Removed = TMidiResult::DriverBase + 1;

    explicit TFailingDriver(TVirtualMidiDriver& inner) : FInner(inner) {}

    /// The n-th short message from now (1: the next) fails.
    void FailShortIn(int n) { FShortsLeft = n; }
    void FailLongIn(int n) { FLongsLeft = n; }

    uint32_t InDeviceCount() override { return FInner.InDeviceCount(); }
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override {
        return FInner.InDeviceCaps(id, caps);
    }
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        return FInner.InOpen(handle, id, callback, instance);
    }
    uint32_t OutDeviceCount() override { return FInner.OutDeviceCount(); }
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override {
        return FInner.OutDeviceCaps(id, caps);
    }
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override {
        std::unique_ptr<IMidiOutHandle> inner;
        const uint32_t code = FInner.OutOpen(inner, id, callback, instance);
        if (code == TMidiResult::NoError) {
            handle = std::make_unique<THandle>(*this, std::move(inner));
        }
        return code;
    }
    bool ErrorText(uint32_t code, std::string& text) override {
        if (code == Removed) {
            text = Gone;
            return true;
        }
        return FInner.ErrorText(code, text);
    }

    int Shorts = 0;
    int Longs = 0;

private:
    class THandle : public IMidiOutHandle {
    public:
        THandle(TFailingDriver& driver, std::unique_ptr<IMidiOutHandle> inner)
            : FDriver(driver), FInner(std::move(inner)) {}
        uint32_t ShortMsg(uint32_t packed) override {
            ++FDriver.Shorts;
            return Due(FDriver.FShortsLeft) ? Removed : FInner->ShortMsg(packed);
        }
        uint32_t PrepareHeader(TMidiHeader& header) override {
            return FInner->PrepareHeader(header);
        }
        uint32_t UnprepareHeader(TMidiHeader& header) override {
            return FInner->UnprepareHeader(header);
        }
        uint32_t LongMsg(TMidiHeader& header) override {
            ++FDriver.Longs;
            return Due(FDriver.FLongsLeft) ? Removed : FInner->LongMsg(header);
        }
        uint32_t Reset() override { return FInner->Reset(); }
        uint32_t Close() override { return FInner->Close(); }

    private:
        static bool Due(int& left) { return left > 0 && --left == 0; }
        TFailingDriver& FDriver;
        std::unique_ptr<IMidiOutHandle> FInner;
    };

    TVirtualMidiDriver& FInner;
    int FShortsLeft = 0;
    int FLongsLeft = 0;
};

/// The program and a virtual synth of one model (by member code) on the in-process driver,
/// its data packets shortened by Shorter bytes. The person has chosen the synth's output;
/// choosing its input (Identify) lets the synth answer.
template <uint16_t Member, size_t Shorter = 0> class TTransferFixture : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;

    TTransferFixture() {
        EnsureApp();
        // The blank presets shipped beside the program fill the banks at identification.
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
        Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path(), &Driver);
        Ws->SetPause([this](int ms) { Pauses.push_back(ms); });
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, SynthPort));
        EXPECT_TRUE(Ws->Status().SynthOutput.Open);
    }
    TWorkspaceProbe Probe() const { return TWorkspaceProbe(*Ws); }
    int Entry(TPort port, const std::string& name) const {
        return TWorkspace::EntryIndex(Ws->PortEntries(port), name);
    }
    /// The synth's input chosen: the search that follows identifies the synth.
    void Search() {
        Ws->lbMidiInClick(Entry(TPort::SynthInput, SynthPort));
        ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound && !Probe().ExpectChannel(); },
                              std::chrono::seconds(20)));
        EXPECT_FALSE(Ws->Synth().ModelName.empty());
    }
    /// The search, and the edit buffer it fetches half a second later.
    void Identify() {
        Search();
        ASSERT_TRUE(PumpUntil([&] { return SearchDone(); }, std::chrono::seconds(10)));
    }
    bool SearchDone() const { return !Probe().ReqTimer().isActive() && !Probe().ExpectDump(); }
    bool TransferRunning() const { return Ws->Status().TransferRunning; }
    /// The person picks another output device. The event loop has run since the last click,
    /// so the messages sent before have left: a port refuses to close while it holds some.
    void ChooseOutput(const std::string& name) {
        ASSERT_TRUE(PumpUntil([&] { return Probe().SynthOutput()->PendingBuffers() == 0; }));
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, name));
    }
    /// The index in the ROM list of a ROM with at least this many banks, or -1.
    int RomWithBanks(int banks) const {
        const TSynth& synth = Ws->Synth();
        for (int i = 0; i < synth.RomCount; ++i) {
            if (synth.Roms[static_cast<size_t>(i)].BankCount >= banks) {
                return i;
            }
        }
        return -1;
    }
    std::string RomName(int romIndex, int bank, int slot) {
        const int id = Ws->Synth().Roms[static_cast<size_t>(romIndex)].Id;
        return Synth.With([&](emu::TVirtualSynth& s) {
            const auto preset =
                s.RomPreset(static_cast<uint16_t>(id), static_cast<uint16_t>(bank * 128 + slot));
            return preset ? preset->Name() : std::string("(none)");
        });
    }
    std::string Caption() const { return Ws->Synth().Caption(); }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    std::vector<int> Pauses;
    TVirtualMidiDriver Devices;
    TFailingDriver Driver{Devices};
    emu::TVirtualSynthDevice Synth{Devices, [] {
                                       emu::TVirtualSynthOptions options;
                                       options.MemberCode = Member;
                                       options.ShorterPackets = Shorter;
                                       return options;
                                   }()};
    std::unique_ptr<TWorkspace> Ws;
};

using TransferTest = TTransferFixture<3>;     // a Proteus 2000
using Xl7TransferTest = TTransferFixture<13>; // a Command Station: no direct ROM bank 4
// A Proteus 2000 whose data packets are 251 bytes instead of the family's 255.
using ShortPacketTransferTest = TTransferFixture<3, 4>;

} // namespace

TEST_F(TransferTest, IdentifyThenFetchAWholeUserBank) {
    Identify();
    EXPECT_FALSE(View.RomList.empty()) << "the hardware configuration answered";
    Pauses.clear();
    Ws->bbGetBankClick();
    EXPECT_TRUE(View.ProgressVisible);
    EXPECT_FALSE(View.CommandsOn);
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(60)));
    for (int slot : {0, 1, 64, 127}) {
        const std::string expected =
            Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Name(); });
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Name(), expected) << slot;
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Dump().Slot(0)[7], slot);
    }
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: " + Ws->Synth().Version + " )");
    EXPECT_EQ(Pauses.size(), 128u) << "one pause after each request";
}

TEST_F(TransferTest, FetchSelectedTakesExactlyTheMarkedSlots) {
    Identify();
    TPatchBank& bank = Ws->UserBank(1);
    const std::string blank = bank.Slot(4).Name();
    bank.Slot(3).SetSelected(true);
    bank.Slot(77).SetSelected(true);
    ASSERT_TRUE(Ws->pcUserBankChange(1));
    Ws->bbGetSelectedClick();
    EXPECT_EQ(View.Tabs[1], "*User 1") << "marked changed at once";
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(20)));
    const auto name = [&](int slot) {
        return Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(1, slot).Name(); });
    };
    EXPECT_EQ(bank.Slot(3).Name(), name(3));
    EXPECT_EQ(bank.Slot(77).Name(), name(77));
    EXPECT_EQ(bank.Slot(4).Name(), blank);
}

TEST_F(TransferTest, SendSelectedWritesEachPatchToItsOwnSlot) {
    Identify();
    Ws->SetTimeBetweenPatches(1);
    TPatchBank& bank = Ws->UserBank(2);
    for (int slot : {5, 9}) {
        bank.Slot(slot).SetName("Snd:Slot " + std::to_string(slot), Ws->Context().Sizes);
        bank.Slot(slot).SetSelected(true);
    }
    ASSERT_TRUE(Ws->pcUserBankChange(2));
    Ws->bbSendSelectedClick();
    EXPECT_EQ(View.Caption, Caption() + "  : User 2 - Sending Patch : 5");
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(20)));
    Synth.Drain();
    for (int slot : {5, 9}) {
        const std::string name = "Snd:Slot " + std::to_string(slot) + std::string(16, ' ');
        EXPECT_EQ(Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(2, slot).Name(); }),
                  name.substr(0, 16));
    }
    EXPECT_EQ(View.Caption, Caption() + " ");
}

TEST_F(TransferTest, SendPausesAfterEveryPatchAndLongerAfterEveryTenth) {
    Identify();
    Ws->SetTimeBetweenPatches(400);
    // The schedule only: nothing needs to leave.
    ChooseOutput(TWorkspace::NoDevice);
    ASSERT_TRUE(Ws->pcUserBankChange(3));
    Ws->bbSendBankClick();
    std::vector<int> waits{Probe().SendTimer().interval()};
    while (TransferRunning()) {
        Ws->SendTimerTimer();
        waits.push_back(Probe().SendTimer().interval());
    }
    ASSERT_EQ(waits.size(), 129u);
    // The wait after patch n (1-based) is waits[n - 1]; the first is what the timer had.
    EXPECT_EQ(waits[0], 400);
    EXPECT_EQ(waits[1], 1000);
    EXPECT_EQ(waits[2], 400);
    EXPECT_EQ(waits[11], 1000);
    EXPECT_EQ(waits[21], 1000);
    EXPECT_EQ(waits[12], 400);
}

TEST_F(TransferTest, ASilentSynthEndsTheFetchWithTheTimeOut) {
    Identify();
    Synth.With([](emu::TVirtualSynth& s) {
        s.Faults().Silent = true;
        return 0;
    });
    Ws->bbGetBankClick();
    // The first request is not watched; the time-out runs from the second on.
    Ws->BankTimerTimer();
    EXPECT_TRUE(Probe().TimedOut().isActive());
    Dialogs.ExpectMessage(TMessageKind::Warning, "Timed out : didn't receive data from synth.");
    Ws->TimedOutTimer();
    EXPECT_FALSE(TransferRunning());
    EXPECT_FALSE(Probe().TimedOut().isActive());
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(TransferTest, AnEmptySelectionFetchesNothing) {
    Identify();
    View.ProgressVisible = false;
    Ws->bbGetSelectedClick();
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_FALSE(TransferRunning());
}

TEST_F(TransferTest, RomBankChoiceSetsTheMethod) {
    Ws->cbROMBankListChange(3);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::DirectRom);
    EXPECT_EQ(View.LoadMethod, TLoadMethod::DirectRom);
    Ws->cbROMBankListChange(4);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::EditBuffer);
    EXPECT_EQ(View.LoadMethod, TLoadMethod::EditBuffer);
    EXPECT_EQ(Ws->Status().RomBankListIndex, 4);
    EXPECT_EQ(Probe().RomBankNo(), 4);
}

TEST_F(TransferTest, RomBankFetchedDirectly) {
    Identify();
    const int rom = RomWithBanks(2);
    ASSERT_GE(rom, 0);
    Ws->cbROMListChange(rom);
    Ws->cbROMBankListChange(1);
    Ws->bbROMGetBankClick();
    EXPECT_FALSE(View.RomListsOn);
    EXPECT_EQ(View.RomFile, "From synth");
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(View.RomListsOn);
    for (int slot : {0, 100, 127}) {
        EXPECT_EQ(Ws->RomBank().Slot(slot).Name(), RomName(rom, 1, slot)) << slot;
    }
    EXPECT_FALSE(Probe().RomXfer());

    // The ROM bank is known to hold that bank, which a sequencer's patch-name document then
    // selects, however the lists move since; a changed name ends what is known.
    auto origin = Ws->RomBankOrigin();
    ASSERT_TRUE(origin);
    EXPECT_EQ(origin->RomIndex, rom);
    EXPECT_EQ(origin->Bank, 1);
    Ws->cbROMBankListChange(0);
    ASSERT_TRUE(Ws->pcUserBankChange(TWorkspace::RomTab));
    const std::vector<TMidnamBank> banks = WorkspaceMidnamBanks(*Ws);
    ASSERT_EQ(banks.size(), 5u);
    const sysex::TBankSelectValues select =
        sysex::RomBankSelect(Ws->Synth().Roms[static_cast<size_t>(rom)].Id, 1);
    EXPECT_EQ(banks[4].Msb, select.Msb);
    EXPECT_EQ(banks[4].Lsb, select.Lsb);
    EXPECT_EQ(banks[4].Names[100].substr(0, 4), Ws->RomBank().Slot(100).Name().substr(0, 4));
    Ws->RomBank().Slot(100).SetName("Pad:Mine", Ws->Context().Sizes);
    EXPECT_FALSE(Ws->RomBankOrigin());
    EXPECT_EQ(WorkspaceMidnamBanks(*Ws).size(), 4u);
}

TEST_F(Xl7TransferTest, RomBank4IsCancelledDirectlyAndFetchedThroughTheEditBuffer) {
    Identify();
    const int rom = RomWithBanks(5);
    ASSERT_GE(rom, 0) << "the XL-7 has a ROM with a fifth bank";
    Ws->cbROMListChange(rom);

    // Asked directly, the synth cancels, and its advice is shown.
    Ws->cbROMBankListChange(4);
    Ws->rgLoadMethodClick(static_cast<int>(TLoadMethod::DirectRom));
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(Dialogs.ScriptDone());

    // Through the edit buffer every preset lands in its slot, stamped with its address.
    Ws->cbROMBankListChange(4);
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(60)));
    for (int slot : {0, 50, 127}) {
        EXPECT_EQ(Ws->RomBank().Slot(slot).Name(), RomName(rom, 4, slot)) << slot;
        EXPECT_EQ(Ws->RomBank().Slot(slot).Dump().Slot(0)[7], slot);
        EXPECT_EQ(Ws->RomBank().Slot(slot).Dump().Slot(0)[8], 4);
    }
}

TEST_F(TransferTest, ACancelledFetchStillStoresTheDumpAlreadyAskedFor) {
    Identify();
    Ws->bbGetBankClick();
    Ws->bbCancelGetClick();
    EXPECT_FALSE(TransferRunning());
    EXPECT_FALSE(View.ProgressVisible) << "the progress bar goes at once";
    // The dump requested before the cancel arrives, lands in its slot and ends the fetch once
    // more, since the list is exhausted.
    ASSERT_TRUE(PumpUntil([&] { return !Probe().ExpectDump(); }, std::chrono::seconds(10)));
    const std::string expected =
        Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 0).Name(); });
    EXPECT_EQ(Ws->UserBank(0).Slot(0).Name(), expected);
    ASSERT_TRUE(
        PumpUntil([&] { return !Probe().BankTimer().isActive(); }, std::chrono::seconds(2)));
    EXPECT_FALSE(TransferRunning());
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(TransferTest, AClosedOutputReportsThePortsError) {
    // An output device in use by another program stays chosen but closed; the search that
    // follows the choice is the first to find it so.
    const std::string busy = "Busy Port";
    TVirtualMidiDriver::TDeviceOptions inUse;
    inUse.FailOpen = true;
    Devices.AddLoopback(busy, inUse);
    Dialogs.ExpectMessage(TMessageKind::Error, "(Long Msg) Device not opened.");
    ChooseOutput(busy);
    ASSERT_TRUE(Dialogs.ScriptDone());
    ASSERT_EQ(Ws->Status().SynthOutput.Name, busy);
    ASSERT_FALSE(Ws->Status().SynthOutput.Open);
    const int longs = Driver.Longs;

    Dialogs.ExpectMessage(TMessageKind::Error, "(Short Msg) Device not opened.");
    Ws->bbAllSoundOffClick();
    // Send Edit Buffer stops at its first All Sound Off, before the dump.
    Dialogs.ExpectMessage(TMessageKind::Error, "(Short Msg) Device not opened.");
    Ws->bbSendEditBufClick();
    EXPECT_EQ(Driver.Longs, longs);
    EXPECT_TRUE(Dialogs.ScriptDone());
}

// A port error in the middle of a transfer, raised in a timer's step or in an input port's
// notification: the event loop never sees it, the person sees the port's text once, and the
// transfer ends as failed, not as finished.
TEST_F(TransferTest, APortErrorEndsTheRunningTransferAsFailed) {
    Identify();
    const std::string fetched = Caption();
    const std::string sent = fetched + " ";
    const int keyboard = Devices.AddDevice("Keyboard");
    Ws->lbKbdInClick(Entry(TPort::KbdInput, "Keyboard"));
    ASSERT_TRUE(Ws->Status().KbdInput.Open);
    Ws->SetTimeBetweenPatches(1);

    struct Case {
        const char* What;
        std::function<void()> Start;
    } cases[] = {
        {"the second program change of a ROM fetch through the edit buffer",
         [&] {
             Ws->cbROMListChange(0);
             Ws->cbROMBankListChange(0);
             Ws->rgLoadMethodClick(static_cast<int>(TLoadMethod::EditBuffer));
             Driver.FailShortIn(4); // the bank select pair, the first and second preset
             Ws->bbROMGetBankClick();
         }},
        {"the second patch of a bank sent",
         [&] {
             Driver.FailLongIn(12); // the fourth message of the second patch
             Ws->bbSendBankClick();
         }},
        {"a key played through while a bank is fetched",
         [&] {
             Ws->bbGetBankClick();
             Driver.FailShortIn(1);
             Devices.Emit(keyboard, std::vector<uint8_t>{0x90, 60, 100});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        View.Caption.clear();
        Dialogs.ExpectMessage(TMessageKind::Error, TFailingDriver::Gone);
        c.Start();
        ASSERT_TRUE(PumpUntil([&] { return Dialogs.ScriptDone(); }, std::chrono::seconds(20)));
        // Whatever was still on its way, and the time-out, have their chance to speak up.
        PumpUntil([] { return false; }, std::chrono::milliseconds(300));
        EXPECT_FALSE(TransferRunning());
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_TRUE(View.CommandsOn);
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(Probe().RomXfer());
        EXPECT_FALSE(Probe().TimedOut().isActive());
        EXPECT_FALSE(Probe().SendTimer().isActive());
        EXPECT_NE(View.Caption, fetched) << "not reported as finished";
        EXPECT_NE(View.Caption, sent) << "not reported as finished";
    }
}

TEST_F(TransferTest, AFailedRomFetchLeavesTheNextUserFetchToTheUserBank) {
    Identify();
    struct Case {
        const char* What;
        TLoadMethod Method;
        int FailShort; // 0: the short messages go out
        int FailLong;
    } cases[] = {
        {"the bank select fails", TLoadMethod::EditBuffer, 1, 0},
        {"the first program change fails", TLoadMethod::EditBuffer, 3, 0},
        {"the first direct request fails", TLoadMethod::DirectRom, 0, 1},
    };
    TPatchBank& user = Ws->UserBank(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Ws->BlankPatch().CopyTo(user.Slot(3));
        user.Slot(3).SetSelected(true);
        const std::string romBefore = Ws->RomBank().Slot(3).Name();
        ASSERT_TRUE(Ws->pcUserBankChange(TWorkspace::RomTab));
        Ws->cbROMListChange(0);
        Ws->cbROMBankListChange(0);
        Ws->rgLoadMethodClick(static_cast<int>(c.Method));
        Driver.FailShortIn(c.FailShort);
        Driver.FailLongIn(c.FailLong);
        Dialogs.ExpectMessage(TMessageKind::Error, TFailingDriver::Gone);
        Ws->bbROMGetBankClick();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(Probe().RomXfer());
        EXPECT_FALSE(Probe().RomViaEditBuffer());
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(View.ProgressVisible);

        ASSERT_TRUE(Ws->pcUserBankChange(0));
        Ws->bbGetSelectedClick();
        ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(20)));
        const std::string expected =
            Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 3).Name(); });
        EXPECT_EQ(user.Slot(3).Name(), expected);
        EXPECT_EQ(Ws->RomBank().Slot(3).Name(), romBefore);
    }
}

TEST_F(TransferTest, GetRomBankIsRefusedWhileNoRomIsKnown) {
    const std::string noRom = "The synth has not told which ROMs it holds yet,\nso there is no "
                              "ROM bank to get.\n\nLook for the synth on the Setup Midi Page "
                              "and try again.";
    const int sent = Driver.Shorts + Driver.Longs;
    for (TLoadMethod method : {TLoadMethod::DirectRom, TLoadMethod::EditBuffer}) {
        SCOPED_TRACE(static_cast<int>(method));
        Ws->rgLoadMethodClick(static_cast<int>(method));
        ASSERT_EQ(Ws->Status().LoadMethod, method);
        Dialogs.ExpectMessage(TMessageKind::Warning, noRom);
        Ws->bbROMGetBankClick();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Driver.Shorts + Driver.Longs, sent) << "nothing is sent";
        EXPECT_EQ(View.RomFile, "") << "the ROM tab does not claim a fetch";
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_FALSE(Probe().RomXfer());
        EXPECT_FALSE(Probe().RomViaEditBuffer());
        EXPECT_FALSE(Probe().ExpectDump());
    }
}

TEST_F(TransferTest, EditBufferFetchedAndSentBack) {
    Identify();
    const auto synthEditName = [&] {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    };
    Ws->EditPatch().SetName("Tst:Local", Ws->Context().Sizes);
    Ws->bbGetEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().ExpectDump(); }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->EditPatch().Name(), synthEditName());
    EXPECT_EQ(View.EditCategory + ":" + View.EditName, synthEditName());

    // Renamed and sent back, it becomes what the synth plays.
    Ws->EditPatch().SetName("Tst:Sent Back", Ws->Context().Sizes);
    Ws->bbSendEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return Probe().SynthOutput()->PendingBuffers() == 0; }));
    Synth.Drain();
    EXPECT_EQ(synthEditName(), "Tst:Sent Back   ");
    EXPECT_NE(Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 0).Name(); }),
              synthEditName());

    // Fetched again, the edit buffer brings that name back.
    Ws->EditPatch().SetName("Tst:Local", Ws->Context().Sizes);
    Ws->bbGetEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().ExpectDump(); }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->EditPatch().Name(), "Tst:Sent Back   ");
}

TEST_F(ShortPacketTransferTest, SizesMeasuredFromTheEditBufferThenAWholeBankFetchedSavedAndLoaded) {
    Search();
    EXPECT_EQ(Ws->Context().Sizes.BlockSize(1), 255) << "the table's sizes until measured";
    EXPECT_FALSE(Ws->Synth().SizesMeasured);
    // What the search asks half a second after the Device Inquiry.
    ASSERT_TRUE(PumpUntil([&] { return SearchDone(); }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->EditPatch().Name(),
              Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); }));
    EXPECT_TRUE(Ws->Synth().SizesMeasured);
    const std::string& section = Ws->Synth().Section;
    const TDumpSizes& sizes = Ws->Context().Sizes;
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(sizes.BlockSize(k), 251) << k;
    }
    EXPECT_EQ(sizes.BlockSize(7), 41);
    EXPECT_EQ(Ws->Settings().ReadInteger(section, "Block1Size", 0), 251);
    EXPECT_EQ(Ws->Settings().ReadInteger(section, "TotalSize", 0), 36 + 6 * 251 + 41);

    Ws->bbGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return !TransferRunning(); }, std::chrono::seconds(60)));
    for (int slot : {0, 1, 64, 127}) {
        const std::string expected =
            Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Name(); });
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Name(), expected) << slot;
    }

    // The fetched bank goes to a file at the measured sizes and comes back whole.
    const std::string file = Dir.File("short.syx");
    Dialogs.ExpectSave("Save Patch Bank File", file);
    Ws->bbSaveBankClick();
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(ReadBytes(file).size(), 128u * static_cast<size_t>(sizes.TotalSize()));
    ASSERT_TRUE(Ws->UserBank(1).LoadFileByName(file));
    const auto packets = [&](TPatchBank& bank) {
        std::vector<uint8_t> bytes;
        for (int slot = 0; slot < 128; ++slot) {
            for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
                const auto packet = bank.Slot(slot).Dump().Packet(p, sizes);
                bytes.insert(bytes.end(), packet.begin(), packet.end());
            }
        }
        return bytes;
    };
    ExpectSameExceptStamped(packets(Ws->UserBank(0)), packets(Ws->UserBank(1)), sizes);
}

TEST(KeyboardThrough, EverythingButActiveSensingGoesOnToTheSynth) {
    EnsureApp();
    TTempDir dir;
    TScriptedDialogs dialogs;
    TRecordingView view;
    TVirtualMidiDriver driver;
    std::mutex lock;
    std::vector<std::vector<uint8_t>> heard;
    driver.AddDevice("Synth", [&](std::span<const uint8_t> m) {
        std::lock_guard guard(lock);
        heard.emplace_back(m.begin(), m.end());
    });
    const int keyboard = driver.AddDevice("Keyboard");
    TWorkspace ws(dialogs, view, dir.File("Velcora.INI"), dir.Path(), dir.Path(), &driver);
    ws.SetPause([](int) {});
    const auto entry = [&](TPort port, const std::string& name) {
        return TWorkspace::EntryIndex(ws.PortEntries(port), name);
    };
    ws.lbKbdInClick(entry(TPort::KbdInput, "Keyboard"));
    ASSERT_TRUE(ws.Status().KbdInput.Open);
    const auto heardCount = [&] {
        std::lock_guard guard(lock);
        return heard.size();
    };

    // No synth output yet: what the keyboard plays goes nowhere, and nothing fails.
    driver.Emit(keyboard, std::vector<uint8_t>{0x90, 60, 100});
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));

    // The output chosen, the search asks for the synth at once and for its edit buffer when
    // its timer runs out; both are done before the keyboard plays.
    ws.lbMidiOutClick(entry(TPort::SynthOutput, "Synth"));
    ASSERT_TRUE(ws.Status().SynthOutput.Open);
    ws.ReqTimerTimer();
    ASSERT_TRUE(PumpUntil([&] { return heardCount() >= 2; }));
    driver.Sync();
    {
        std::lock_guard guard(lock);
        ASSERT_EQ(heard.size(), 2u);
        heard.clear();
    }
    const std::vector<std::vector<uint8_t>> played = {{0x90, 60, 100}, {0xFE}, {0xB1, 7, 90},
                                                      {0xE0, 0, 64},   {0xFE}, {0x80, 60, 0}};
    for (const auto& m : played) {
        driver.Emit(keyboard, m);
    }
    ASSERT_TRUE(PumpUntil([&] { return heardCount() >= 4; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    driver.Sync();
    std::lock_guard guard(lock);
    EXPECT_EQ(heard, (std::vector<std::vector<uint8_t>>{
                         {0x90, 60, 100}, {0xB1, 7, 90}, {0xE0, 0, 64}, {0x80, 60, 0}}));
}
