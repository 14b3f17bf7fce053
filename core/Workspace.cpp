#include "Workspace.h"

#include "Dialogs.h"
#include "FileSave.h"
#include "Midiin.h"
#include "Midiout.h"
#include "PatchMessages.h"
#include "SafeFile.h"
#include "WorkspaceView.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace velcora {

namespace {

const std::string BackupNotCreated = "Backup Directory not created!";
const std::string StillDispatching = "Can't transmit sysex.\nStill sorting out input data.";
/// The user banks of the newest end-of-run backup that a cancelled or failed fetch had left
/// half-filled, as their numbers ("02": banks 0 and 2); restored, they stay unsaved.
const std::string HalfFetchedKey = "EndBanksHalfFetched";

} // namespace

TWorkspace::TWorkspace(IDialogs& dialogs, IWorkspaceView& view, const std::string& iniPath,
                       const std::string& startDir, const std::string& documentsDir,
                       IMidiDriver* driver)
    : FCtx(dialogs), FIni(iniPath), FStartDir(startDir), FDocumentsDir(documentsDir), FView(view),
      FDriver(driver) {
    FCtx.Creating = true;
    FRxBuffer.resize(RxBufferSize);
    FBankTimer.setInterval(20);
    FTimedOut.setInterval(5000);
    FSendTimer.setInterval(200);
    FReqTimer.setInterval(500);
    FCkStepTimer.setInterval(0);
    QObject::connect(&FCkReplyTimer, &QTimer::timeout, &FCkReplyTimer,
                     [this] { RunGuarded([this] { CheckedReplyTimeOut(); }); });
    QObject::connect(&FCkStepTimer, &QTimer::timeout, &FCkStepTimer,
                     [this] { RunGuarded([this] { CheckedStep(); }); });
    QObject::connect(&FBankTimer, &QTimer::timeout, &FBankTimer,
                     [this] { RunGuarded([this] { BankTimerTimer(); }); });
    QObject::connect(&FTimedOut, &QTimer::timeout, &FTimedOut,
                     [this] { RunGuarded([this] { TimedOutTimer(); }); });
    QObject::connect(&FSendTimer, &QTimer::timeout, &FSendTimer,
                     [this] { RunGuarded([this] { SendTimerTimer(); }); });
    QObject::connect(&FReqTimer, &QTimer::timeout, &FReqTimer,
                     [this] { RunGuarded([this] { ReqTimerTimer(); }); });
    FSynth.Pause = [](int ms) {
        if (ms > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
    };
    if (driver != nullptr) {
        FMidiSynthToPC = std::make_unique<TMidiInput>(*driver);
        // A whole bank's replies can queue while the GUI thread pauses between messages.
        FMidiSynthToPC->SetCapacity(64000);
        FMidiSynthToPC->SetSysexBufferCount(64);
        FMidiSynthToPC->SetSysexBufferSize(1024);
        FMidiSynthToPC->SetSysexOnly(true);
        FMidiKbdToPC = std::make_unique<TMidiInput>(*driver);
        FMidiPCToSynth = std::make_unique<TMidiOutput>(*driver);
        FMidiSynthToPC->OnMidiInput = [this](TMidiInput*) {
            RunGuarded([this] { MidiSynthToPCMidiInput(); });
        };
        FMidiSynthToPC->OnOverflow = [this](TMidiInput*) {
            RunGuarded([this] { MidiSynthToPCOverflow(); });
        };
        FMidiKbdToPC->OnMidiInput = [this](TMidiInput*) {
            RunGuarded([this] { MidiKbdToPCMidiInput(); });
        };
    }
    if (!FStartDir.empty() && FStartDir.back() != '/') {
        FStartDir.push_back('/');
    }
    FOptions = TOptionGroups::Read(FIni);

    FEditPatch = std::make_unique<TPatchRec>();
    FProbePatch = std::make_unique<TPatchRec>();
    FBlankPatch = std::make_unique<TPatchRec>();
    FCtx.ProbePatch = FProbePatch.get();
    FCtx.BlankPatch = FBlankPatch.get();
    FLib = std::make_unique<TPatchLib>(FCtx);
    for (int n = 0; n < 4; ++n) {
        FUserBank[static_cast<size_t>(n)] =
            std::make_unique<TPatchBank>(FCtx, n, "User " + std::to_string(n), true);
    }
    FClipBank = std::make_unique<TPatchBank>(FCtx, TPatchBank::ClipBankNumber, "Buffer", false);
    FRomBank = std::make_unique<TPatchBank>(FCtx, TPatchBank::RomBankNumber, "ROM", true);
    FCtx.ClipBank = FClipBank.get();
    FCtx.Settings = &FSection;
    FActionBank = &CurUserBank();
    ShowRomBankLabel(FileNameOnly(FRomBank->FileName()));
    FCtx.Creating = false;
    SelectRxView(FCtx.CurUserBank);
    ClearUndoHistory();
}

TWorkspace::~TWorkspace() = default;

void TWorkspace::ReopenSynthInput() {
    if (!FMidiSynthToPC || FSynthInDev == -1) {
        return;
    }
    if (FMidiSynthToPC->State() == TMidiInputState::misOpen) {
        FMidiSynthToPC->StopAndClose();
    }
    FMidiSynthToPC->OpenAndStart();
}

bool TWorkspace::SendLong(std::span<const uint8_t> message) {
    if (FBusy) {
        FCtx.Dialogs.MessageBox(TMessageKind::Error, StillDispatching, TButtons::Ok);
        return false;
    }
    if (message.empty() || FSynthOutDev == -1 || !FMidiPCToSynth) {
        return false;
    }
    // An audition still under way goes out whole first: the synth must not take another
    // message in the middle of a preset dump.
    if (!FAudition.Sending()) {
        FAudition.Flush(FSynth.Pause);
    }
    FMidiPCToSynth->PutLong(message);
    return true;
}

void TWorkspace::SendShort(uint8_t status, uint8_t data1, uint8_t data2) {
    // A workspace made without a driver has no port: it answers as a port never opened.
    if (!FMidiPCToSynth) {
        throw EMidiOutputError("(Short Msg) Device not opened.");
    }
    FMidiPCToSynth->PutShort(status, data1, data2);
}

void TWorkspace::Await(TReply reply) {
    switch (reply) {
    case TReply::Identity:
        FExpectIdentity = true;
        break;
    case TReply::HwConfig:
        FExpectHwConfig = true;
        break;
    case TReply::Channel:
        FExpectChannel = true;
        break;
    case TReply::EditBufferDump:
        // The ROM preset fetched through the edit buffer goes to its ROM bank slot instead.
        if (!FRomViaEditBuffer) {
            FRxMode = TRxMode::Single;
            FRxPatch = FEditPatch.get();
        }
        FExpectDump = true;
        break;
    case TReply::Dump:
        FExpectDump = true;
        break;
    }
}

std::optional<TSynth::TRomSource> TWorkspace::DirectRom() const {
    if (!FRomXfer || FRomViaEditBuffer) {
        return std::nullopt;
    }
    return TSynth::TRomSource{FRomIndex, FRomBankNo};
}

TUserBanks TWorkspace::UserBanks() {
    return {FUserBank[0].get(), FUserBank[1].get(), FUserBank[2].get(), FUserBank[3].get()};
}

void TWorkspace::BuildWorkFolders(TModelClass modelClass) {
    FFolders = velcora::BuildWorkFolders(modelClass, FDocumentsDir, FStartDir, FCtx, *FBlankPatch);
    FCtx.PatchesDir = FFolders.PatchesDir;
    FCtx.BanksDir = FFolders.BanksDir;
    FCtx.AllBanksDir = FFolders.AllBanksDir;
    FCtx.LibrariesDir = FFolders.LibrariesDir;
}

void TWorkspace::ReloadWorkspace() {
    for (auto& bank : FUserBank) {
        bank->Reset();
    }
    FRomBank->Reset();
    FRomOrigin.reset();
    FHalfFetched = {};
    FLib->NewLibrary();
    FEditPatch->Dump().Clear();

    // The edit-buffer dialogs start where the person last loaded or saved an edit buffer,
    // while that folder is there; else in the synth's Patches work folder, since the
    // program's own folder may be read-only or have no Patches folder.
    const std::string editFile = FSection.ReadString("EditFile", "");
    std::error_code error;
    if (!editFile.empty() &&
        std::filesystem::is_directory(std::filesystem::path(editFile).parent_path(), error)) {
        FSynth.FileNames[TSynth::EditFile] = editFile;
    } else {
        const std::string patchFile = FSection.ReadString("PatchFile", "Patch.syx");
        FSynth.FileNames[TSynth::EditFile] = FFolders.PatchesDir + FileNameOnly(patchFile);
    }
    for (int n = 0; n < 4; ++n) {
        FSynth.FileNames[static_cast<size_t>(n)] = UserBank(n).LoadDefaultFile();
    }
    FSynth.FileNames[TSynth::RomBankFile] = FRomBank->LoadDefaultFile();
    FSynth.FileNames[TSynth::PatchLibFile] = FLib->LoadDefault();
    ReapplyLibraryFilter();

    FEditPatch->MakeBlank(FCtx);
    ShowEditBufferName();
    FView.ShowUserTab(0);
    ClearUndoHistory();
}

bool TWorkspace::LoadEndBanks(const std::string& path) {
    if (!ReadAllBanksFile(FCtx, UserBanks(), path, false)) {
        return false;
    }
    MarkUserBanksClean();
    if (path == EndBanksFile(FFolders.EndBanksBase, 1)) {
        for (const char c : FSection.ReadString(HalfFetchedKey, "")) {
            const int n = c - '0';
            if (n >= 0 && n < 4) {
                FHalfFetched[static_cast<size_t>(n)] = true;
                MarkDirty(UserBank(n));
            }
        }
    }
    // Identification restores the backup right after reloading: together they are the base.
    ClearUndoHistory();
    return true;
}

bool TWorkspace::WriteAllBanks(const std::string& path) {
    if (!velcora::WriteAllBanks(FCtx, UserBanks(), path)) {
        return false;
    }
    MarkUserBanksClean();
    AbsorbUndoState();
    return true;
}

bool TWorkspace::FormClose() {
    // A send stopped half-way without a word, or a bank half-fetched backed up as if whole,
    // would betray the person: the job is cancelled the normal way first, after asking.
    if (FRunning != TRunning::None) {
        const std::string& question =
            FRunning == TRunning::Transfer ? CloseDuringTransfer : CloseDuringImport;
        if (FCtx.Dialogs.MessageBox(TMessageKind::Confirmation, question, TButtons::YesNo) !=
            TAnswer::Yes) {
            return false;
        }
        if (FRunning != TRunning::None) {
            bbCancelGetClick();
        }
        // What the cancel stopped may still answer: nothing may come in once closing.
        FTimedOut.stop();
    }
    const TAnswer answer =
        FCtx.Dialogs.MessageBox(TMessageKind::Confirmation, ClosePrompt(Dirty()), TButtons::YesNo);
    if (answer != TAnswer::Yes) {
        return false;
    }
    // Before any synth was identified there is no backup folder: the backups are then not
    // written at all, rather than into whatever folder the program was started from.
    if (FFolders.BackupDir.empty() || !MakeFolder(FFolders.BackupDir)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Error, BackupNotCreated, TButtons::Ok);
        return true;
    }
    // A backup that would hold the blank in place of a patch is no backup: the older ones
    // stay as they are, and the person learns which patches it could not hold.
    if (RefuseUnfitPatches(FCtx, UnfitPatches(UserBanks()))) {
        return true;
    }
    const std::string newest = EndBanksFile(FFolders.EndBanksBase, 1);
    const TFileWrite w = WriteEndBanks(FFolders.EndBanksBase, AllBanksBytes(FCtx, UserBanks()));
    if (!w.Ok) {
        FCtx.Dialogs.MessageBox(TMessageKind::Error, msg::CantSave(newest, w.Error), TButtons::Ok);
        return true;
    }
    FCtx.AllBanksFile = newest;
    std::string halfFetched;
    for (int n = 0; n < 4; ++n) {
        if (FHalfFetched[static_cast<size_t>(n)]) {
            halfFetched += static_cast<char>('0' + n);
        }
    }
    FSection.WriteString(HalfFetchedKey, halfFetched);
    MarkUserBanksClean();
    AbsorbUndoState();
    return true;
}

namespace {

int TabOf(const TPatchBank& bank) {
    return bank.BankNumber() == TPatchBank::RomBankNumber ? TWorkspace::RomTab : bank.BankNumber();
}

} // namespace

void TWorkspace::MarkDirty(const TPatchBank& bank) {
    const int tab = TabOf(bank);
    if (tab < 0 || tab > RomTab) {
        return; // the clipboard has no tab
    }
    FBankDirty[static_cast<size_t>(tab)] = true;
    FView.SetBankTabCaption(tab, tab == RomTab ? "*ROM" : "*User " + std::to_string(tab));
}

void TWorkspace::MarkClean(const TPatchBank& bank) {
    const int tab = TabOf(bank);
    if (tab < 0 || tab > RomTab) {
        return;
    }
    FBankDirty[static_cast<size_t>(tab)] = false;
    if (tab < 4) {
        FHalfFetched[static_cast<size_t>(tab)] = false;
    }
    FView.SetBankTabCaption(tab, tab == RomTab ? "ROM" : "User " + std::to_string(tab));
}

void TWorkspace::MarkUserBanksClean() {
    for (int n = 0; n < 4; ++n) {
        FBankDirty[static_cast<size_t>(n)] = false;
        FHalfFetched[static_cast<size_t>(n)] = false;
        FView.SetBankTabCaption(n, "User " + std::to_string(n));
    }
}

TDirtyFlags TWorkspace::Dirty() const {
    return {FLib->Modified(), FBankDirty[RomTab], FBankDirty[0],
            FBankDirty[1],    FBankDirty[2],      FBankDirty[3]};
}

void TWorkspace::SelectRxView(int bankNumber) {
    if (bankNumber >= 0 && bankNumber <= 3) {
        FRxView = bankNumber;
        FBankLabel = "User Bank " + std::to_string(bankNumber);
    } else if (bankNumber == TPatchBank::RomBankNumber) {
        FRxView = bankNumber;
        FBankLabel = "ROM Bank";
    }
}

TWorkspaceStatus TWorkspace::Status() const {
    TWorkspaceStatus s;
    s.SynthFound = FSynthFound;
    s.AwaitingSynthDetails = FExpectHwConfig || FExpectChannel;
    s.AwaitingDump = FExpectDump;
    s.Running = FRunning;
    s.TransferRunning = FRunning == TRunning::Transfer;
    ImportStatus(s);
    CommandStates(s);
    s.OutputPending = FMidiPCToSynth ? FMidiPCToSynth->PendingBuffers() : 0;
    s.Tab = FTab;
    s.CurUserBank = FCtx.CurUserBank;
    s.ActionBank = FActionBank != nullptr ? FActionBank->BankNumber() : FCtx.CurUserBank;
    s.FocusView = FFocusView;
    s.LoadMethod = FLoadMethod;
    s.RomIndex = FRomIndex;
    s.RomBankListIndex = FRomBankListIndex;
    s.TimeBetweenSysex = FSynth.TimeBetweenSysex;
    s.TimeBetweenPatches = FSynth.TimeBetweenPatches;
    s.CheckedSends = FSynth.CheckedSends;
    s.RenameBoxShowing = FRenameShowing;
    s.PressedInView = FPressedInView;
    s.GridEditorShowing = FGridEditorShowing;
    s.UndoText = FUndo.UndoText();
    s.RedoText = FUndo.RedoText();
    s.LibSortColumn = FLibSortColumn;
    s.LibSortDescending = FLibSortColumn >= 0 && !FLibSortDescending;
    const auto port = [this](TPort p, int device, bool open) {
        const std::optional<std::vector<std::string>>& kept =
            FPortLists[p == TPort::SynthOutput ? 1 : 0];
        const std::vector<std::string>& entries = kept ? *kept : PortEntries(p);
        TPortStatus ps;
        ps.Device = device;
        const bool listed = device >= 0 && device + 1 < static_cast<int>(entries.size());
        ps.Entry = listed ? device : static_cast<int>(entries.size()) - 1;
        ps.Name = entries[static_cast<size_t>(ps.Entry)];
        ps.Open = open;
        return ps;
    };
    const auto inputOpen = [](const std::unique_ptr<TMidiInput>& in) {
        return in && in->State() == TMidiInputState::misOpen;
    };
    s.SynthInput = port(TPort::SynthInput, FSynthInDev, inputOpen(FMidiSynthToPC));
    s.SynthOutput = port(TPort::SynthOutput, FSynthOutDev,
                         FMidiPCToSynth && FMidiPCToSynth->State() == TMidiOutputState::mosOpen);
    s.KbdInput = port(TPort::KbdInput, FKbdInDev, inputOpen(FMidiKbdToPC));
    s.Dirty = Dirty();
    s.BlankName = FBlankName;
    s.EditFile = FSynth.FileNames[TSynth::EditFile];
    s.LibFilter = FLibFilter;
    s.LibVisibleCount = FLibFilterWords.empty() ? FLib->Count() : FLibVisibleCount;
    return s;
}

void TWorkspace::ShowEditBufferName() {
    FView.ShowEditBufferName(FEditPatch->TypePart(), FEditPatch->NamePart());
}

} // namespace velcora
