// What the program does with the synth's answers about itself.
#include "Dialogs.h"
#include "EndBanks.h"
#include "Patchrec.h"
#include "SafeFile.h"
#include "Simid.h"
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

bool TSynth::HandleIdentity(std::span<const uint8_t> message) {
    const auto identity = sysex::ParseIdentityReply(message);
    if (!identity) {
        return false;
    }
    TWorkspace& ws = *Main;
    const TModel model = ModelFromCode(identity->MemberCode);
    const std::string section = model.ModelName + "_" + std::to_string(identity->DeviceId);
    // The same synth answers again after the second inquiry at start-up and after "Look for
    // Synth": what was fetched, edited or loaded since must not be thrown away for it. Another
    // synth brings its own workspace, which replaces unsaved work only when the person agrees.
    const bool sameSynth = section == Section;
    const TDirtyFlags dirty = ws.Dirty();
    if (!sameSynth && dirty != TDirtyFlags{} &&
        ws.FCtx.Dialogs.MessageBox(
            TMessageKind::Confirmation,
            OtherSynthQuestion(model.ModelName + " (" + std::to_string(identity->DeviceId) + ")",
                               dirty),
            TButtons::YesNo) != TAnswer::Yes) {
        // The workspace stays with the synth it was made for; the setup dialog names it again.
        ws.View().ShowSetupSynth(ModelName + " (" + std::to_string(ws.FCtx.DeviceId) + ")");
        return true;
    }
    SizesMeasured = false;
    ws.FCtx.DeviceId = identity->DeviceId;
    Version = identity->Version;
    ws.FSynthFound = true;
    ws.FBusy = false; // so that the request below can leave from inside the dispatcher
    RequestHwConfig();

    ModelName = model.ModelName;
    ModelClass = model.ModelClass;
    ws.View().SetCaption(Caption() + " Library");
    ws.View().ShowSplashModel(ModelName);
    Section = section;
    if (!sameSynth) {
        // The patches held keep the sizes they came with, so only a new workspace gets new ones.
        SetDefaultSizes();
        SaveSizes();
        ws.BuildWorkFolders(ModelClass);
        ws.ReloadWorkspace();
    }

    FileNames[BlankFile] = ws.FSection.ReadString("BlankFile", TWorkspace::DefaultBlankFile);
    if (FileNames[BlankFile] != TWorkspace::DefaultBlankFile) {
        ws.FBlankName = FileBaseName(FileNames[BlankFile]);
    }
    ws.View().ShowSetupBlankName(ws.FBlankName);
    TimeBetweenSysex = ClampPause(ws.FIni.ReadInteger(Section, "TimeBetweenSysex", 40));
    TimeBetweenPatches = ClampPause(ws.FIni.ReadInteger(Section, "TimeBetweenPatches", 400));
    ws.View().ShowSetupSynth(ModelName + " (" + std::to_string(ws.FCtx.DeviceId) + ")");
    ws.View().ShowSetupTimes(TimeBetweenSysex, TimeBetweenPatches);
    ws.FSendTimer.setInterval(TimeBetweenPatches);
    if (!sameSynth) {
        ws.LoadEndBanks(ws.FFolders.EndBanksBase + "1.syx");
    }
    // Only when Default.syx gave no blank patch (the built-in one then fills the holes), and
    // once per synth rather than at every answer of the same one.
    if (!sameSynth && !ws.FFolders.BlankLoaded) {
        ws.FCtx.Dialogs.MessageBox(TMessageKind::Warning, BlankFileWarning, TButtons::Ok);
    }
    return true;
}

bool TSynth::HandleHwConfig(std::span<const uint8_t> message) {
    TWorkspace& ws = *Main;
    ws.FExpectHwConfig = false;
    const auto config = sysex::ParseHardwareConfig(message);
    if (!config) {
        return false;
    }
    // Room for four ROMs; the entries are taken only as far as the message holds them.
    RomCount = std::min<int>({config->RomCount, MaxRoms, static_cast<int>(config->Roms.size())});
    std::vector<std::string> list;
    for (int i = 0; i < RomCount; ++i) {
        const sysex::TRomEntry& e = config->Roms[static_cast<size_t>(i)];
        TRomRec& rom = Roms[static_cast<size_t>(i)];
        rom.Id = e.Id;
        rom.BankCount = e.BankCount();
        rom.InstrumentCount = e.InstrumentCount;
        rom.Name = RomName(e.Id);
        list.push_back("ROM " + std::to_string(i) + " : " + rom.Name);
    }
    ws.View().SetRomList(list, list.empty() ? -1 : 0);
    ws.View().SetRomBankList({}, -1);
    ws.FBusy = false;
    RequestChannel();
    if (RomCount > 0) {
        cbROMListChange(0);
    }
    return true;
}

bool TSynth::HandleChannel(std::span<const uint8_t> message) {
    TWorkspace& ws = *Main;
    ws.FExpectChannel = false;
    const auto channel = sysex::ParseChannelReply(message);
    if (!channel) {
        return false;
    }
    ws.FSynthChannel = *channel;
    return true;
}

void TSynth::cbROMListChange(int index) {
    TWorkspace& ws = *Main;
    ws.FRomIndex = index;
    ws.FRomBankListIndex = 0;
    std::vector<std::string> banks;
    if (index >= 0 && index < RomCount) {
        for (int k = 0; k < Roms[static_cast<size_t>(index)].BankCount; ++k) {
            banks.push_back("Bank " + std::to_string(k));
        }
    }
    ws.View().SetRomBankList(banks, banks.empty() ? -1 : 0);
}

void TSynth::ApplyHeaderByteCount(std::span<const uint8_t> header) {
    const auto count = sysex::DumpHeaderByteCount(header);
    if (!count) {
        return;
    }
    TotalParam = static_cast<int>(*count / 2);
    Main->FCtx.Sizes = Main->FCtx.Sizes.WithByteCount(*count);
}

void TSynth::MeasureSizes(const TPatchRec& editPatch) {
    if (SizesMeasured) {
        return;
    }
    SizesMeasured = true;
    // A dump whose packets do not give usable lengths keeps the sizes the program has: they
    // size every file it reads and writes.
    if (const auto measured = TDumpSizes::Measure(editPatch.Dump())) {
        Main->FCtx.Sizes = *measured;
    }
    SaveSizes();
}

void TSynth::SetDefaultSizes() {
    Main->FCtx.SetDefaultSizes(ModelClass);
}

void TSynth::SaveSizes() {
    TIniFile& ini = Main->FIni;
    const TDumpSizes& sizes = Main->FCtx.Sizes;
    ini.WriteInteger(Section, "HeadSize", sizes.HeadSize());
    for (int k = 1; k <= 7; ++k) {
        ini.WriteInteger(Section, "Block" + std::to_string(k) + "Size", sizes.BlockSize(k));
    }
    ini.WriteInteger(Section, "TotalSize", sizes.TotalSize());
    ini.WriteInteger(Section, "TotalParam", TotalParam);
}

} // namespace velcora
