// Fetching and sending banks with the virtual synth on the in-process MIDI driver: the whole
// road from the request to the patch in its slot and back, the pause schedule of a send, the
// time-out of a silent synth, the refusal while a message is dispatched, and a keyboard played
// through to the synth.
#include "DumpBuilder.h"
#include "MidiOutputError.h"
#include "Midiin.h"
#include "Midiout.h"
#include "RecordingView.h"
#include "SynthTexts.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"

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

/// An output port that raises its error at a chosen message from now on, once, as a device
/// that goes away in the middle of a transfer does; it counts the messages it was given.
class TFailingOutput : public TMidiOutput {
public:
    using TMidiOutput::PutLong;
    using TMidiOutput::TMidiOutput;
    static inline const std::string Gone = "The MIDI device was removed.";

    void PutShort(uint8_t status, uint8_t data1, uint8_t data2) override {
        ++Shorts;
        Countdown(FShortsLeft);
        TMidiOutput::PutShort(status, data1, data2);
    }
    void PutLong(std::span<const uint8_t> bytes) override {
        ++Longs;
        Countdown(FLongsLeft);
        TMidiOutput::PutLong(bytes);
    }
    /// The n-th short message from now (1: the next) raises.
    void FailShortIn(int n) { FShortsLeft = n; }
    void FailLongIn(int n) { FLongsLeft = n; }

    int Shorts = 0;
    int Longs = 0;

private:
    static void Countdown(int& left) {
        if (left > 0 && --left == 0) {
            throw EMidiOutputError(Gone);
        }
    }
    int FShortsLeft = 0;
    int FLongsLeft = 0;
};

/// The program and a virtual synth of one model (by member code) on the in-process driver,
/// its data packets shortened by Shorter bytes.
template <uint16_t Member, size_t Shorter = 0> class TTransferFixture : public ::testing::Test {
protected:
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
        Ws->FSynth.Pause = [this](int ms) { Pauses.push_back(ms); };
        auto output = std::make_unique<TFailingOutput>(Driver);
        Output = output.get();
        Ws->FMidiPCToSynth = std::move(output);
        const std::string name = emu::TVirtualSynthDevice::kDefaultName;
        Ws->FMidiPCToSynth->SetProductName(name);
        EXPECT_TRUE(Ws->FMidiPCToSynth->Open());
        Ws->FSynthOutDev = static_cast<int>(Ws->FMidiPCToSynth->DeviceID());
        Ws->FMidiSynthToPC->SetProductName(name);
        Ws->FSynthInDev = static_cast<int>(Ws->FMidiSynthToPC->DeviceID());
        Ws->FMidiSynthToPC->OpenAndStart();
    }
    ~TTransferFixture() override {
        Ws->FBankTimer.stop();
        Ws->FTimedOut.stop();
        Ws->FSendTimer.stop();
    }
    void Identify() {
        // The shipped default beside the program gives the blank patch: no blank-file warning.
        Ws->FSynth.RequestIdentity();
        ASSERT_TRUE(PumpUntil([&] { return Ws->FSynthFound && !Ws->FExpectChannel; },
                              std::chrono::seconds(20)));
        EXPECT_FALSE(Ws->FSynth.ModelName.empty());
    }
    /// The index in the ROM list of a ROM with at least this many banks, or -1.
    int RomWithBanks(int banks) const {
        for (int i = 0; i < Ws->FSynth.RomCount; ++i) {
            if (Ws->FSynth.Roms[static_cast<size_t>(i)].BankCount >= banks) {
                return i;
            }
        }
        return -1;
    }
    std::string RomName(int romIndex, int bank, int slot) {
        const int id = Ws->FSynth.Roms[static_cast<size_t>(romIndex)].Id;
        return Synth.With([&](emu::TVirtualSynth& s) {
            const auto preset =
                s.RomPreset(static_cast<uint16_t>(id), static_cast<uint16_t>(bank * 128 + slot));
            return preset ? preset->Name() : std::string("(none)");
        });
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    std::vector<int> Pauses;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver, [] {
                                       emu::TVirtualSynthOptions options;
                                       options.MemberCode = Member;
                                       options.ShorterPackets = Shorter;
                                       return options;
                                   }()};
    std::unique_ptr<TWorkspace> Ws;
    TFailingOutput* Output = nullptr;
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
    Ws->StartGet(Ws->UserBank(0), false);
    EXPECT_TRUE(View.ProgressVisible);
    EXPECT_FALSE(View.CommandsOn);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(60)));
    for (int slot : {0, 1, 64, 127}) {
        const std::string expected =
            Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Name(); });
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Name(), expected) << slot;
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Dump().Slot(0)[7], slot);
    }
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: " + Ws->FSynth.Version + " )");
    EXPECT_EQ(Pauses.size(), 128u) << "one pause after each request";
}

TEST_F(TransferTest, FetchSelectedTakesExactlyTheMarkedSlots) {
    Identify();
    TPatchBank& bank = Ws->UserBank(1);
    const std::string blank = bank.Slot(4).Name();
    bank.Slot(3).SetSelected(true);
    bank.Slot(77).SetSelected(true);
    Ws->FCtx.CurUserBank = 1;
    Ws->bbGetSelectedClick();
    EXPECT_EQ(View.Tabs[1], "*User 1") << "marked changed at once";
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(20)));
    const auto name = [&](int slot) {
        return Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(1, slot).Name(); });
    };
    EXPECT_EQ(bank.Slot(3).Name(), name(3));
    EXPECT_EQ(bank.Slot(77).Name(), name(77));
    EXPECT_EQ(bank.Slot(4).Name(), blank);
}

TEST_F(TransferTest, SendSelectedWritesEachPatchToItsOwnSlot) {
    Identify();
    Ws->FSynth.TimeBetweenPatches = 1;
    Ws->FSendTimer.setInterval(1);
    TPatchBank& bank = Ws->UserBank(2);
    for (int slot : {5, 9}) {
        bank.Slot(slot).SetName("Snd:Slot " + std::to_string(slot), Ws->FCtx.Sizes);
        bank.Slot(slot).SetSelected(true);
    }
    Ws->FCtx.CurUserBank = 2;
    Ws->bbSendSelectedClick();
    EXPECT_EQ(View.Caption,
              "Proteus 2000 (Ver: " + Ws->FSynth.Version + " )  : User 2 - Sending Patch : 5");
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(20)));
    Synth.Drain();
    for (int slot : {5, 9}) {
        const std::string name = "Snd:Slot " + std::to_string(slot) + std::string(16, ' ');
        EXPECT_EQ(Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(2, slot).Name(); }),
                  name.substr(0, 16));
    }
    EXPECT_EQ(View.Caption, "Proteus 2000 (Ver: " + Ws->FSynth.Version + " ) ");
}

TEST_F(TransferTest, SendPausesAfterEveryPatchAndLongerAfterEveryTenth) {
    Identify();
    Ws->FSynth.TimeBetweenPatches = 400;
    Ws->FSynthOutDev = -1; // the schedule only: nothing needs to leave
    TPatchBank& bank = Ws->UserBank(3);
    Ws->StartSend(bank, false);
    std::vector<int> waits{Ws->FSendTimer.interval()};
    while (Ws->FTransferShowing) {
        Ws->SendTimerTimer();
        waits.push_back(Ws->FSendTimer.interval());
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
    Ws->StartGet(Ws->UserBank(0), false);
    // The first request is not watched; the time-out runs from the second on.
    Ws->BankTimerTimer();
    EXPECT_TRUE(Ws->FTimedOut.isActive());
    Dialogs.ExpectMessage(TMessageKind::Warning, "Timed out : didn't receive data from synth.");
    Ws->TimedOutTimer();
    EXPECT_FALSE(Ws->FTransferShowing);
    EXPECT_FALSE(Ws->FTimedOut.isActive());
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(TransferTest, AnEmptySelectionFetchesNothing) {
    Identify();
    View.ProgressVisible = false;
    Ws->StartGet(Ws->UserBank(0), true);
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_FALSE(Ws->FTransferShowing);
}

TEST_F(TransferTest, RomBankChoiceSetsTheMethod) {
    Ws->cbROMBankListChange(3);
    EXPECT_EQ(Ws->FLoadMethod, TLoadMethod::DirectRom);
    EXPECT_EQ(View.LoadMethod, TLoadMethod::DirectRom);
    Ws->cbROMBankListChange(4);
    EXPECT_EQ(Ws->FLoadMethod, TLoadMethod::EditBuffer);
    EXPECT_EQ(Ws->FRomBankNo, 4);
}

TEST_F(TransferTest, RomBankFetchedDirectly) {
    Identify();
    const int rom = RomWithBanks(2);
    ASSERT_GE(rom, 0);
    Ws->FSynth.cbROMListChange(rom);
    Ws->cbROMBankListChange(1);
    Ws->bbROMGetBankClick();
    EXPECT_FALSE(View.RomListsOn);
    EXPECT_EQ(View.RomFile, "From synth");
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(60)));
    EXPECT_TRUE(View.RomListsOn);
    for (int slot : {0, 100, 127}) {
        EXPECT_EQ(Ws->FRomBank->Slot(slot).Name(), RomName(rom, 1, slot)) << slot;
    }
    EXPECT_FALSE(Ws->FRomXfer);
}

TEST_F(Xl7TransferTest, RomBank4IsCancelledDirectlyAndFetchedThroughTheEditBuffer) {
    Identify();
    const int rom = RomWithBanks(5);
    ASSERT_GE(rom, 0) << "the XL-7 has a ROM with a fifth bank";
    Ws->FSynth.cbROMListChange(rom);

    // Asked directly, the synth cancels, and its advice is shown.
    Ws->cbROMBankListChange(4);
    Ws->FLoadMethod = TLoadMethod::DirectRom;
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(20)));
    EXPECT_TRUE(Dialogs.ScriptDone());

    // Through the edit buffer every preset lands in its slot, stamped with its address.
    Ws->cbROMBankListChange(4);
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(60)));
    for (int slot : {0, 50, 127}) {
        EXPECT_EQ(Ws->FRomBank->Slot(slot).Name(), RomName(rom, 4, slot)) << slot;
        EXPECT_EQ(Ws->FRomBank->Slot(slot).Dump().Slot(0)[7], slot);
        EXPECT_EQ(Ws->FRomBank->Slot(slot).Dump().Slot(0)[8], 4);
    }
}

TEST_F(TransferTest, ACancelledFetchStillStoresTheDumpAlreadyAskedFor) {
    Identify();
    Ws->StartGet(Ws->UserBank(0), false);
    Ws->bbCancelGetClick();
    EXPECT_FALSE(Ws->FTransferShowing);
    EXPECT_FALSE(View.ProgressVisible) << "the progress bar goes at once";
    // The dump requested before the cancel arrives, lands in its slot and ends the fetch once
    // more, since the list is exhausted.
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FExpectDump; }, std::chrono::seconds(10)));
    const std::string expected =
        Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 0).Name(); });
    EXPECT_EQ(Ws->UserBank(0).Slot(0).Name(), expected);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FBankTimer.isActive(); }, std::chrono::seconds(2)));
    EXPECT_FALSE(Ws->FTransferShowing);
    EXPECT_TRUE(View.CommandsOn);
}

TEST_F(TransferTest, AClosedOutputReportsThePortsError) {
    ASSERT_TRUE(Ws->FMidiPCToSynth->Close());
    Dialogs.ExpectMessage(TMessageKind::Error, "(Short Msg) Device not opened.");
    Ws->bbAllSoundOffClick();
    // Send Edit Buffer stops at its first All Sound Off, before the dump.
    Dialogs.ExpectMessage(TMessageKind::Error, "(Short Msg) Device not opened.");
    Ws->bbSendEditBufClick();
    EXPECT_EQ(Output->Longs, 0);
    EXPECT_TRUE(Dialogs.ScriptDone());
}

// A port error in the middle of a transfer, raised in a timer's step or in an input port's
// notification: the event loop never sees it, the person sees the port's text once, and the
// transfer ends as failed, not as finished.
TEST_F(TransferTest, APortErrorEndsTheRunningTransferAsFailed) {
    Identify();
    const std::string fetched = "Proteus 2000 (Ver: " + Ws->FSynth.Version + " )";
    const std::string sent = fetched + " ";
    const int keyboard = Driver.AddDevice("Keyboard");
    Ws->FMidiKbdToPC->SetProductName("Keyboard");
    Ws->FKbdInDev = static_cast<int>(Ws->FMidiKbdToPC->DeviceID());
    Ws->FMidiKbdToPC->OpenAndStart();
    Ws->FSynth.TimeBetweenPatches = 1;
    Ws->FSendTimer.setInterval(1);

    struct Case {
        const char* What;
        std::function<void()> Start;
    } cases[] = {
        {"the second program change of a ROM fetch through the edit buffer",
         [&] {
             Ws->FSynth.cbROMListChange(0);
             Ws->cbROMBankListChange(0);
             Ws->FLoadMethod = TLoadMethod::EditBuffer;
             Output->FailShortIn(4); // the bank select pair, the first and second preset
             Ws->bbROMGetBankClick();
         }},
        {"the second patch of a bank sent",
         [&] {
             Output->FailLongIn(12); // the fourth message of the second patch
             Ws->bbSendBankClick();
         }},
        {"a key played through while a bank is fetched",
         [&] {
             Ws->bbGetBankClick();
             Output->FailShortIn(1);
             Driver.Emit(keyboard, std::vector<uint8_t>{0x90, 60, 100});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        View.Caption.clear();
        Dialogs.ExpectMessage(TMessageKind::Error, TFailingOutput::Gone);
        c.Start();
        ASSERT_TRUE(PumpUntil([&] { return Dialogs.ScriptDone(); }, std::chrono::seconds(20)));
        // Whatever was still on its way, and the time-out, have their chance to speak up.
        PumpUntil([] { return false; }, std::chrono::milliseconds(300));
        EXPECT_FALSE(Ws->FTransferShowing);
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_TRUE(View.CommandsOn);
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(Ws->FRomXfer);
        EXPECT_FALSE(Ws->FTimedOut.isActive());
        EXPECT_FALSE(Ws->FSendTimer.isActive());
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
        Ws->FBlankPatch->CopyTo(user.Slot(3));
        user.Slot(3).SetSelected(true);
        const std::string romBefore = Ws->FRomBank->Slot(3).Name();
        Ws->FSynth.cbROMListChange(0);
        Ws->cbROMBankListChange(0);
        Ws->FLoadMethod = c.Method;
        Output->FailShortIn(c.FailShort);
        Output->FailLongIn(c.FailLong);
        Dialogs.ExpectMessage(TMessageKind::Error, TFailingOutput::Gone);
        Ws->bbROMGetBankClick();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(Ws->FRomXfer);
        EXPECT_FALSE(Ws->FRomViaEditBuffer);
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(View.ProgressVisible);

        Ws->FCtx.CurUserBank = 0;
        Ws->bbGetSelectedClick();
        ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(20)));
        const std::string expected =
            Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 3).Name(); });
        EXPECT_EQ(user.Slot(3).Name(), expected);
        EXPECT_EQ(Ws->FRomBank->Slot(3).Name(), romBefore);
    }
}

TEST_F(TransferTest, GetRomBankIsRefusedWhileNoRomIsKnown) {
    const std::string noRom = "The synth has not told which ROMs it holds yet,\nso there is no "
                              "ROM bank to get.\n\nLook for the synth on the Setup Midi Page "
                              "and try again.";
    for (TLoadMethod method : {TLoadMethod::DirectRom, TLoadMethod::EditBuffer}) {
        SCOPED_TRACE(static_cast<int>(method));
        Ws->FLoadMethod = method;
        Dialogs.ExpectMessage(TMessageKind::Warning, noRom);
        Ws->bbROMGetBankClick();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Output->Shorts + Output->Longs, 0) << "nothing is sent";
        EXPECT_EQ(View.RomFile, "") << "the ROM tab does not claim a fetch";
        EXPECT_TRUE(View.RomListsOn);
        EXPECT_FALSE(View.ProgressVisible);
        EXPECT_FALSE(Ws->FRomXfer);
        EXPECT_FALSE(Ws->FRomViaEditBuffer);
        EXPECT_FALSE(Ws->FExpectDump);
    }
}

TEST_F(TransferTest, EditBufferFetchedAndSentBack) {
    Identify();
    const auto synthEditName = [&] {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    };
    Ws->bbGetEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FExpectDump; }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->FEditPatch->Name(), synthEditName());
    EXPECT_EQ(View.EditCategory + ":" + View.EditName, synthEditName());

    // Renamed and sent back, it becomes what the synth plays.
    Ws->FEditPatch->SetName("Tst:Sent Back", Ws->FCtx.Sizes);
    Ws->bbSendEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return Ws->FMidiPCToSynth->PendingBuffers() == 0; }));
    Synth.Drain();
    EXPECT_EQ(synthEditName(), "Tst:Sent Back   ");
    EXPECT_NE(Synth.With([](emu::TVirtualSynth& s) { return s.UserPreset(0, 0).Name(); }),
              synthEditName());

    // Fetched again, the edit buffer brings that name back.
    Ws->FEditPatch->SetName("Tst:Local", Ws->FCtx.Sizes);
    Ws->bbGetEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FExpectDump; }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->FEditPatch->Name(), "Tst:Sent Back   ");
}

TEST_F(ShortPacketTransferTest, SizesMeasuredFromTheEditBufferThenAWholeBankFetchedSavedAndLoaded) {
    Identify();
    EXPECT_EQ(Ws->FCtx.Sizes.BlockSize(1), 255) << "the table's sizes until measured";
    // What "Look for Synth" asks half a second after the Device Inquiry.
    Ws->FSynth.RequestEditBuffer();
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FExpectDump; }, std::chrono::seconds(10)));
    EXPECT_EQ(Ws->FEditPatch->Name(),
              Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); }));
    EXPECT_TRUE(Ws->FSynth.SizesMeasured);
    const std::string& section = Ws->FSynth.Section;
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(Ws->FCtx.Sizes.BlockSize(k), 251) << k;
    }
    EXPECT_EQ(Ws->FCtx.Sizes.BlockSize(7), 41);
    EXPECT_EQ(Ws->FIni.ReadInteger(section, "Block1Size", 0), 251);
    EXPECT_EQ(Ws->FIni.ReadInteger(section, "TotalSize", 0), 36 + 6 * 251 + 41);

    Ws->StartGet(Ws->UserBank(0), false);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->FTransferShowing; }, std::chrono::seconds(60)));
    for (int slot : {0, 1, 64, 127}) {
        const std::string expected =
            Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Name(); });
        EXPECT_EQ(Ws->UserBank(0).Slot(slot).Name(), expected) << slot;
    }

    // The fetched bank goes to a file at the measured sizes and comes back whole.
    const std::string file = Dir.File("short.syx");
    Dialogs.ExpectSave("Save Patch Bank File", file);
    ASSERT_TRUE(Ws->UserBank(0).SaveFileDialog());
    EXPECT_EQ(ReadBytes(file).size(), 128u * static_cast<size_t>(Ws->FCtx.Sizes.TotalSize()));
    ASSERT_TRUE(Ws->UserBank(1).LoadFileByName(file));
    const auto packets = [&](TPatchBank& bank) {
        std::vector<uint8_t> bytes;
        for (int slot = 0; slot < 128; ++slot) {
            for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
                const auto packet = bank.Slot(slot).Dump().Packet(p, Ws->FCtx.Sizes);
                bytes.insert(bytes.end(), packet.begin(), packet.end());
            }
        }
        return bytes;
    };
    ExpectSameExceptStamped(packets(Ws->UserBank(0)), packets(Ws->UserBank(1)), Ws->FCtx.Sizes);
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
    ws.FMidiKbdToPC->SetProductName("Keyboard");
    ws.FKbdInDev = static_cast<int>(ws.FMidiKbdToPC->DeviceID());
    ws.FMidiKbdToPC->OpenAndStart();
    const auto heardCount = [&] {
        std::lock_guard guard(lock);
        return heard.size();
    };

    // No synth output yet: what the keyboard plays goes nowhere, and nothing fails.
    driver.Emit(keyboard, std::vector<uint8_t>{0x90, 60, 100});
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));

    ws.FMidiPCToSynth->SetProductName("Synth");
    ASSERT_TRUE(ws.FMidiPCToSynth->Open());
    ws.FSynthOutDev = static_cast<int>(ws.FMidiPCToSynth->DeviceID());
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
