#pragma once

#include "IniFile.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velcora::test {

/// The program as the windows drive it, beside a virtual Proteus 2000 on the in-process
/// driver, a keyboard and a port in use by another program. Everything goes through the
/// workspace's operations and its status.
class TVirtualSynthWorkspace : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;
    static inline const std::string KeyboardPort = "Keyboard";
    static inline const std::string BusyPort = "Busy Port";

    TVirtualSynthWorkspace() {
        EnsureApp();
        Driver.AddLoopback(KeyboardPort);
        TVirtualMidiDriver::TDeviceOptions busy;
        busy.FailOpen = true;
        Driver.AddLoopback(BusyPort, busy);
        // The blank presets shipped beside the program fill the banks at identification.
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
    }
    void Make() {
        Ws =
            std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path(), &Driver);
    }
    std::string IniPath() const { return Dir.File("Velcora.INI"); }
    std::string Ini(const std::string& section, const std::string& key) const {
        return TIniFile(IniPath()).ReadString(section, key, "(absent)");
    }
    int Entry(TPort port, const std::string& name) const {
        return TWorkspace::EntryIndex(Ws->PortEntries(port), name);
    }
    /// Chooses the virtual synth for both ports, as the person would in the setup dialog,
    /// and waits for the identification and the edit buffer that follows the search.
    void Connect() {
        Make();
        Ws->lbMidiOutClick(Entry(TPort::SynthOutput, SynthPort));
        Ws->lbMidiInClick(Entry(TPort::SynthInput, SynthPort));
        ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound && !View.RomList.empty(); },
                              std::chrono::seconds(20)));
        ASSERT_TRUE(PumpUntil([&] { return ShowsSynthEditBuffer(); }, std::chrono::seconds(20)));
        // Transfers in tests need no breath between messages.
        Ws->SetTimeBetweenSysex(0);
        Ws->SetTimeBetweenPatches(1);
    }
    /// The edit-buffer fields show the name of the synth's edit buffer.
    bool ShowsSynthEditBuffer() {
        const std::string name =
            Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
        return View.EditCategory + ":" + View.EditName == name.substr(0, 3) + ":" + name.substr(4);
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
    std::unique_ptr<TWorkspace> Ws;
};

} // namespace velcora::test
