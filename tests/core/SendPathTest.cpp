// The one send path to the synth: every request byte for byte with the reply it awaits, the
// pause after each SysEx message, the refusal while a message is dispatched, patches sent
// and auditioned, and the input port reopened before every 130th request. The synth is a
// device that records what it hears; its replies are fed to the program as they would arrive.
#include "DumpBuilder.h"
#include "Midiin.h"
#include "Midiout.h"
#include "MidnamBanks.h"
#include "RecordingView.h"
#include "SynthTexts.h"
#include "SysexMessages.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualMidiDriver.h"
#include "Workspace.h"
#include "WorkspaceProbe.h"
#include "WorkspaceView.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <utility>

using namespace velcora;
using namespace velcora::test;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Hex(std::initializer_list<int> bytes) {
    TBytes out;
    for (int b : bytes) {
        out.push_back(static_cast<uint8_t>(b));
    }
    return out;
}

constexpr uint8_t DeviceId = 0x10;
/// A Proteus 2000, software 1.04, device id 10.
const TBytes IdentityReply =
    Hex({0xF0, 0x7E, 0x10, 0x06, 0x02, 0x18, 0x04, 0x04, 0x03, 0x01, '1', '.', '0', '4', 0xF7});
/// Two ROMs: id 8F (two 7-bit bytes: 0F 01) with six banks, the Composer ROM (id 4) with four.
const TBytes HardwareConfig =
    Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x09, 0x02, 0x00, 0x04, 0x02, 0x06, 0x0F,
         0x01, 0x00, 0x06, 0x00, 0x00, 0x04, 0x00, 0x00, 0x04, 0x10, 0x05, 0xF7});
/// Basic channel 2.
const TBytes ChannelReply =
    Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x03, 0x01, 0x0B, 0x01, 0x02, 0x00, 0xF7});
const TBytes CancelMessage = Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x7D, 0xF7});
const TBytes EditBufferRequest =
    Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04, 0x7F, 0x7F, 0x00, 0x00, 0xF7});
constexpr int RomWithTwoByteId = 0;
constexpr int ComposerRom = 1;

/// Scripted dialogs whose message box lets the event loop run while it shows, as a real one
/// does: the action given for the next box runs then.
class TDialogsWithEvents : public IDialogs {
public:
    explicit TDialogsWithEvents(TScriptedDialogs& script) : FScript(script) {}
    TAnswer MessageBox(TMessageKind kind, const std::string& text, TButtons buttons) override {
        const TAnswer answer = FScript.MessageBox(kind, text, buttons);
        if (auto during = std::exchange(WhileShown, {})) {
            during();
        }
        return answer;
    }
    TFileChoice OpenFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override {
        return FScript.OpenFile(title, filter, folder, fileName);
    }
    TFileChoice SaveFile(const std::string& title, const std::string& filter,
                         const std::string& folder, const std::string& fileName) override {
        return FScript.SaveFile(title, filter, folder, fileName);
    }

    std::function<void()> WhileShown;

private:
    TScriptedDialogs& FScript;
};

class SendPathTest : public ::testing::Test {
    // What the device received; declared first so that it outlives the driver's thread,
    // which may still deliver while the ports close.
    std::mutex FLock;
    std::vector<std::vector<uint8_t>> FReceived;
    std::vector<std::chrono::steady_clock::time_point> FReceivedAt;

protected:
    SendPathTest() {
        EnsureApp();
        // A blank preset beside the program, so that identification has one to fill holes with.
        TPatchWorld world;
        WriteBytes(Dir.File("Default Composer.syx"), MakeDump(world.Ctx.Sizes));
        Synth = Driver.AddDevice("Synth", [this](std::span<const uint8_t> m) {
            std::lock_guard lock(FLock);
            FReceived.emplace_back(m.begin(), m.end());
            FReceivedAt.push_back(std::chrono::steady_clock::now());
        });
        Ws = std::make_unique<TWorkspace>(Events, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path(), &Driver);
        Ws->SetPause([this](int ms) { Pauses.push_back(ms); });
        Ws->SetTimeBetweenSysex(40);
        // The output chosen: the search for the synth starts.
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, "Synth"));
    }
    TWorkspaceProbe Probe() const { return TWorkspaceProbe(*Ws); }
    int Entry(TPort port, const std::string& name) const {
        return TWorkspace::EntryIndex(Ws->PortEntries(port), name);
    }
    std::vector<TBytes> Received() {
        Driver.Sync();
        std::lock_guard lock(FLock);
        return FReceived;
    }
    /// When each message received arrived.
    std::vector<std::chrono::steady_clock::time_point> ReceivedAt() {
        Driver.Sync();
        std::lock_guard lock(FLock);
        return FReceivedAt;
    }
    /// What was sent and paused so far is left behind.
    void Forget() {
        Driver.Sync();
        std::lock_guard lock(FLock);
        FReceived.clear();
        FReceivedAt.clear();
        Pauses.clear();
    }
    /// The synth answers the search, the hardware configuration and the channel request.
    void Identify() {
        for (const TBytes* reply : {&IdentityReply, &HardwareConfig, &ChannelReply}) {
            Ws->ReceiveSysex(*reply);
        }
        ASSERT_TRUE(Ws->Status().SynthFound);
        ASSERT_EQ(Ws->Synth().RomCount, 2);
        Forget();
    }
    /// Identified, with the search's edit-buffer request, due half a second after the output
    /// was chosen, already gone: what follows is timed alone.
    void IdentifyAndSettle() {
        Identify();
        Ws->ReqTimerTimer();
        Forget();
    }
    /// The synth's eight messages of one dump, at the sizes in use, as it answers a request.
    void Answer(TDumpSpec made) {
        made.DeviceId = DeviceId;
        const TDumpSizes& sizes = Ws->Context().Sizes;
        TBytes dump = MakeDump(sizes, made);
        size_t at = 0;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const auto size = static_cast<size_t>(sizes.PacketSize(p));
            // The open-loop form a synth answers a request with, not a file's closed-loop one.
            dump[at + 6] = p == 0 ? 0x03 : 0x04;
            Ws->ReceiveSysex(std::span(dump).subspan(at, size));
            at += size;
        }
    }
    /// Before another device is chosen, the event loop lets the messages sent leave.
    void ChooseOutput(const std::string& name) {
        ASSERT_TRUE(PumpUntil([&] { return Probe().SynthOutput()->PendingBuffers() == 0; }));
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, name));
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TDialogsWithEvents Events{Dialogs};
    TRecordingView View;
    TVirtualMidiDriver Driver;
    int Synth = 0;
    std::unique_ptr<TWorkspace> Ws;
    std::vector<int> Pauses;
};

} // namespace

// The dialogue of a search and a fetch: each step sends exactly its request and leaves
// awaited exactly the replies it should.
TEST_F(SendPathTest, RequestsAndTheRepliesTheyAwait) {
    struct Awaited {
        bool Identity, HwConfig, Channel, Dump;
        bool operator==(const Awaited&) const = default;
    };
    struct Step {
        const char* What;
        std::function<void()> Do;
        std::vector<TBytes> Sent;
        Awaited Awaits;
    } steps[] = {
        {"the search",
         [&] { Ws->bCheckIdClick(); },
         {Hex({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7})},
         {true, false, false, false}},
        {"the identity reply",
         [&] { Ws->ReceiveSysex(IdentityReply); },
         {Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x0A, 0xF7})},
         {false, true, false, false}},
        {"the hardware configuration",
         [&] { Ws->ReceiveSysex(HardwareConfig); },
         {Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x02, 0x01, 0x0B, 0x01, 0xF7})},
         {false, false, true, false}},
        {"the channel reply",
         [&] { Ws->ReceiveSysex(ChannelReply); },
         {},
         {false, false, false, false}},
        {"the synth first seen",
         [&] { Ws->SendInitParam(); },
         {Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x01, 0x02, 0x0A, 0x01, 0x00, 0x00, 0xF7})},
         {false, false, false, false}},
        {"Get Selected of slot 17 in user bank 2",
         [&] {
             Ws->UserBank(2).Slot(17).SetSelected(true);
             ASSERT_TRUE(Ws->pcUserBankChange(2));
             Ws->bbGetSelectedClick();
         },
         {Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04, 0x11, 0x02, 0x00, 0x00, 0xF7})},
         {false, false, false, true}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        Forget();
        step.Do();
        EXPECT_EQ(Received(), step.Sent);
        EXPECT_EQ(Pauses, std::vector<int>(step.Sent.size(), 40));
        const TWorkspaceProbe p = Probe();
        EXPECT_TRUE((Awaited{p.ExpectIdentity(), p.ExpectHwConfig(), p.ExpectChannel(),
                             p.ExpectDump()} == step.Awaits));
    }
}

TEST_F(SendPathTest, EditBufferRequestTakesTheReceiveTarget) {
    Identify();
    // The edit buffer measured the sizes, then a bank fetch received into a bank's slot.
    Ws->bbGetEditBufClick();
    Answer({.Low = 0x7F, .High = 0x7F});
    ASSERT_TRUE(Ws->Synth().SizesMeasured);
    Ws->UserBank(0).Slot(5).SetSelected(true);
    Ws->bbGetSelectedClick();
    Answer({.Seed = 2, .Name = "Tst:Slot Five", .Low = 5});
    Ws->BankTimerTimer();
    ASSERT_FALSE(Ws->Status().TransferRunning);
    ASSERT_EQ(Ws->UserBank(0).Slot(5).Name(), "Tst:Slot Five   ");
    ASSERT_EQ(Probe().RxMode(), TWorkspace::TRxMode::Bank);

    Forget();
    Ws->bbGetEditBufClick();
    EXPECT_EQ(Received(), std::vector<TBytes>{EditBufferRequest});
    EXPECT_EQ(Probe().RxMode(), TWorkspace::TRxMode::Single);
    EXPECT_EQ(Probe().RxPatch(), &Ws->EditPatch());
    EXPECT_FALSE(Ws->Synth().SizesMeasured) << "the dump that answers measures them again";
}

// While a ROM bank is fetched through the edit buffer, each preset is asked for by a program
// change and the edit-buffer request, and the fetch keeps its target slot.
TEST_F(SendPathTest, RomBankThroughTheEditBufferKeepsTheFetchsTarget) {
    Identify();
    Ws->cbROMListChange(ComposerRom);
    Ws->cbROMBankListChange(2);
    Ws->rgLoadMethodClick(static_cast<int>(TLoadMethod::EditBuffer));
    Ws->bbROMGetBankClick();
    const auto got = Received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], Hex({0xB2, 0x00, 0x04})) << "the ROM, on the synth's channel";
    EXPECT_EQ(got[1], Hex({0xB2, 0x20, 0x02})) << "its bank";
    for (int slot = 0; slot < 4; ++slot) {
        SCOPED_TRACE(slot);
        if (slot > 0) {
            Forget();
            Answer({.Seed = static_cast<uint32_t>(slot), .Low = 0x7F, .High = 0x7F});
            EXPECT_EQ(Ws->RomBank().Slot(slot - 1).Dump().Slot(0)[7], slot - 1);
            EXPECT_EQ(Ws->RomBank().Slot(slot - 1).Dump().Slot(0)[8], 2);
            Ws->BankTimerTimer();
        }
        const auto sent = Received();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(std::vector<TBytes>(sent.end() - 2, sent.end()),
                  (std::vector<TBytes>{Hex({0xC2, slot}), EditBufferRequest}));
        EXPECT_EQ(std::vector<int>(Pauses.end() - 2, Pauses.end()), (std::vector<int>{10, 40}));
        EXPECT_EQ(Probe().RxMode(), TWorkspace::TRxMode::Bank);
        EXPECT_EQ(Probe().RxPatch(), &Ws->RomBank().Slot(slot));
    }
}

TEST_F(SendPathTest, DirectRomRequestNamesTheRomAndItsBank) {
    Identify();
    Ws->cbROMListChange(RomWithTwoByteId);
    Ws->cbROMBankListChange(5);
    Ws->rgLoadMethodClick(static_cast<int>(TLoadMethod::DirectRom));
    Ws->bbROMGetBankClick();
    for (int slot = 0; slot < 10; ++slot) {
        SCOPED_TRACE(slot);
        if (slot > 0) {
            Forget();
            Answer({.Seed = static_cast<uint32_t>(slot),
                    .Low = static_cast<uint8_t>(slot - 1),
                    .High = 5});
            Ws->BankTimerTimer();
        }
        EXPECT_EQ(Received(), std::vector<TBytes>{Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04,
                                                       slot, 0x05, 0x0F, 0x01, 0xF7})});
    }
}

// The bank select a sequencer's patch-name document gives a ROM bank is the very one the
// program sends before fetching that bank through the edit buffer; a fetch cut short leaves
// the document without the ROM bank, whose names would not be that bank's.
TEST_F(SendPathTest, PatchNameDocumentSelectsTheRomBankAsTheFetchDoes) {
    Identify();
    for (const auto& [rom, bank] : {std::pair{ComposerRom, 2}, std::pair{RomWithTwoByteId, 5}}) {
        SCOPED_TRACE(rom);
        ASSERT_TRUE(Ws->pcUserBankChange(TWorkspace::RomTab));
        Ws->cbROMListChange(rom);
        Ws->cbROMBankListChange(bank);
        Ws->rgLoadMethodClick(static_cast<int>(TLoadMethod::EditBuffer));
        Forget();
        Ws->bbROMGetBankClick();
        const auto got = Received();
        ASSERT_GE(got.size(), 2u);
        ASSERT_EQ(got[0].size(), 3u);
        ASSERT_EQ(got[1].size(), 3u);
        ASSERT_EQ(got[0][1], 0x00);
        ASSERT_EQ(got[1][1], 0x20);
        Ws->bbCancelGetClick();

        const sysex::TBankSelectValues select =
            sysex::RomBankSelect(Ws->Synth().Roms[static_cast<size_t>(rom)].Id, bank);
        EXPECT_EQ(select.Msb, got[0][2]);
        EXPECT_EQ(select.Lsb, got[1][2]);
        EXPECT_FALSE(Ws->RomBankOrigin());
        EXPECT_EQ(WorkspaceMidnamBanks(*Ws).size(), 4u);
    }
}

// A handler that shows a box while a received message is dispatched lets timers run: what
// they send then is refused, and sending works again once the dispatch is over.
TEST_F(SendPathTest, NothingLeavesWhileAMessageIsDispatched) {
    Identify();
    Ws->bCheckIdClick();
    Forget();
    Dialogs.ExpectMessage(TMessageKind::Warning, SynthCancelled);
    Dialogs.ExpectMessage(TMessageKind::Error,
                          "Can't transmit sysex.\nStill sorting out input data.");
    Events.WhileShown = [&] { Ws->ReqTimerTimer(); };
    Ws->ReceiveSysex(CancelMessage);
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_TRUE(Probe().ExpectDump()) << "the expectation is set all the same";
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(Pauses.empty());

    Ws->bbGetEditBufClick();
    EXPECT_EQ(Received(), std::vector<TBytes>{EditBufferRequest});
}

TEST_F(SendPathTest, WithoutAnOutputDeviceNothingIsSentAndNothingPauses) {
    Identify();
    ChooseOutput(TWorkspace::NoDevice);
    Forget();
    Ws->bCheckIdClick();
    Ws->bbGetEditBufClick();
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(Pauses.empty());
}

TEST_F(SendPathTest, AuditionSilencesTheSynthThenSendsThePatchToTheEditBuffer) {
    Identify();
    TPatchWorld w;
    TDumpSpec made;
    made.Low = 5;
    made.High = 2;
    w.Fill(Ws->EditPatch(), made);
    Ws->EditPatch().Dump().Slot(0)[33] = 4;
    Ws->bbSendEditBufClick();
    const auto got = Received();
    ASSERT_EQ(got.size(), 16u + 8u);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(got[static_cast<size_t>(ch)], Hex({0xB0 + ch, 0x78, 0x00}));
    }
    const TBytes& header = got[16];
    ASSERT_EQ(header.size(), 36u);
    EXPECT_EQ(header[3], DeviceId);
    EXPECT_EQ(header[7], 0x7F);
    EXPECT_EQ(header[8], 0x7F);
    EXPECT_EQ(header[33], 0);
    for (int p = 1; p <= 7; ++p) {
        EXPECT_EQ(got[static_cast<size_t>(16 + p)].size(),
                  static_cast<size_t>(w.Ctx.Sizes.PacketSize(p)));
    }
    EXPECT_EQ(Ws->EditPatch().Dump().Slot(0)[7], 0x7F) << "the patch keeps its new address";
    EXPECT_EQ(Pauses, std::vector<int>(8, 40));
}

// An audition from a view returns at once: its eight messages leave one by one on the event
// loop, the pause apart, while the window goes on taking events.
TEST_F(SendPathTest, AnAuditionReturnsAtOnceAndPacesItsMessagesOnTheEventLoop) {
    IdentifyAndSettle();
    constexpr int Pause = 40;
    Ws->SetTimeBetweenSysex(Pause);
    TPatchWorld w;
    w.Fill(Ws->UserBank(0).Slot(5), {.Seed = 5, .Name = "Aud:Paced"});
    Forget();
    const auto asked = std::chrono::steady_clock::now();
    Ws->vleUserKeyDown(0, TKey::Down, {}, 4);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(Pause));
    EXPECT_TRUE(Pauses.empty()) << "nothing waits on the window's thread";
    EXPECT_LE(Received().size(), 16u + 1u);

    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 16u + 8u; }));
    const auto got = Received();
    const auto at = ReceivedAt();
    ASSERT_EQ(got.size(), 16u + 8u);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(got[static_cast<size_t>(ch)], Hex({0xB0 + ch, 0x78, 0x00}));
    }
    EXPECT_EQ(got[16][3], DeviceId);
    EXPECT_EQ(got[16][7], 0x7F);
    EXPECT_EQ(got[16][8], 0x7F);
    for (int p = 1; p <= 7; ++p) {
        SCOPED_TRACE(p);
        const auto sent = static_cast<size_t>(16 + p);
        EXPECT_EQ(got[sent].size(), static_cast<size_t>(w.Ctx.Sizes.PacketSize(p)));
        // The pause is the least time between two messages; the device's clock allows a few
        // milliseconds of delivery either side.
        EXPECT_GE(at[sent] - at[sent - 1], std::chrono::milliseconds(Pause - 10));
    }
    EXPECT_TRUE(Pauses.empty());
}

// A newer audition asked for before the older one ended: the older one's remaining messages
// are dropped, so the last patch the synth takes is the one the person stopped on.
TEST_F(SendPathTest, ANewerAuditionDropsTheRestOfTheOlderOne) {
    IdentifyAndSettle();
    Ws->SetTimeBetweenSysex(40);
    TPatchWorld w;
    w.Fill(Ws->UserBank(0).Slot(5), {.Seed = 5, .Name = "Aud:First"});
    w.Fill(Ws->UserBank(0).Slot(6), {.Seed = 6, .Name = "Aud:Second"});
    Forget();
    Ws->vleUserKeyDown(0, TKey::Down, {}, 4);
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 16u + 3u; }));
    const size_t firstSent = Received().size();
    ASSERT_LT(firstSent, 16u + 8u) << "the first audition is still under way";
    Ws->vleUserKeyDown(0, TKey::Down, {}, 5);
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= firstSent + 16u + 8u; }));
    // Nothing of the first comes after the second.
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    const auto got = Received();
    ASSERT_EQ(got.size(), firstSent + 16u + 8u);
    for (size_t m = 0; m < 16; ++m) {
        EXPECT_EQ(got[firstSent + m].size(), 3u) << "All Sound Off for the second";
    }
    const std::vector<TBytes> second(got.begin() + static_cast<std::ptrdiff_t>(firstSent + 16),
                                     got.end());
    TPatchRec expected;
    Ws->UserBank(0).Slot(6).CopyTo(expected);
    expected.SetPresetNumber(0x7F, 0x7F);
    expected.SetDeviceId(DeviceId, Ws->Context().Sizes);
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        SCOPED_TRACE(p);
        const auto packet = expected.Dump().Packet(p, Ws->Context().Sizes);
        EXPECT_EQ(second[static_cast<size_t>(p)], TBytes(packet.begin(), packet.end()));
    }
}

// Another message to the synth while an audition is under way waits for the audition to end:
// a request never lands in the middle of a preset dump.
TEST_F(SendPathTest, AMessageSentDuringAnAuditionFollowsItWhole) {
    IdentifyAndSettle();
    Ws->SetTimeBetweenSysex(40);
    TPatchWorld w;
    w.Fill(Ws->UserBank(0).Slot(5), {.Seed = 5});
    Forget();
    Ws->vleUserKeyDown(0, TKey::Down, {}, 4);
    ASSERT_LT(Received().size(), 16u + 8u);
    Ws->bbGetEditBufClick();
    const auto got = Received();
    ASSERT_EQ(got.size(), 16u + 8u + 1u);
    EXPECT_EQ(got.back(), EditBufferRequest);
    EXPECT_EQ(got[16][7], 0x7F);
    // Then nothing more of the audition follows.
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(Received().size(), 16u + 8u + 1u);
}

// A stored message leaves up to its first F7 within its slot; one without F7 does not leave.
TEST_F(SendPathTest, StoredMessagesLeaveUpToTheirFirstEnd) {
    Identify();
    Ws->SetTimeBetweenPatches(1);
    TPatchWorld w;
    struct Case {
        const char* What;
        std::function<void(TPatchRec&)> Spoil;
        std::vector<size_t> Sizes; ///< of the messages that leave
    } cases[] = {
        {"packet 3 without F7",
         [](TPatchRec& patch) {
             auto slot3 = patch.Dump().Slot(3);
             std::fill(slot3.begin(), slot3.end(), 0x11);
         },
         {36, 255, 255, 255, 255, 255, 41}},
        {"packet 2 with an F7 at its byte 10",
         [](TPatchRec& patch) { patch.Dump().Slot(2)[10] = 0xF7; },
         {36, 255, 11, 255, 255, 255, 255, 41}},
    };
    TPatchBank& bank = Ws->UserBank(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        bank.DeselectAllAndRepaint();
        w.Fill(bank.Slot(6), {});
        c.Spoil(bank.Slot(6));
        bank.Slot(6).SetSelected(true);
        Forget();
        Ws->bbSendSelectedClick();
        const auto got = Received();
        std::vector<size_t> sizes;
        for (const TBytes& m : got) {
            sizes.push_back(m.size());
        }
        EXPECT_EQ(sizes, c.Sizes);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got[0][7], 6) << "addressed to its own slot";
        Ws->SendTimerTimer();
        ASSERT_FALSE(Ws->Status().TransferRunning);
    }
}

TEST_F(SendPathTest, TheInputPortIsReopenedBeforeEvery130thRequest) {
    Identify();
    Ws->lbMidiInClick(Entry(TPort::SynthInput, "Synth"));
    ASSERT_TRUE(Ws->Status().SynthInput.Open);
    for (const auto& [requests, stillPending] : {std::pair{129, true}, std::pair{1, false}}) {
        SCOPED_TRACE(requests);
        Driver.Emit(Synth, CancelMessage);
        Driver.Sync();
        ASSERT_GT(Probe().SynthInput()->GetEventCount(), 0);
        for (int i = 0; i < requests; ++i) {
            Ws->bbGetEditBufClick();
        }
        // Reopening empties the ring: a message waiting in it is gone.
        EXPECT_EQ(Probe().SynthInput()->GetEventCount() > 0, stillPending);
    }
    EXPECT_EQ(Ws->Synth().EditRequestCount, 0);
    Ws->bbGetEditBufClick();
    EXPECT_EQ(Ws->Synth().EditRequestCount, 1);
}
