// velcora-cli's command line and its commands against the built-in virtual synth.
#include "CliCommandLine.h"
#include "CliRunner.h"
#include "DumpBuilder.h"
#include "IniFile.h"
#include "Midnam.h"
#include "Patchlib.h"
#include "SafeFile.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualSynthDevice.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace velcora;
using namespace velcora::test;

TEST(CliCommandLine, TakesTheCommandsAndRefusesTheRest) {
    struct Case {
        std::vector<std::string> Args;
        std::string Command;
        int Bank;
        std::string File;
        bool Ok;
    } cases[] = {
        {{"devices"}, "devices", -1, "", true},
        {{"get-bank", "2", "b.syx"}, "get-bank", 2, "b.syx", true},
        {{"--in", "A", "--out", "B", "send-edit", "p.syx", "--force"},
         "send-edit",
         -1,
         "p.syx",
         true},
        {{"get-all", "all.syx"}, "get-all", -1, "all.syx", true},
        {{"--settings", "v.ini", "identify"}, "identify", -1, "", true},
        {{"--settings=v.ini", "identify"}, "identify", -1, "", true},
        // A file name that looks like an option, after the end of the options.
        {{"get-edit", "--", "--odd.syx"}, "get-edit", -1, "--odd.syx", true},
        {{"identify", "--settings"}, "", -1, "", false},
        {{"--settings", "", "identify"}, "", -1, "", false},
        {{"get-bank", "4", "b.syx"}, "get-bank", -1, "b.syx", false},
        {{"get-bank", "b.syx"}, "get-bank", -1, "", false},
        {{"identify", "extra"}, "identify", -1, "", false},
        {{"fetch"}, "fetch", -1, "", false},
        {{"--in"}, "", -1, "", false},
        {{"--in", "A", "identify"}, "", -1, "", false},
        {{"--bogus", "devices"}, "", -1, "", false},
        {{"-x", "devices"}, "", -1, "", false},
        {{"--force=yes", "devices"}, "", -1, "", false},
        {{}, "", -1, "", false},
    };
    for (const auto& c : cases) {
        const TCliCommandLine line = ParseCliCommandLine(c.Args);
        EXPECT_EQ(line.Error.empty(), c.Ok) << line.Error;
        if (c.Ok) {
            EXPECT_EQ(line.Options.Command, c.Command);
            EXPECT_EQ(line.Options.Bank, c.Bank);
            EXPECT_EQ(line.Options.File, c.File);
        }
    }
    EXPECT_EQ(ParseCliCommandLine({"--settings", "v.ini", "identify"}).Options.Settings, "v.ini");
    EXPECT_TRUE(ParseCliCommandLine({"get-bank", "1", "b.syx", "--force"}).Options.Force);
    EXPECT_NE(ParseCliCommandLine({"--bogus"}).Error.find("bogus"), std::string::npos);
}

TEST(CliCommandLine, MidnamTakesItsFileThenBankFilesThatSayTheirBanks) {
    struct Case {
        std::vector<std::string> Args;
        std::vector<std::string> BankFiles; ///< empty: refused
        std::vector<int> Banks;             ///< -1: an all-banks file
        std::string Model;
        std::string Error; ///< part of the refusal
    } cases[] = {
        {{"midnam", "o.midnam", "all.syx"}, {"all.syx"}, {-1}, "", ""},
        // Four plain files are the four banks in order, as ever.
        {{"midnam", "o.midnam", "0.syx", "1.syx", "2.syx", "3.syx", "--model", "XL-7"},
         {"0.syx", "1.syx", "2.syx", "3.syx"},
         {0, 1, 2, 3},
         "XL-7",
         ""},
        {{"--model=Proteus 2000", "midnam", "o.midnam", "u2.syx@2"},
         {"u2.syx"},
         {2},
         "Proteus 2000",
         ""},
        {{"midnam", "o.midnam", "b.syx@3", "a.syx@1"}, {"b.syx", "a.syx"}, {3, 1}, "", ""},
        {{"midnam", "o.midnam", "me@home.syx"}, {"me@home.syx"}, {-1}, "", ""},
        {{"midnam", "o.midnam", "a.syx", "b.syx"}, {}, {}, "", "FILE@N"},
        {{"midnam", "o.midnam", "a.syx", "b.syx", "c.syx"}, {}, {}, "", "FILE@N"},
        {{"midnam", "o.midnam", "a.syx@0", "b.syx"}, {}, {}, "", "FILE@N"},
        {{"midnam", "o.midnam", "a.syx@1", "b.syx@1"}, {}, {}, "", "two files for user bank 1"},
        {{"midnam", "o.midnam", "a.syx@4"}, {}, {}, "", "0..3"},
        {{"midnam", "o.midnam"}, {}, {}, "", ""},
        {{"midnam"}, {}, {}, "", ""},
        {{"midnam", "o.midnam", "0", "1", "2", "3", "4"}, {}, {}, "", ""},
        {{"midnam", "o.midnam", "0.syx", "--model", ""}, {}, {}, "", ""},
        {{"get-all", "all.syx", "--model", "XL-7"}, {}, {}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.back());
        const TCliCommandLine line = ParseCliCommandLine(c.Args);
        EXPECT_EQ(line.Error.empty(), !c.BankFiles.empty()) << line.Error;
        EXPECT_NE(line.Error.find(c.Error), std::string::npos) << line.Error;
        if (line.Error.empty()) {
            EXPECT_EQ(line.Options.Command, "midnam");
            EXPECT_EQ(line.Options.File, "o.midnam");
            EXPECT_EQ(line.Options.BankFiles, c.BankFiles);
            EXPECT_EQ(line.Options.BankNumbers, c.Banks);
            EXPECT_EQ(line.Options.Model, c.Model);
        }
    }
}

TEST(CliCommandLine, HelpAndVersionNeedNoCommand) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}}) {
        const TCliCommandLine line = ParseCliCommandLine(args);
        EXPECT_TRUE(line.Help) << args[0];
        EXPECT_EQ(line.Error, "") << args[0];
    }
    const TCliCommandLine version = ParseCliCommandLine({"--version"});
    EXPECT_TRUE(version.Version);
    EXPECT_EQ(version.Error, "");
}

namespace {

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        EnsureApp();
        Places.IniPath = Dir.File("Velcora.INI");
        Places.StartDir = VELCORA_ASSETS_DIR;
        Places.DocumentsDir = Dir.Path();
        // No pauses to wait for in a test.
        TIniFile ini(Places.IniPath);
        ini.WriteInteger("Proteus 2000_0", "TimeBetweenSysex", 0);
        ini.WriteInteger("Proteus 2000_0", "TimeBetweenPatches", 1);
    }
    int Run(std::vector<std::string> args) { return RunOn(Name, std::move(args)); }
    int RunOn(const std::string& outName, std::vector<std::string> args) {
        return RunOnPorts(Name, outName, std::move(args));
    }
    int RunOnPorts(const std::string& inName, const std::string& outName,
                   std::vector<std::string> args) {
        Out.str("");
        Err.str("");
        const TCliCommandLine line = ParseCliCommandLine(args);
        EXPECT_TRUE(line.Error.empty()) << line.Error;
        TCliOptions o = line.Options;
        o.OutputStallLimit = std::chrono::milliseconds(500);
        o.Stopped = Stopped;
        return RunCli(o, Driver, inName, outName, Places, Out, Err);
    }
    /// An output device that hands everything to the synth but never reports a buffer sent,
    /// as a line that stopped moving: what the port queued stays queued.
    std::string AddStalledLine() {
        const std::string name = "Stalled line";
        TVirtualDeviceOptions options;
        options.Input = false;
        options.NeverComplete = true;
        Driver.AddDevice(
            name,
            [this](std::span<const uint8_t> message) {
                const auto replies =
                    Synth.With([&](emu::TVirtualSynth& s) { return s.Receive(message); });
                for (const auto& reply : replies) {
                    Driver.Emit(Synth.Device(), reply.Bytes);
                }
            },
            options);
        return name;
    }
    std::string SynthName(int bank, int slot) {
        return Synth.With([&](emu::TVirtualSynth& s) { return s.UserPreset(bank, slot).Name(); });
    }

    TTempDir Dir;
    TCliPlaces Places;
    /// What the runs take for a stop signal.
    std::function<bool()> Stopped;
    std::ostringstream Out;
    std::ostringstream Err;
    const std::string Name = emu::TVirtualSynthDevice::kDefaultName;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
};

} // namespace

TEST_F(CliTest, IdentifyAndDevices) {
    EXPECT_EQ(Run({"identify"}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "Proteus 2000 (Ver: 1.20) device id 0\n");
    EXPECT_EQ(Err.str(), "") << "the shipped blank preset suits: no warning about it";
    EXPECT_EQ(Run({"devices"}), 0);
    EXPECT_NE(Out.str().find("input  " + Name), std::string::npos);
}

TEST_F(CliTest, DevicesAreTheOnesTheListsName) {
    const std::string lower = "velcora virtual synth";
    const struct {
        const char* What;
        std::string In;
        std::string Out;
        int Code;
        std::string Message; ///< on the error stream; empty: nothing there
    } cases[] = {
        {"unknown input", "Nowhere", Name, 2, "MIDI Input Device Nowhere not installed \n"},
        {"unknown output", Name, "Nowhere", 2, "MIDI output Device Nowhere not installed\n"},
        {"both unknown: the output is named", "Nowhere", "Elsewhere", 2,
         "MIDI output Device Elsewhere not installed\n"},
        // The lists end in "None", which is no device.
        {"None", "None", Name, 2, "MIDI Input Device None not installed \n"},
        // As the setup dialog matches the names it saved.
        {"letter case aside", lower, lower, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(RunOnPorts(c.In, c.Out, {"identify"}), c.Code);
        EXPECT_EQ(Err.str(), c.Message);
        EXPECT_EQ(Out.str(), c.Code == 0 ? "Proteus 2000 (Ver: 1.20) device id 0\n" : "");
    }
}

TEST_F(CliTest, ARunLeavesTheDevicesTheSetupDialogSaved) {
    {
        TIniFile ini(Places.IniPath);
        ini.WriteString("MidiDevices", "Input", "My Interface In");
        ini.WriteString("MidiDevices", "Output", "My Interface Out");
    }
    ASSERT_EQ(Run({"identify"}), 0) << Err.str();
    ASSERT_EQ(Run({"get-bank", "2", Dir.File("bank2.syx")}), 0) << Err.str();
    TIniFile ini(Places.IniPath);
    EXPECT_EQ(ini.ReadString("MidiDevices", "Input", ""), "My Interface In");
    EXPECT_EQ(ini.ReadString("MidiDevices", "Output", ""), "My Interface Out");
    EXPECT_EQ(ini.ReadString("MidiDevices", "KbdInput", "(absent)"), "(absent)");
}

TEST_F(CliTest, GetBankWritesABankFileAndNeverOverwritesUnasked) {
    const std::string file = Dir.File("bank1.syx");
    ASSERT_EQ(Run({"get-bank", "1", file}), 0) << Err.str();
    const auto bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 128u * 1607u);
    for (int slot : {0, 127}) {
        const size_t at = static_cast<size_t>(slot) * 1607 + 36 + 9;
        EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(at),
                              bytes.begin() + static_cast<long>(at + 16)),
                  SynthName(1, slot));
        EXPECT_EQ(bytes[static_cast<size_t>(slot) * 1607 + 8], 1);
    }
    EXPECT_EQ(Run({"get-bank", "1", file}), 2);
    EXPECT_NE(Err.str().find("--force"), std::string::npos);
    EXPECT_EQ(Run({"--force", "get-bank", "1", file}), 0);
}

TEST_F(CliTest, SendBankPutsEveryPatchIntoItsSlot) {
    const std::string file = Dir.File("bank0.syx");
    ASSERT_EQ(Run({"get-bank", "0", file}), 0) << Err.str();
    ASSERT_EQ(Run({"send-bank", "3", file}), 0) << Err.str();
    Synth.Drain();
    for (int slot : {0, 63, 127}) {
        EXPECT_EQ(SynthName(3, slot), SynthName(0, slot)) << slot;
    }
}

TEST_F(CliTest, ACheckedSendSaysHowManyPresetsTheSynthConfirmed) {
    const std::string file = Dir.File("bank0.syx");
    ASSERT_EQ(Run({"get-bank", "0", file}), 0) << Err.str();
    TIniFile(Places.IniPath).WriteInteger("Proteus 2000_0", "CheckedSends", 1);
    const struct {
        const char* What;
        emu::TVirtualSynthFaults Faults;
        int Code;
        std::string Said; // on the output when the code is 0, on the error stream otherwise
    } cases[] = {
        {"all confirmed", {}, 0, "Confirmed 128 of 128 presets.\n"},
        {"one preset never taken",
         {.RefusePreset = 3 * 128 + 42},
         1,
         "Confirmed 127 of 128 presets; slot 42 was not confirmed.\n"},
        // The header and seven packets of slots 0 and 1, then slot 2's header.
        {"cancelled by the synth at slot 2",
         {.CancelAtPacket = 17},
         1,
         "Confirmed 2 of 128 presets; slots 2, 3, 4, 5,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Synth.With([&](emu::TVirtualSynth& s) {
            s.Faults() = c.Faults;
            return 0;
        });
        EXPECT_EQ(Run({"send-bank", "3", file}), c.Code) << Err.str();
        EXPECT_NE((c.Code == 0 ? Out : Err).str().find(c.Said), std::string::npos)
            << Out.str() << Err.str();
        EXPECT_EQ(Err.str().find("The bank was not sent."), std::string::npos) << Err.str();
    }
    Synth.Drain();
    EXPECT_EQ(SynthName(3, 41), SynthName(0, 41));
}

TEST_F(CliTest, EditBufferRoundTrip) {
    const std::string file = Dir.File("edit.syx");
    ASSERT_EQ(Run({"get-edit", file}), 0) << Err.str();
    EXPECT_EQ(ReadBytes(file).size(), 1607u);
    EXPECT_EQ(Run({"send-edit", file}), 0) << Err.str();
    EXPECT_EQ(Run({"send-edit", Dir.File("missing.syx")}), 2);
}

TEST_F(CliTest, SendsExitWithAnErrorWhenTheOutputStallsWithMessagesLeft) {
    const std::string bank = Dir.File("bank0.syx");
    const std::string patch = Dir.File("edit.syx");
    ASSERT_EQ(Run({"get-bank", "0", bank}), 0) << Err.str();
    ASSERT_EQ(Run({"get-edit", patch}), 0) << Err.str();
    const std::string stalled = AddStalledLine();
    const struct {
        std::vector<std::string> Command;
        std::string Message;
    } cases[] = {
        {{"send-edit", patch}, "The edit buffer was not sent."},
        {{"send-bank", "2", bank}, "The bank was not sent."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command[0]);
        EXPECT_EQ(RunOn(stalled, c.Command), 1);
        EXPECT_NE(Err.str().find("The MIDI output stalled with "), std::string::npos) << Err.str();
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
    }
}

namespace {
std::chrono::nanoseconds ThreadCpuTime() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}
} // namespace

TEST_F(CliTest, WaitingForASlowSynthLeavesTheProcessorIdle) {
    emu::TVirtualSynthOptions options;
    options.ReplyDelay = std::chrono::milliseconds(700);
    emu::TVirtualSynthDevice slow(Driver, options, "Slow Synth");
    const std::string file = Dir.File("edit.syx");
    const TCliOptions o = ParseCliCommandLine({"get-edit", file}).Options;

    const auto wall0 = std::chrono::steady_clock::now();
    const auto cpu0 = ThreadCpuTime();
    ASSERT_EQ(RunCli(o, Driver, "Slow Synth", "Slow Synth", Places, Out, Err), 0) << Err.str();
    const auto cpu = ThreadCpuTime() - cpu0;
    const auto wall = std::chrono::steady_clock::now() - wall0;

    // The identity, hardware configuration, channel and edit-buffer replies come one after
    // the other, each 700 ms late (the edit buffer that the search asks for half a second
    // after its inquiry comes meanwhile): the run is mostly waiting, which must cost next to
    // nothing (a loop asking for events would take the whole time).
    EXPECT_GE(wall, std::chrono::milliseconds(1200));
    EXPECT_LT(cpu, wall / 10) << "CPU " << std::chrono::duration<double>(cpu).count() << " s of "
                              << std::chrono::duration<double>(wall).count() << " s";
}

TEST_F(CliTest, AStopEndsTheRunWithItsCodeAndWritesNothing) {
    const std::string bank = Dir.File("bank0.syx");
    ASSERT_EQ(Run({"get-bank", "0", bank}), 0) << Err.str();
    const std::string never = Dir.File("never.syx");
    const struct {
        std::vector<std::string> Command;
        std::string StopAfter; ///< progress shown before the stop comes; empty: at once
    } cases[] = {
        {{"identify"}, ""},
        {{"get-bank", "1", never}, "5/128"},
        {{"send-bank", "1", bank}, "5/128"},
        {{"get-edit", never}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command[0]);
        Stopped = [&] { return Err.str().find(c.StopAfter) != std::string::npos; };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(c.Command), StoppedCode) << Err.str();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_NE(Err.str().find("Stopped."), std::string::npos) << Err.str();
        EXPECT_FALSE(FileExists(never));
    }
    Stopped = nullptr;
    Synth.Drain();
    // The send ended early: the last slot of bank 1 kept its own preset.
    EXPECT_NE(SynthName(1, 127), SynthName(0, 127));
}

TEST_F(CliTest, ASynthThatFailsEndsTheRunWithAnError) {
    const std::string file = Dir.File("never.syx");
    const struct {
        const char* What;
        emu::TVirtualSynthFaults Faults;
        std::vector<std::string> Command;
        std::string Message;
    } cases[] = {
        {"silent", {.Silent = true}, {"identify"}, "No synth answered"},
        // The first dump of a fetch comes damaged and is not taken: the fetch stalls.
        {"cut packet", {.TruncatePacket = 3}, {"get-bank", "0", file}, "Timed out"},
        {"cancel", {.CancelNextDump = true}, {"get-bank", "0", file}, "cancelled the dump"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Synth.With([&](emu::TVirtualSynth& s) {
            s.Faults() = c.Faults;
            return 0;
        });
        EXPECT_EQ(Run(c.Command), 1);
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
        EXPECT_FALSE(FileExists(file));
    }
}

TEST(CliCommandLine, ImportTakesALibraryAndPathsAndItsOptions) {
    const TCliCommandLine line = ParseCliCommandLine(
        {"import", "my.lib", "a.syx", "folder", "--model", "Audity 2000", "--keep-duplicates"});
    ASSERT_EQ(line.Error, "");
    EXPECT_EQ(line.Options.Command, "import");
    EXPECT_EQ(line.Options.File, "my.lib");
    EXPECT_EQ(line.Options.ImportPaths, (std::vector<std::string>{"a.syx", "folder"}));
    EXPECT_EQ(line.Options.Model, "Audity 2000");
    EXPECT_TRUE(line.Options.KeepDuplicates);
    EXPECT_FALSE(ParseCliCommandLine({"import", "my.lib", "a.syx"}).Options.KeepDuplicates);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"import", "my.lib"},
                                               {"import"},
                                               {"identify", "--model", "XL-7"},
                                               {"get-edit", "p.syx", "--keep-duplicates"}}) {
        EXPECT_NE(ParseCliCommandLine(args).Error, "") << args[0];
    }
}

namespace {

/// The Name attributes of a document's patches, in order.
std::vector<std::string> PatchNames(const std::string& document) {
    std::vector<std::string> names;
    const std::string open = "<Patch Number=\"";
    for (size_t at = document.find(open); at != std::string::npos;
         at = document.find(open, at + 1)) {
        const size_t name = document.find("Name=\"", at) + 6;
        names.push_back(document.substr(name, document.find('"', name) - name));
    }
    return names;
}

std::string Text(const std::string& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> NamedDump(TModelClass modelClass, uint32_t seed, const std::string& name) {
    TDumpSpec made;
    made.Seed = seed;
    made.Name = name;
    return MakeDump(TDumpSizes::ForModelClass(modelClass), made);
}

} // namespace

// Bank files give the user banks they say (FILE@N), four plain files the banks 0..3 in order;
// an all-banks file gives the four; the model is the one named (letter case aside), or else
// the synth's own.
TEST_F(CliTest, MidnamNamesThePatchesOfBankFilesAndOfAnAllBanksFile) {
    const std::string bank2 = Dir.File("bank2.syx");
    const std::string bank3 = Dir.File("bank3.syx");
    const std::string all = Dir.File("all.syx");
    ASSERT_EQ(Run({"get-bank", "2", bank2}), 0) << Err.str();
    ASSERT_EQ(Run({"get-bank", "3", bank3}), 0) << Err.str();
    ASSERT_EQ(Run({"get-all", all}), 0) << Err.str();

    auto expected = [&](std::vector<int> synthBanks) {
        std::vector<std::string> names;
        for (int b : synthBanks) {
            for (int slot = 0; slot < 128; ++slot) {
                names.push_back(XmlEscaped(MidnamName(SynthName(b, slot))));
            }
        }
        return names;
    };
    const std::string fromBanks = Dir.File("banks.midnam");
    ASSERT_EQ(Run({"midnam", fromBanks, bank3 + "@3", bank2 + "@2", "--model", "proteus 2000"}), 0)
        << Err.str();
    const std::string banksText = Text(fromBanks);
    EXPECT_EQ(PatchNames(banksText), expected({2, 3}));
    EXPECT_NE(banksText.find("<Model>Proteus 2000</Model>"), std::string::npos);
    EXPECT_NE(banksText.find("<PatchBank Name=\"User Bank 2\">"), std::string::npos);
    EXPECT_NE(banksText.find("<PatchBank Name=\"User Bank 3\">"), std::string::npos);
    EXPECT_EQ(banksText.find("User Bank 0"), std::string::npos);
    EXPECT_EQ(banksText.find("User Bank 1"), std::string::npos);
    const std::string fromAll = Dir.File("all.midnam");
    ASSERT_EQ(Run({"midnam", fromAll, all}), 0) << Err.str();
    const std::string allText = Text(fromAll);
    EXPECT_EQ(PatchNames(allText), expected({0, 1, 2, 3}));
    EXPECT_NE(allText.find("<Model>Proteus 2000</Model>"), std::string::npos);

    // A lone bank says which one it is: its patches get that bank's select, no other.
    ASSERT_EQ(Run({"--force", "midnam", fromBanks, bank2 + "@2"}), 0) << Err.str();
    const std::string loneText = Text(fromBanks);
    EXPECT_EQ(PatchNames(loneText), expected({2}));
    const auto bankSelect = [](const std::string& text, const std::string& bank) {
        const size_t at = text.find("<PatchBank Name=\"" + bank + "\">");
        const size_t from = text.find("<ControlChange", at);
        return from == std::string::npos ? std::string()
                                         : text.substr(from, text.find("</", from) - from);
    };
    EXPECT_EQ(bankSelect(loneText, "User Bank 2"), bankSelect(banksText, "User Bank 2"));
    EXPECT_NE(bankSelect(loneText, "User Bank 2"), bankSelect(allText, "User Bank 0"));
}

// Nothing is written unless every file was read whole and the document could be saved.
TEST_F(CliTest, MidnamRefusesBadInputAndWritesNothing) {
    const std::string bank = Dir.File("bank0.syx");
    const std::string all = Dir.File("all.syx");
    ASSERT_EQ(Run({"get-bank", "0", bank}), 0) << Err.str();
    ASSERT_EQ(Run({"get-all", all}), 0) << Err.str();
    const std::string junk = Dir.File("junk.syx");
    WriteBytes(junk, std::vector<uint8_t>(3000, 0x41));
    auto cut = ReadBytes(bank);
    cut.resize(cut.size() - 700);
    const std::string cutBank = Dir.File("cut.syx");
    WriteBytes(cutBank, cut);
    const std::string existing = Dir.File("existing.midnam");
    WriteBytes(existing, {'o', 'l', 'd'});
    const std::string bank0 = bank + "@0";

    const std::string out = Dir.File("out.midnam");
    const struct {
        const char* What;
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {"missing file", {"midnam", out, Dir.File("none.syx")}, "Can't read the file"},
        {"not a synth file", {"midnam", out, bank0, junk + "@1"}, "junk.syx is not a bank file"},
        {"a bank cut short", {"midnam", out, cutBank + "@0"}, "cut.syx is not a bank file"},
        {"an all-banks file among banks",
         {"midnam", out, bank0, all + "@1"},
         "give an all-banks file"},
        {"a lone bank file without its bank", {"midnam", out, bank}, "bank0.syx@N"},
        {"an all-banks file given one bank", {"midnam", out, all + "@2"}, "give an all-banks file"},
        {"unknown model", {"midnam", out, bank0, "--model", "Proteus 9000"}, "unknown model"},
        {"another model's presets",
         {"midnam", out, bank0, "--model", "XL-7"},
         "bank0.syx is not a bank file of the XL-7"},
        {"existing output", {"midnam", existing, bank0, "--model", "Proteus 2000"}, "--force"},
        {"unwritable output",
         {"midnam", Dir.File("no/such/folder.midnam"), bank0, "--model", "Proteus 2000"},
         "Can't save the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Run(c.Args), 2);
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
        EXPECT_FALSE(FileExists(out));
    }
    EXPECT_EQ(Text(existing), "old");
    EXPECT_EQ(Run({"--force", "midnam", existing, bank0, "--model", "Proteus 2000"}), 0);
    EXPECT_EQ(PatchNames(Text(existing)).size(), 128u);
}

TEST_F(CliTest, ImportCreatesAndExtendsALibraryAndPrintsTheSummary) {
    const std::string lib = Dir.File("new.lib");
    std::filesystem::create_directory(Dir.File("in"));
    WriteBytes(Dir.File("in/a.syx"), NamedDump(TModelClass::Audity, 1, "Aud:One"));
    WriteBytes(Dir.File("in/b.syx"), NamedDump(TModelClass::Proteus, 2, "Pro:Two"));
    WriteBytes(Dir.File("in/arp.syx"), {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x18, 0x01, 0xF7});
    WriteBytes(Dir.File("in/notes.txt"), {'h', 'i'});

    // With a model no synth is asked; without one the synth's class is taken (the virtual
    // synth is a Proteus 2000).
    ASSERT_EQ(Run({"import", lib, Dir.File("in"), "--model", "Audity 2000"}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "Imported 1 preset from 4 files.\n"
                         "Duplicates skipped: 0\n"
                         "Files skipped: 1 not SysEx, 1 other SysEx, 1 other model\n");
    ASSERT_EQ(Run({"import", lib, Dir.File("in/a.syx"), "--model", "audity2000"}), 0);
    EXPECT_EQ(Out.str(), "Imported 0 presets from 1 file.\nDuplicates skipped: 1\n");
    ASSERT_EQ(
        Run({"import", lib, Dir.File("in/a.syx"), "--model", "Audity 2000", "--keep-duplicates"}),
        0);
    TScriptedDialogs dialogs;
    TPatchContext ctx(dialogs);
    ctx.SetDefaultSizes(TModelClass::Audity);
    TPatchLib read(ctx);
    ASSERT_TRUE(read.LoadBytes(ReadBytes(lib)));
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read.Patch(0).Name(), "Aud:One         ");

    const std::string proteus = Dir.File("proteus.lib");
    ASSERT_EQ(Run({"import", proteus, Dir.File("in")}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "Imported 1 preset from 4 files.\n"
                         "Duplicates skipped: 0\n"
                         "Files skipped: 1 not SysEx, 1 other SysEx, 1 other model\n");
}

TEST_F(CliTest, ImportRefusesAFileThatIsNoLibraryOfTheClassAndWritesNothing) {
    WriteBytes(Dir.File("a.syx"), NamedDump(TModelClass::Audity, 1, "Aud:One"));
    const struct {
        const char* What;
        std::vector<uint8_t> Existing;
        std::vector<std::string> Model;
    } cases[] = {
        {"a text file", {'n', 'o', 't', ' ', 'a', ' ', 'l', 'i', 'b'}, {"--model", "Audity 2000"}},
        {"another class's library",
         LibraryBytes(1, {{{"", "", ""}, NamedDump(TModelClass::Proteus, 5, "Pro:Five")}}),
         {"--model", "Audity 2000"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string lib = Dir.File("existing.lib");
        WriteBytes(lib, c.Existing);
        std::vector<std::string> args = {"import", lib, Dir.File("a.syx")};
        args.insert(args.end(), c.Model.begin(), c.Model.end());
        EXPECT_EQ(Run(args), 2);
        EXPECT_NE(Err.str().find("nothing written"), std::string::npos) << Err.str();
        EXPECT_EQ(ReadBytes(lib), c.Existing);
    }
    EXPECT_EQ(Run({"import", Dir.File("x.lib"), Dir.File("a.syx"), "--model", "Nonesuch"}), 2);
    EXPECT_NE(Err.str().find("unknown model Nonesuch"), std::string::npos);
    EXPECT_FALSE(FileExists(Dir.File("x.lib")));
}
