// What the MIDI setup dialog asks of the run: the three ports chosen by device name or
// "None", the questions when the keyboard and the synth input would share a device, a device
// that fails to open, the search for the synth, the blank file and the two pauses.
#include "DumpBuilder.h"
#include "MidiResult.h"
#include "Midiout.h"
#include "VirtualSynthWorkspace.h"
#include "WorkspaceProbe.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

using namespace velcora;
using namespace velcora::test;

namespace {

class SetupDialogTest : public TVirtualSynthWorkspace {
protected:
    const TPortStatus& Port(const TWorkspaceStatus& s, TPort port) {
        FLast = s;
        switch (port) {
        case TPort::SynthInput:
            return FLast.SynthInput;
        case TPort::SynthOutput:
            return FLast.SynthOutput;
        case TPort::KbdInput:
            break;
        }
        return FLast.KbdInput;
    }
    const TPortStatus& Port(TPort port) { return Port(Ws->Status(), port); }
    void Choose(TPort port, int entry) {
        switch (port) {
        case TPort::SynthInput:
            Ws->lbMidiInClick(entry);
            return;
        case TPort::SynthOutput:
            Ws->lbMidiOutClick(entry);
            return;
        case TPort::KbdInput:
            Ws->lbKbdInClick(entry);
            return;
        }
    }
    static std::string KeyOf(TPort port) {
        return port == TPort::SynthInput    ? "Input"
               : port == TPort::SynthOutput ? "Output"
                                            : "KbdInput";
    }
    std::string SettingsText() const {
        std::ifstream in(IniPath());
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    /// The name and bytes a hole left by deleting a slot of user bank 0 gets: the blank
    /// patch's.
    std::pair<std::string, std::vector<uint8_t>> BlankPatch(int slot) {
        TPatchBank& bank = Ws->UserBank(0);
        bank.DeselectAll();
        bank.Slot(slot).SetSelected(true);
        bank.DeleteSelected(TDeleteMode::PutBlank);
        std::vector<uint8_t> bytes;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const auto packet = bank.Slot(slot).Dump().Slot(p);
            bytes.insert(bytes.end(), packet.begin(), packet.end());
        }
        return {bank.Slot(slot).Name(), bytes};
    }

    const std::string BlankTitle = "Select Patch File as the Default patch";
    const std::string KbdQuestion = "The keyboard has this device.\nReset the keyboard?";
    const std::string InputQuestion = "The Midi input has this device.\nReset the Midi Input?";
    const std::string InUse = "The MIDI device is already in use by another program.";

private:
    TWorkspaceStatus FLast;
};

constexpr TPort AllPorts[] = {TPort::SynthInput, TPort::SynthOutput, TPort::KbdInput};

} // namespace

TEST_F(SetupDialogTest, ListsEveryDeviceThenNone) {
    Make();
    const std::vector<std::string> expected = {SynthPort, KeyboardPort, BusyPort, "None"};
    for (TPort port : AllPorts) {
        EXPECT_EQ(Ws->PortEntries(port), expected);
    }
    const struct {
        std::string Text;
        int Entry;
    } cases[] = {
        {SynthPort, 0}, {"KEYBOARD", 1}, {"keyboard ", 3}, {"Gone Device", 3},
        {"", 3},        {"none", 3},     {BusyPort, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TWorkspace::EntryIndex(expected, c.Text), c.Entry) << "'" << c.Text << "'";
    }
}

/// Counts how often the devices are listed, passing everything on to the real driver.
class TCountingDriver : public IMidiDriver {
public:
    explicit TCountingDriver(IMidiDriver& inner) : FInner(inner) {}
    uint32_t InDeviceCount() override {
        ++Listed;
        return FInner.InDeviceCount();
    }
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override {
        ++Listed;
        return FInner.InDeviceCaps(id, caps);
    }
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        return FInner.InOpen(handle, id, callback, instance);
    }
    uint32_t OutDeviceCount() override {
        ++Listed;
        return FInner.OutDeviceCount();
    }
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override {
        ++Listed;
        return FInner.OutDeviceCaps(id, caps);
    }
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override {
        return FInner.OutOpen(handle, id, callback, instance);
    }
    bool ErrorText(uint32_t code, std::string& text) override {
        return FInner.ErrorText(code, text);
    }
    int Listed = 0;

private:
    IMidiDriver& FInner;
};

// The windows read the status often: it names the chosen devices from the lists as last
// listed, without asking the driver each time.
TEST_F(SetupDialogTest, TheStatusDoesNotListTheDevicesEachTime) {
    TCountingDriver counting(Driver);
    Ws = std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path(), &counting);
    Ws->lbKbdInClick(Entry(TPort::KbdInput, KeyboardPort));
    Ws->lbMidiOutClick(Entry(TPort::SynthOutput, SynthPort));
    EXPECT_EQ(Port(TPort::KbdInput).Name, KeyboardPort);
    const int listed = counting.Listed;
    for (int i = 0; i < 100; ++i) {
        const TWorkspaceStatus s = Ws->Status();
        ASSERT_EQ(s.KbdInput.Name, KeyboardPort);
        ASSERT_EQ(s.KbdInput.Entry, 1);
        ASSERT_EQ(s.SynthOutput.Name, SynthPort);
        ASSERT_EQ(s.SynthInput.Name, "None");
        ASSERT_EQ(s.SynthInput.Entry, 3);
    }
    EXPECT_EQ(counting.Listed, listed);

    // A device that came since is named once the lists are listed again, as the dialog does
    // when it is made.
    Driver.AddLoopback("Late Port");
    Ws->lbMidiInClick(Entry(TPort::SynthInput, "Late Port"));
    EXPECT_EQ(Port(TPort::SynthInput).Name, "Late Port");
    EXPECT_EQ(Port(TPort::SynthInput).Entry, 3);
    EXPECT_EQ(Port(TPort::KbdInput).Name, KeyboardPort);
}

/// The devices as ALSA and JACK list them while the program runs: a port the program opens
/// joins the other direction's list as a device (its own output comes among the inputs), and
/// a device plugged in later may come first. The devices themselves are the in-process
/// driver's, found by name.
class TGrowingDriver : public IMidiDriver {
public:
    TGrowingDriver(TVirtualMidiDriver& inner, std::vector<std::string> devices)
        : In(devices), Out(std::move(devices)), FInner(inner) {}
    uint32_t InDeviceCount() override { return static_cast<uint32_t>(In.size()); }
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override {
        if (id >= In.size()) {
            return TMidiResult::BadDeviceId;
        }
        caps = TMidiInCaps{};
        caps.Name = In[id];
        return TMidiResult::NoError;
    }
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        if (id >= In.size()) {
            return TMidiResult::BadDeviceId;
        }
        const uint32_t code = FInner.InOpen(handle, Inner(In[id], true), callback, instance);
        if (code == TMidiResult::NoError) {
            Opened.push_back("in " + In[id]);
            Join(Out, OwnInput);
        }
        return code;
    }
    uint32_t OutDeviceCount() override { return static_cast<uint32_t>(Out.size()); }
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override {
        if (id >= Out.size()) {
            return TMidiResult::BadDeviceId;
        }
        caps = TMidiOutCaps{};
        caps.Name = Out[id];
        return TMidiResult::NoError;
    }
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override {
        if (id >= Out.size()) {
            return TMidiResult::BadDeviceId;
        }
        const uint32_t code = FInner.OutOpen(handle, Inner(Out[id], false), callback, instance);
        if (code == TMidiResult::NoError) {
            Opened.push_back("out " + Out[id]);
            Join(In, OwnOutput);
        }
        return code;
    }
    bool ErrorText(uint32_t code, std::string& text) override {
        return FInner.ErrorText(code, text);
    }
    /// A device plugged in: it comes first in both lists.
    void Plug(const std::string& name) {
        In.insert(In.begin(), name);
        Out.insert(Out.begin(), name);
    }

    static inline const std::string OwnInput = "Velcora-02:Velcora in";
    static inline const std::string OwnOutput = "Velcora-03:Velcora out";
    std::vector<std::string> In;
    std::vector<std::string> Out;
    /// "in NAME" or "out NAME" for every device opened, in order.
    std::vector<std::string> Opened;

private:
    static void Join(std::vector<std::string>& list, const std::string& name) {
        if (std::find(list.begin(), list.end(), name) == list.end()) {
            list.push_back(name);
        }
    }
    uint32_t Inner(const std::string& name, bool input) {
        const uint32_t count = input ? FInner.InDeviceCount() : FInner.OutDeviceCount();
        for (uint32_t id = 0; id < count; ++id) {
            TMidiOutCaps caps;
            TMidiInCaps inCaps;
            const uint32_t code =
                input ? FInner.InDeviceCaps(id, inCaps) : FInner.OutDeviceCaps(id, caps);
            if (code == TMidiResult::NoError && (input ? inCaps.Name : caps.Name) == name) {
                return id;
            }
        }
        return count;
    }

    IMidiDriver& FInner;
};

// The lists show what they showed when they were made; every choice opens the device of the
// entry chosen there, and "None" opens nothing, however the driver's lists moved meanwhile.
TEST_F(SetupDialogTest, AChoiceOpensTheDeviceItsEntryShowsWhileTheListsGrow) {
    Driver.AddLoopback(TGrowingDriver::OwnInput);
    Driver.AddLoopback(TGrowingDriver::OwnOutput);
    Driver.AddLoopback("Plugged Later");
    const struct {
        const char* Name;
        bool Plug;
        TPort Port;
        int Entry;
        const char* Opened; ///< the device opened, empty for none
        const char* Key;
    } cases[] = {
        {"keyboard None after the synth output opened", false, TPort::KbdInput, 3, "", "None"},
        {"synth input None after the synth output opened", false, TPort::SynthInput, 3, "", "None"},
        {"keyboard after a device came first", true, TPort::KbdInput, 1, "in Keyboard", "Keyboard"},
        {"keyboard None after a device came first", true, TPort::KbdInput, 3, "", "None"},
        {"synth output after a device came first", true, TPort::SynthOutput, 0,
         "out Velcora Virtual Synth", "Velcora Virtual Synth"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TGrowingDriver growing(Driver, {SynthPort, KeyboardPort, BusyPort});
        Ws = std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path(),
                                          &growing);
        // The dialog lists the devices once, when it is made.
        for (TPort port : AllPorts) {
            ASSERT_EQ(Ws->PortEntries(port).size(), 4u);
        }
        Ws->lbMidiOutClick(0);
        ASSERT_EQ(growing.Opened, std::vector<std::string>{"out " + SynthPort});
        ASSERT_EQ(growing.In.back(), TGrowingDriver::OwnOutput);
        // Between two clicks the window's loop takes back the search's sent buffers: an
        // output still holding them cannot close.
        ASSERT_TRUE(
            PumpUntil([&] { return TWorkspaceProbe(*Ws).SynthOutput()->PendingBuffers() == 0; },
                      std::chrono::seconds(5)));
        if (c.Plug) {
            growing.Plug("Plugged Later");
        }
        growing.Opened.clear();
        Choose(c.Port, c.Entry);

        EXPECT_EQ(growing.Opened, std::string(c.Opened).empty()
                                      ? std::vector<std::string>{}
                                      : std::vector<std::string>{c.Opened});
        EXPECT_EQ(Ini("MidiDevices", KeyOf(c.Port)), c.Key);
        const TPortStatus& p = Port(c.Port);
        EXPECT_EQ(p.Entry, c.Entry);
        EXPECT_EQ(p.Name, c.Key);
        EXPECT_EQ(p.Open, std::string(c.Opened) != "");
        Ws.reset();
        std::remove(IniPath().c_str());
    }
}

// At creation the saved devices open by name, and each list still shows the entries it was
// made with, whatever the ports opened before it added to the driver's lists.
TEST_F(SetupDialogTest, TheSavedDevicesOpenByNameWhileTheListsGrow) {
    Driver.AddLoopback(TGrowingDriver::OwnInput);
    Driver.AddLoopback(TGrowingDriver::OwnOutput);
    {
        TIniFile ini(IniPath());
        ini.WriteString("MidiDevices", "Input", SynthPort);
        ini.WriteString("MidiDevices", "Output", SynthPort);
        ini.WriteString("MidiDevices", "KbdInput", "None");
    }
    TGrowingDriver growing(Driver, {KeyboardPort, SynthPort, BusyPort});
    Ws = std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path(), &growing);
    for (TPort port : AllPorts) {
        ASSERT_EQ(Ws->PortEntries(port).size(), 4u);
    }
    growing.Plug("Plugged Later");
    Ws->OpenSavedPorts();
    Ws->WriteDeviceChoices();
    EXPECT_EQ(growing.Opened, (std::vector<std::string>{"in " + SynthPort, "out " + SynthPort}));
    for (TPort port : AllPorts) {
        SCOPED_TRACE(KeyOf(port));
        const bool none = port == TPort::KbdInput;
        const TPortStatus& p = Port(port);
        EXPECT_EQ(p.Entry, none ? 3 : 1);
        EXPECT_EQ(p.Name, none ? "None" : SynthPort);
        EXPECT_EQ(p.Open, !none);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(port)), none ? "None" : SynthPort);
    }
}

TEST_F(SetupDialogTest, WithoutADriverEveryPortIsNone) {
    {
        TIniFile ini(IniPath());
        ini.WriteString("MidiDevices", "Input", SynthPort);
    }
    Ws = std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path());
    Ws->OpenSavedPorts();
    for (TPort port : AllPorts) {
        SCOPED_TRACE(KeyOf(port));
        EXPECT_EQ(Ws->PortEntries(port), std::vector<std::string>{"None"});
        const TPortStatus& p = Port(port);
        EXPECT_EQ(p.Device, -1);
        EXPECT_EQ(p.Entry, 0);
        EXPECT_EQ(p.Name, "None");
        EXPECT_FALSE(p.Open);
    }
}

TEST_F(SetupDialogTest, ChoosingDevicesOpensThePortsAndFindsTheSynth) {
    Connect();
    const TWorkspaceStatus s = Ws->Status();
    EXPECT_TRUE(s.SynthFound);
    EXPECT_EQ(View.SetupSynth, "Proteus 2000 (0)");
    for (TPort port : {TPort::SynthInput, TPort::SynthOutput}) {
        const TPortStatus& p = Port(s, port);
        EXPECT_EQ(p.Device, 0);
        EXPECT_EQ(p.Entry, 0);
        EXPECT_EQ(p.Name, SynthPort);
        EXPECT_TRUE(p.Open);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(port)), SynthPort);
    }

    // A keyboard is opened and remembered without a new search for the synth.
    View.SetupSynth = "unchanged";
    Ws->lbKbdInClick(Entry(TPort::KbdInput, KeyboardPort));
    EXPECT_TRUE(Port(TPort::KbdInput).Open);
    EXPECT_EQ(Ini("MidiDevices", "KbdInput"), KeyboardPort);
    EXPECT_EQ(View.SetupSynth, "unchanged");

    for (TPort port : AllPorts) {
        SCOPED_TRACE(KeyOf(port));
        Choose(port, 3);
        const TPortStatus& p = Port(port);
        EXPECT_EQ(p.Device, -1);
        EXPECT_EQ(p.Entry, 3);
        EXPECT_EQ(p.Name, "None");
        EXPECT_FALSE(p.Open);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(port)), "None");
    }
}

TEST_F(SetupDialogTest, TheKeyboardAndTheSynthInputShareNoDevice) {
    const struct {
        const char* Name;
        TPort Holder;
        TPort Chosen;
        TAnswer Answer;
    } cases[] = {
        {"synth input takes the keyboard's device", TPort::KbdInput, TPort::SynthInput,
         TAnswer::Yes},
        {"synth input leaves it to the keyboard", TPort::KbdInput, TPort::SynthInput, TAnswer::No},
        {"keyboard takes the synth input's device", TPort::SynthInput, TPort::KbdInput,
         TAnswer::Yes},
        {"keyboard leaves it to the synth input", TPort::SynthInput, TPort::KbdInput, TAnswer::No},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Make();
        const int keyboard = Entry(c.Holder, KeyboardPort);
        Choose(c.Holder, keyboard);
        ASSERT_TRUE(Port(c.Holder).Open);
        Dialogs.ExpectMessage(TMessageKind::Error,
                              c.Chosen == TPort::SynthInput ? KbdQuestion : InputQuestion,
                              c.Answer);
        Choose(c.Chosen, keyboard);

        const bool taken = c.Answer == TAnswer::Yes;
        EXPECT_EQ(Port(c.Chosen).Device, taken ? keyboard : -1);
        EXPECT_EQ(Port(c.Chosen).Open, taken);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(c.Chosen)), taken ? KeyboardPort : "(absent)");
        EXPECT_EQ(Port(c.Holder).Device, taken ? -1 : keyboard);
        EXPECT_EQ(Port(c.Holder).Entry, taken ? 3 : keyboard);
        EXPECT_EQ(Port(c.Holder).Open, !taken);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(c.Holder)), taken ? "None" : KeyboardPort);
        ASSERT_TRUE(Dialogs.ScriptDone());
        Ws.reset();
        std::remove(IniPath().c_str());
    }
}

TEST_F(SetupDialogTest, TheSavedDevicesOpenWhenTheDialogIsMade) {
    {
        TIniFile ini(IniPath());
        ini.WriteString("MidiDevices", "Input", "KEYBOARD");
        ini.WriteString("MidiDevices", "Output", "Gone Device");
        ini.WriteString("MidiDevices", "KbdInput", "keyboard");
    }
    Make();
    // The keyboard asks for the device the synth input took first; the answer No keeps it
    // chosen for the keyboard, but closed.
    Dialogs.ExpectMessage(TMessageKind::Error, InputQuestion, TAnswer::No);
    Ws->OpenSavedPorts();
    EXPECT_EQ(Port(TPort::SynthInput).Device, 1);
    EXPECT_TRUE(Port(TPort::SynthInput).Open);
    EXPECT_EQ(Ini("MidiDevices", "Input"), KeyboardPort) << "written as the list spells it";
    EXPECT_EQ(Port(TPort::SynthOutput).Device, -1);
    EXPECT_EQ(Ini("MidiDevices", "Output"), "None");
    EXPECT_EQ(Port(TPort::KbdInput).Device, 1);
    EXPECT_FALSE(Port(TPort::KbdInput).Open);

    Ws->WriteDeviceChoices();
    EXPECT_EQ(Ini("MidiDevices", "KbdInput"), KeyboardPort);
    EXPECT_EQ(Ini("MidiDevices", "Output"), "None");
}

TEST_F(SetupDialogTest, AnAnswerYesAtCreationGivesTheKeyboardItsDevice) {
    {
        TIniFile ini(IniPath());
        ini.WriteString("MidiDevices", "Input", KeyboardPort);
        ini.WriteString("MidiDevices", "KbdInput", KeyboardPort);
    }
    Make();
    Dialogs.ExpectMessage(TMessageKind::Error, InputQuestion, TAnswer::Yes);
    Ws->OpenSavedPorts();
    EXPECT_EQ(Port(TPort::SynthInput).Device, -1);
    EXPECT_FALSE(Port(TPort::SynthInput).Open);
    EXPECT_EQ(Ini("MidiDevices", "Input"), "None");
    EXPECT_TRUE(Port(TPort::KbdInput).Open);
}

TEST_F(SetupDialogTest, ADeviceThatFailsToOpenStaysChosenAndClosed) {
    for (TPort port : AllPorts) {
        SCOPED_TRACE(KeyOf(port));
        Make();
        Choose(port, Entry(port, KeyboardPort));
        ASSERT_TRUE(Port(port).Open);
        const std::string before = Ini("MidiDevices", KeyOf(port));
        // The search's message leaves the output before the person can choose again.
        PumpUntil([] { return false; }, std::chrono::milliseconds(100));
        // The inputs raise the device's error; an output that cannot open says nothing, and
        // the search that follows finds it closed.
        Dialogs.ExpectMessage(TMessageKind::Error,
                              port == TPort::SynthOutput ? "(Long Msg) Device not opened." : InUse);
        Choose(port, Entry(port, BusyPort));
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Port(port).Device, 2);
        EXPECT_FALSE(Port(port).Open);
        EXPECT_EQ(Ini("MidiDevices", KeyOf(port)), port == TPort::SynthOutput ? BusyPort : before);
        Ws.reset();
    }
}

TEST_F(SetupDialogTest, LookForSynthAsksAgainAndFetchesTheEditBuffer) {
    Connect();
    View.EditCategory.clear();
    View.EditName.clear();
    Ws->bCheckIdClick();
    EXPECT_EQ(View.SetupSynth, "") << "emptied until the synth answers";
    ASSERT_TRUE(PumpUntil([&] { return ShowsSynthEditBuffer(); }, std::chrono::seconds(10)));
    EXPECT_EQ(View.SetupSynth, "Proteus 2000 (0)");
}

TEST_F(SetupDialogTest, LookForSynthIsRefusedWhileATransferRuns) {
    Connect();
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    Dialogs.ExpectMessage(TMessageKind::Warning,
                          "A transfer is running.\nWait for it to end, or cancel it, before "
                          "looking for the synth.");
    Ws->bCheckIdClick();
    EXPECT_EQ(View.SetupSynth, "Proteus 2000 (0)");
    Ws->bbCancelGetClick();
}

TEST_F(SetupDialogTest, PausesAreClampedAndWrittenOnceASynthIsKnown) {
    Make();
    const struct {
        int Asked;
        int Kept;
    } cases[] = {{-5, 0}, {0, 0}, {123, 123}, {9999, 9999}, {10000, 9999}};
    for (const auto& c : cases) {
        Ws->SetTimeBetweenSysex(c.Asked);
        Ws->SetTimeBetweenPatches(c.Asked);
        EXPECT_EQ(Ws->Status().TimeBetweenSysex, c.Kept) << c.Asked;
        EXPECT_EQ(Ws->Status().TimeBetweenPatches, c.Kept) << c.Asked;
    }
    EXPECT_EQ(SettingsText().find("TimeBetween"), std::string::npos)
        << "no synth section before identification";

    Ws.reset();
    Connect();
    Ws->SetTimeBetweenSysex(15);
    Ws->SetTimeBetweenPatches(250);
    EXPECT_EQ(Ini("Proteus 2000_0", "TimeBetweenSysex"), "15");
    EXPECT_EQ(Ini("Proteus 2000_0", "TimeBetweenPatches"), "250");
}

TEST_F(SetupDialogTest, ABlankFileIsTakenOnlyWhenItSuitsTheSynth) {
    Connect();
    const auto shippedBlank = BlankPatch(0);
    const TDumpSizes sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    TDumpSpec made;
    made.Name = "Bla:My Blank";
    const std::vector<uint8_t> dump = MakeDump(sizes, made);
    WriteBytes(Dir.File("Half.syx"), {dump.begin(), dump.begin() + sizes.TotalSize() / 2});
    WriteBytes(Dir.File("My Blank.syx"), dump);

    const struct {
        const char* Name;
        std::string Choose; ///< empty: the dialog is cancelled
        bool Refused;
    } refused[] = {
        {"cancelled", "", false},
        {"cut in the middle", Dir.File("Half.syx"), true},
        {"missing", Dir.File("Gone.syx"), true},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.Name);
        Dialogs.ExpectOpen(BlankTitle, c.Choose);
        if (c.Refused) {
            Dialogs.ExpectMessage(TMessageKind::Warning,
                                  "The file is for a different Emu synth\n\nYou need to have a "
                                  "default file !\nPlease press the button again.");
        }
        Ws->bBlankFileClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Ws->Status().BlankName, "");
        EXPECT_EQ(Ini("Proteus 2000_0", "BlankFile"), "(absent)");
        EXPECT_EQ(BlankPatch(1), shippedBlank) << "the blank patch is whole";
    }

    Dialogs.ExpectOpen(BlankTitle, Dir.File("My Blank.syx"));
    Ws->bBlankFileClick();
    EXPECT_EQ(Ws->Status().BlankName, "My Blank");
    EXPECT_EQ(View.BlankName, "My Blank");
    EXPECT_EQ(Ini("Proteus 2000_0", "BlankFile"), Dir.File("My Blank.syx"));
    EXPECT_EQ(BlankPatch(2).first, "Bla:My Blank    ");
}

// The blank file chosen in an earlier run fills the holes of every later one, as long as it
// still suits the synth; otherwise the Patches folder's Default.syx does, as without a choice.
TEST_F(SetupDialogTest, TheChosenBlankFileFillsTheHolesAtEveryIdentification) {
    Connect();
    const auto shippedBlank = BlankPatch(0);
    Ws.reset();
    TDumpSpec made;
    made.Name = "Bla:My Blank";
    const std::vector<uint8_t> dump =
        MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus), made);
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes; ///< empty: the file is gone
        bool Taken;
    } cases[] = {
        {"whole", dump, true},
        {"cut in the middle", {dump.begin(), dump.begin() + 800}, false},
        {"another model's", MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation), made),
         false},
        {"gone", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string chosen = Dir.File("My Blank.syx");
        std::filesystem::remove(chosen);
        if (!c.Bytes.empty()) {
            WriteBytes(chosen, c.Bytes);
        }
        TIniFile(IniPath()).WriteString("Proteus 2000_0", "BlankFile", chosen);
        Connect();
        if (HasFatalFailure()) {
            return;
        }
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Ws->Status().BlankName, "My Blank");
        const auto blank = BlankPatch(3);
        if (c.Taken) {
            EXPECT_EQ(blank.first, "Bla:My Blank    ");
        } else {
            EXPECT_EQ(blank, shippedBlank);
        }
        // The banks were filled from it at identification.
        EXPECT_EQ(Ws->UserBank(2).Slot(9).Name(), blank.first);
        Ws.reset();
    }
}

TEST_F(SetupDialogTest, ChoicesNotRememberedLeaveTheSavedDevicesAsTheyWere) {
    const struct {
        const char* Name;
        bool Saved; ///< the settings file names devices before the run
    } cases[] = {{"saved devices", true}, {"nothing saved", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Saved) {
            TIniFile ini(IniPath());
            for (TPort port : AllPorts) {
                ini.WriteString("MidiDevices", KeyOf(port), "Saved " + KeyOf(port));
            }
        }
        Make();
        Ws->SetRememberDevices(false);
        for (TPort port : {TPort::SynthInput, TPort::SynthOutput}) {
            Choose(port, Entry(port, SynthPort));
        }
        ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound; }, std::chrono::seconds(20)));
        // Taking the keyboard's device asks as ever; only the keys stay unwritten.
        Choose(TPort::KbdInput, Entry(TPort::KbdInput, KeyboardPort));
        Dialogs.ExpectMessage(TMessageKind::Error, KbdQuestion, TAnswer::Yes);
        Choose(TPort::SynthInput, Entry(TPort::SynthInput, KeyboardPort));
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_TRUE(Port(TPort::SynthInput).Open);
        EXPECT_EQ(Port(TPort::KbdInput).Device, -1);
        Choose(TPort::SynthOutput, 3);
        EXPECT_FALSE(Port(TPort::SynthOutput).Open);
        // The setup dialog writes its choices when it goes; these are not to be kept.
        Ws->WriteDeviceChoices();
        for (TPort port : AllPorts) {
            EXPECT_EQ(Ini("MidiDevices", KeyOf(port)),
                      c.Saved ? "Saved " + KeyOf(port) : "(absent)")
                << KeyOf(port);
        }
        Ws.reset();
        std::remove(IniPath().c_str());
    }
}

TEST_F(SetupDialogTest, TheStatusTellsWhatTheRunStillAwaits) {
    // A synth that answers late, so that each reply awaited can be seen before it comes.
    emu::TVirtualSynthOptions options;
    options.ReplyDelay = std::chrono::milliseconds(200);
    emu::TVirtualSynthDevice slow(Driver, options, "Slow Synth");
    Make();
    Ws->SetTimeBetweenSysex(0);
    Ws->lbMidiInClick(Entry(TPort::SynthInput, "Slow Synth"));
    Ws->lbMidiOutClick(Entry(TPort::SynthOutput, "Slow Synth"));
    EXPECT_FALSE(Ws->Status().AwaitingSynthDetails) << "not before the synth is found";
    ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound; }, std::chrono::seconds(20)));
    EXPECT_TRUE(Ws->Status().AwaitingSynthDetails);
    EXPECT_TRUE(View.RomList.empty());
    ASSERT_TRUE(
        PumpUntil([&] { return !Ws->Status().AwaitingSynthDetails; }, std::chrono::seconds(20)));
    EXPECT_FALSE(View.RomList.empty()) << "the ROMs are known once nothing is awaited";

    // The edit buffer the search asks for, then one asked for by the person.
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().AwaitingDump; }, std::chrono::seconds(20)));
    View.EditCategory.clear();
    View.EditName.clear();
    Ws->bbGetEditBufClick();
    EXPECT_TRUE(Ws->Status().AwaitingDump);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().AwaitingDump; }, std::chrono::seconds(20)));
    EXPECT_FALSE(View.EditName.empty()) << "the dump awaited has come";
}

TEST_F(SetupDialogTest, TheStatusCountsTheMessagesTheOutputStillHolds) {
    TVirtualDeviceOptions stalled;
    stalled.Input = false;
    stalled.NeverComplete = true;
    Driver.AddDevice("Stalled Line", {}, stalled);
    const struct {
        const char* Output;
        size_t AfterSearches; ///< held once two searches have sent their inquiries
    } cases[] = {{"Stalled Line", 2}, {SynthPort.c_str(), 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Output);
        Make();
        Ws->SetTimeBetweenSysex(0);
        EXPECT_EQ(Ws->Status().OutputPending, 0u) << "no port open";
        // Choosing the output sends the Device Inquiry; "Look for Synth" sends another.
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, c.Output));
        Ws->bCheckIdClick();
        PumpUntil([&] { return Ws->Status().OutputPending == c.AfterSearches; },
                  std::chrono::seconds(20));
        EXPECT_EQ(Ws->Status().OutputPending, c.AfterSearches);
        Ws.reset();
    }
}
