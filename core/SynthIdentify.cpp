// What the program does with the synth's answers about itself.
#include "Dialogs.h"
#include "EndBanks.h"
#include "SafeFile.h"
#include "Synth.h"
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

namespace {

const std::string BlankFileWarning =
    "You may have an incompatable 'Blank' file.\n This is used to fill in the holes \nwhen "
    "you delete patches.\nSelect something on the synth and press the 'Get Edit Buffer' "
    "button\nto get the patch and save it as 'Default.syx'\nLoad the Velcora.INI file into a "
    "text editor and change the line ...\nBlankFile=.\\Patches\\Blank Preset.SYX\nso that it "
    "has the correct path.  ";

std::string OtherSynthQuestion(const std::string& synth, const TDirtyFlags& dirty) {
    return "Another synth has answered: " + synth +
           ".\nSwitching to it reloads the banks, the library and the edit buffer of that "
           "synth.\n\nSwitch to the other synth?\n\n" +
           UnsavedList(dirty);
}

} // namespace

bool TWorkspace::HandleIdentity(std::span<const uint8_t> message) {
    const auto identity = TSynth::ReadIdentity(message);
    if (!identity) {
        return false;
    }
    const std::string section = identity->Section();
    // The same synth answers again after the second inquiry at start-up and after "Look for
    // Synth": what was fetched, edited or loaded since must not be thrown away for it. Another
    // synth brings its own workspace, which replaces unsaved work only when the person agrees.
    // Before the first identification there is no synth to stay with: a refusal would leave
    // the program neither searching nor set up for any synth.
    const bool sameSynth = section == FSynth.Section;
    const bool identifiedBefore = !FSynth.Section.empty();
    const TDirtyFlags dirty = Dirty();
    if (!sameSynth && identifiedBefore && dirty != TDirtyFlags{} &&
        FCtx.Dialogs.MessageBox(TMessageKind::Confirmation,
                                OtherSynthQuestion(identity->ModelName + " (" +
                                                       std::to_string(identity->DeviceId) + ")",
                                                   dirty),
                                TButtons::YesNo) != TAnswer::Yes) {
        // The workspace stays with the synth it was made for; the setup dialog names it again.
        FView.ShowSetupSynth(FSynth.ModelName + " (" + std::to_string(FCtx.DeviceId) + ")");
        return true;
    }
    FCtx.DeviceId = identity->DeviceId;
    FSynthFound = true;
    FBusy = false; // so that the request below can leave from inside the dispatcher
    FSynth.RequestHwConfig(FCtx.DeviceId);
    FSynth.TakeIdentity(*identity);

    FView.SetCaption(FSynth.Caption() + " Library");
    FView.ShowSplashModel(FSynth.ModelName);
    bool chosenBlankLoaded = false;
    if (!sameSynth) {
        // The patches held keep the sizes they came with, so only a new workspace gets new ones.
        const TDumpSizes before = FCtx.Sizes;
        FCtx.SetDefaultSizes(FSynth.ModelClass);
        FSynth.SaveSizes(FIni, FCtx.Sizes);
        BuildWorkFolders(FSynth.ModelClass);
        // The blank file chosen in the setup dialog stays the blank patch from run to run,
        // while it suits the synth; the banks are filled from it next.
        const std::string chosenBlank = FSection.ReadString("BlankFile", DefaultBlankFile);
        chosenBlankLoaded = chosenBlank != DefaultBlankFile && LoadBlankFile(chosenBlank);
        ReloadWorkspace();
        if (FCtx.Sizes != before) {
            // Copied dumps of the old sizes would be pasted, sent and saved as patches of the
            // new ones.
            FCtx.ClipCount = 0;
            FClipBank->Reset();
        }
    }

    std::string& blankFile = FSynth.FileNames[TSynth::BlankFile];
    blankFile = FSection.ReadString("BlankFile", DefaultBlankFile);
    if (blankFile != DefaultBlankFile) {
        FBlankName = FileBaseName(blankFile);
    }
    FView.ShowSetupBlankName(FBlankName);
    const std::string& s = FSynth.Section;
    FSynth.TimeBetweenSysex = TSynth::ClampPause(FIni.ReadInteger(s, "TimeBetweenSysex", 40));
    FSynth.TimeBetweenPatches = TSynth::ClampPause(FIni.ReadInteger(s, "TimeBetweenPatches", 400));
    FSynth.CheckedSends = FIni.ReadInteger(s, "CheckedSends", 0) == 1;
    FView.ShowSetupSynth(FSynth.ModelName + " (" + std::to_string(FCtx.DeviceId) + ")");
    FView.ShowSetupTimes(FSynth.TimeBetweenSysex, FSynth.TimeBetweenPatches);
    FSendTimer.setInterval(FSynth.TimeBetweenPatches);
    if (!sameSynth) {
        LoadEndBanks(FFolders.EndBanksBase + "1.syx");
    }
    // Only when neither the chosen blank file nor Default.syx gave a blank patch (the built-in
    // one then fills the holes), and once per synth rather than at every answer of the same one.
    if (!sameSynth && !FFolders.BlankLoaded && !chosenBlankLoaded) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, BlankFileWarning, TButtons::Ok);
    }
    return true;
}

bool TWorkspace::HandleHwConfig(std::span<const uint8_t> message) {
    FExpectHwConfig = false;
    const auto config = sysex::ParseHardwareConfig(message);
    if (!config) {
        return false;
    }
    FSynth.TakeRoms(*config);
    std::vector<std::string> list;
    for (int i = 0; i < FSynth.RomCount; ++i) {
        list.push_back("ROM " + std::to_string(i) + " : " +
                       FSynth.Roms[static_cast<size_t>(i)].Name);
    }
    FView.SetRomList(list, list.empty() ? -1 : 0);
    FView.SetRomBankList({}, -1);
    FBusy = false;
    FSynth.RequestChannel(FCtx.DeviceId);
    if (FSynth.RomCount > 0) {
        cbROMListChange(0);
    }
    return true;
}

bool TWorkspace::HandleChannel(std::span<const uint8_t> message) {
    FExpectChannel = false;
    const auto channel = sysex::ParseChannelReply(message);
    if (!channel) {
        return false;
    }
    FSynthChannel = *channel;
    return true;
}

} // namespace velcora
