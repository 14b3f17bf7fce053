#pragma once

#include "AllBanks.h"
#include "AuditionPacer.h"
#include "EndBanks.h"
#include "IniFile.h"
#include "IniSection.h"
#include "LoadMethod.h"
#include "OptionGroups.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchlib.h"
#include "Patchrec.h"
#include "Synth.h"
#include "SynthLink.h"
#include "UndoHistory.h"
#include "ViewInput.h"
#include "WorkFolders.h"
#include "WorkspaceStatus.h"

#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velcora {

class TLibraryImport;

class IDialogs;
class IMidiDriver;
class IWorkspaceView;
class TMidiInput;
class TMidiOutput;

/// The state of the whole run: the banks, the library, the program's own patches, the
/// clipboard, the working folders, the run's flags and the synth record, with the settings
/// file. It lives as long as the main window; creating it builds every record, as the main
/// window's creation does. It is the synth record's link to the ports and the replies awaited.
class TWorkspace final : private ISynthLink {
public:
    /// What a fetch receives: one dump into the edit buffer, or the dumps of a bank.
    enum class TRxMode { None = 0, Single = 1, Bank = 2 };
    /// Index of the tab or the modified flag of the ROM bank in the bank panel.
    static constexpr int RomTab = 4;
    static inline const std::string DefaultBlankFile = "int_Blank Preset.SYX";
    /// What a fetch that waited in vain for a dump says.
    static inline const std::string TimedOutWarning = "Timed out : didn't receive data from synth.";

    /// iniPath: the settings file; startDir: where the shipped blank presets lie;
    /// documentsDir: the person's documents folder, root of the working folders.
    /// driver: where the three MIDI ports live; without one the workspace has no ports.
    TWorkspace(IDialogs& dialogs, IWorkspaceView& view, const std::string& iniPath,
               const std::string& startDir, const std::string& documentsDir,
               IMidiDriver* driver = nullptr);
    TWorkspace(const TWorkspace&) = delete;
    TWorkspace& operator=(const TWorkspace&) = delete;
    ~TWorkspace();

    TPatchBank& UserBank(int n) { return *FUserBank.at(static_cast<size_t>(n)); }
    TPatchBank& CurUserBank() { return UserBank(FCtx.CurUserBank); }
    TUserBanks UserBanks();

    /// Makes the model's working folders and loads the blank patch from them.
    void BuildWorkFolders(TModelClass modelClass);
    /// Resets every bank and the library to the blank patch, then reloads the remembered
    /// bank and library files of the identified synth, and the edit buffer.
    void ReloadWorkspace();
    /// Reads an all-banks file (an end-of-run backup) into the four user banks; a file that
    /// does not suit the synth changes nothing and says nothing.
    bool LoadEndBanks(const std::string& path);
    /// Writes the four user banks to one all-banks file; marks them saved when it worked.
    bool WriteAllBanks(const std::string& path);
    /// The close question, then the ten end-of-run backups. False when the person said No.
    /// A transfer or an import still running is cancelled first, after its own question.
    bool FormClose();

    /// The modified marks of the ROM bank and the current user bank, shown on their tabs.
    void MarkDirty(const TPatchBank& bank);
    void MarkClean(const TPatchBank& bank);
    void MarkUserBanksClean();
    /// Unsaved items: library, ROM bank, user banks 0 to 3.
    TDirtyFlags Dirty() const;
    /// Stops and closes the synth input port unless closed, then opens and starts it again
    /// (when a device is selected for it).
    void ReopenSynthInput() override;
    IWorkspaceView& View() { return FView; }

    // Receiving (the synth input port's events run these on the GUI thread).
    /// Takes every waiting event of the synth input port and dispatches its SysEx.
    void MidiSynthToPCMidiInput();
    void MidiSynthToPCOverflow();
    /// Passes a keyboard's events to the synth while an output device is selected.
    void MidiKbdToPCMidiInput();
    /// Dispatches one received SysEx message (copied into the receive buffer first). A message
    /// longer than the receive buffer is dropped whole: the synth sends none that long.
    void ReceiveSysex(std::span<const uint8_t> message);
    /// Offers the receive buffer to the handlers of the replies awaited.
    void DispatchSysex();
    /// The Device Inquiry reply: the synth record takes model, version and device id, then
    /// the workspace is built for that model (after the person agreed, when another synth
    /// answered while work is unsaved). False when the message is not the reply.
    bool HandleIdentity(std::span<const uint8_t> message);
    /// The ROM list; the first E-mu message uses up the expectation, reply or not.
    bool HandleHwConfig(std::span<const uint8_t> message);
    /// The synth's basic channel; used up like the ROM list's expectation.
    bool HandleChannel(std::span<const uint8_t> message);
    bool HandlePresetDump();
    /// Copies the received message into packet slot p of FRxStage (the header starts a new
    /// dump) and notes whether it came whole: framed, F0 to a single F7, 7-bit bytes between.
    void Stage(int packet);
    /// Whether the eight packets gathered make one dump that FRxPatch may take: their lengths
    /// are usable dump sizes, they carry the data bytes their header announced (a packet cut
    /// short cannot), and they are the sizes in use, unless this is the edit-buffer dump that
    /// measures them.
    bool StagedDumpFits() const;
    bool HandleCancel();
    /// Ends the running transfer or import (the cancel button, the time-out and the synth's
    /// cancel).
    void bbCancelGetClick();
    /// The long job under way: nothing, a transfer or an import. Every command that a job
    /// would cross asks this first.
    TRunning Running() const { return FRunning; }

    /// Runs the handler of an event (a timer, a port's notification, a command): an error it
    /// raises, a port's above all, never reaches the event loop. Its text is shown in an error
    /// box, and a transfer that was running ends as failed.
    void RunGuarded(const std::function<void()>& handler) noexcept;
    /// Ends the running transfer, if any, without the caption of a finished one, and shows
    /// the text in an error box.
    void FailTransfer(const std::string& text);

    // The transfer commands.
    void bbGetBankClick();
    void bbGetSelectedClick();
    void bbSendBankClick();
    void bbSendSelectedClick();
    /// Fetches the synth's edit buffer into the edit-buffer patch. Refused with a warning
    /// while a transfer runs: the edit buffer's dump would take the transfer's place.
    void bbGetEditBufClick();
    void bbSendEditBufClick();
    void bbAllSoundOffClick();
    void bbROMGetBankClick();
    /// The ROM bank chosen in the ROM bank list; banks 4 and up are fetched through the edit
    /// buffer, as synths that refuse them directly need.
    void cbROMBankListChange(int index);

    // The transfer machines.
    /// Fetches the bank's slots (all, or only the marked ones) one by one from the synth.
    void StartGet(TPatchBank& bank, bool onlyMarked);
    void BeginGet(int count);
    /// Sends the bank's slots (all, or only the marked ones), each to its own slot.
    void StartSend(TPatchBank& bank, bool onlyMarked);
    void SendNext();
    void ShowProgress(int count);
    void BankTimerTimer();
    void TimedOutTimer();
    void SendTimerTimer();
    void EndFetch();
    void EndSend();
    /// Shows the enabled state of every command as Status() has it now. Runs after every
    /// handler (RunGuarded) and whenever a job starts or ends.
    void EnableCommands();
    /// The bank a bank number shows in: 0..3 the user banks, 99 the ROM bank, else none.
    TPatchBank* BankOf(int bankNumber);
    /// 0..3 or 99: the view that fetched presets fill, and its label in captions.
    void SelectRxView(int bankNumber);
    void ShowEditBufferName();

    /// The run's state as the windows read it.
    TWorkspaceStatus Status() const;

    // The records the windows show. Banks, the library and the edit buffer are changed
    // through their own operations; the workspace's bookkeeping only through its own.
    const TPatchContext& Context() const { return FCtx; }
    const TSynth& Synth() const { return FSynth; }
    const TIniFile& Settings() const { return FIni; }
    const TOptionGroups& Options() const { return FOptions; }
    const TWorkFolders& Folders() const { return FFolders; }
    TPatchRec& EditPatch() { return *FEditPatch; }
    const TPatchRec& BlankPatch() const { return *FBlankPatch; }
    TPatchLib& Library() { return *FLib; }
    TPatchBank& RomBank() { return *FRomBank; }
    TPatchBank& Clipboard() { return *FClipBank; }
    /// One option group's item chosen by the person; its key is written at once.
    void ChooseOption(TOptionGroups::TGroup group, int item);
    /// How the pause after each message waits; the program blocks, tests record it.
    void SetPause(std::function<void(int milliseconds)> pause);

    // The bank panel: tabs and the ROM tab's choices.
    /// The bank tab chosen by the person: 0..3 a user bank, RomTab the ROM bank. A user tab
    /// becomes the current user bank and rewrites the keys of the three option groups it
    /// applies; another user bank is refused while a user bank is fetched, since the fetch
    /// machine fills the current user bank (the window then shows Status().Tab again). False
    /// when refused or out of range.
    bool pcUserBankChange(int tab);
    /// The ROM list's entry chosen by the person: its banks fill the ROM bank list, whose
    /// first entry is then selected without running cbROMBankListChange.
    void cbROMListChange(int index);
    /// Which ROM bank of the synth the ROM bank holds: the ROM (an index into the synth's
    /// ROM list) and its bank, as the last whole ROM fetch took them. None when the ROM bank
    /// holds something else: a file, a fetch cut short, or names changed since (an edit,
    /// Mix or Morph, an undo), since a sequencer would then select other patches than the
    /// names say.
    struct TRomBankOrigin {
        int RomIndex = 0;
        int Bank = 0;
    };
    std::optional<TRomBankOrigin> RomBankOrigin() const;
    /// The ROM fetch method chosen by the person: 0 "Edit Buffer", 1 "Direct ROM"; the focus
    /// then goes back to the view it was in. The method the ROM bank choice sets reaches the
    /// window through ShowLoadMethod, which must not call this again.
    void rgLoadMethodClick(int item);

    // The bank panel's file commands. The modified mark is cleared only when a file was
    // actually read or written: a cancelled or failed dialog leaves the bank unsaved.
    void bbLoadBankClick();
    void bbSaveBankClick();
    void bbLoadAllClick();
    void bbSaveAllClick();
    void bbROMLoadBankClick();
    void bbROMSaveBankClick();

    // The edit buffer's commands; category and name are the texts of the two name fields.
    /// Loads a single-patch file into the edit buffer and remembers it under EditFile.
    void bbLoadEditBufClick();
    /// Saves the edit buffer, proposing "category_name.syx" beside the remembered file.
    void bbSaveEditBufClick(const std::string& category, const std::string& name);
    /// Asks the synth for a random patch and fetches it into the edit buffer. Refused with a
    /// warning while a transfer runs: the edit buffer's dump would take the transfer's place.
    void bbRandEditBufClick();
    /// Renames the synth's edit buffer and the program's copy of it.
    void bbRenameEditBufClick(const std::string& category, const std::string& name);
    /// The 16-character name the two fields give: the category padded or cut to three
    /// characters, ":", the name, spaces.
    static std::string ComposeName(const std::string& category, const std::string& name);

    // The MIDI setup dialog.
    /// The entries of the port's list: the devices in device order, then "None". Asks the
    /// driver anew; the choices and the status take their entries from the lists as last asked.
    std::vector<std::string> PortEntries(TPort port) const;
    /// The port's list as last asked (asked now when it never was): the list a choice's
    /// entry counts in.
    const std::vector<std::string>& ShownEntries(TPort port) const;
    /// The entry of the list whose text matches (letter case ignored, first match), else the
    /// index of "None".
    static int EntryIndex(const std::vector<std::string>& entries, const std::string& text);
    /// Opens the ports named in the MidiDevices section, as the setup dialog's creation does,
    /// then looks for the synth.
    void OpenSavedPorts();
    /// The person chose an entry of a port's list as last asked (the last one is "None"); the
    /// port opens the device of that name. A port that fails to open stays closed; its error
    /// is shown and its key keeps its old value.
    void lbMidiInClick(int entry);
    void lbMidiOutClick(int entry);
    void lbKbdInClick(int entry);
    /// "Look for Synth": the Device Inquiry, and the edit buffer half a second later.
    /// Refused with a warning while a transfer runs: the answer rebuilds the workspace.
    void bCheckIdClick();
    void ReqTimerTimer();
    /// The Device Inquiry alone, as the splash window's schedule sends it; not while a
    /// transfer runs, since the answer rebuilds the workspace.
    void RequestIdentity();
    /// The initial parameter message, sent once when the synth is first seen identified.
    void SendInitParam();
    /// Chooses the blank patch's file; a file that does not suit the synth changes nothing.
    void bBlankFileClick();
    /// The pauses, clamped to 0..TSynth::MaxPause; written to the synth's section only once
    /// a synth has been identified.
    void SetTimeBetweenSysex(int milliseconds);
    void SetTimeBetweenPatches(int milliseconds);
    /// Writes the chosen devices' names, as the setup dialog does when it is destroyed;
    /// nothing when the devices are not remembered (SetRememberDevices).
    void WriteDeviceChoices();
    /// Whether a device chosen in a port's list is written to the settings file at once (on
    /// by default, as the setup dialog remembers its choices). A run that picks its ports
    /// for itself alone, the command-line program's, turns it off and so leaves the devices
    /// the setup dialog saved as they were.
    void SetRememberDevices(bool remember) { FRememberDevices = remember; }

    /// The last entry of every port list.
    static inline const std::string NoDevice = "None";

    // The library grid. Rows are the grid's: 0 the title row, row r (1..) the library's
    // patch r - 1; -1 outside the rows. Columns 0 Type, 1 Name, 2..4 Note 1..3.
    /// A mouse press in the grid: the title row sorts; the right button auditions an unmarked
    /// row or opens the library menu over a marked one.
    void sgLibMouseDown(TMouseButton button, TShiftState shift, int column, int row);
    /// The click the grid raises after a left press: selection by the press's keys.
    void sgLibClick();
    void sgLibDblClick(int row);
    /// A key pressed in the grid whose current row is row. True when the key was a command
    /// of the program; the grid still moves its current row for Up and Down.
    bool sgLibKeyDown(int key, TShiftState shift, int row);
    void pmLibEditClick();
    void pmLibCopyClick();
    void pmLibPasteClick();
    void pmLibDeleteClick();
    void pmLibSwapClick();
    /// A key released in the in-cell editor holding text: Escape discards, Enter applies.
    void eGridEditKeyUp(const std::string& text, int key);
    /// The menu key (or Shift+F10) in the grid whose current cell is (column, row): the
    /// library menu opens over that row as for a right press on a marked row; an unmarked row
    /// is first marked as a plain click marks it.
    void sgLibMenuKey(int column, int row);
    void bbLoadLibClick();
    void bbSaveLibClick();
    void bbDeDupClick();
    void bbMixPatchesClick();
    void bbMorphPatchesClick();
    void bbUserToLibClick();
    void bbRomToLibClick();
    void bbEditToLibClick();
    /// The library tabs: 0 " Patch Library ", 1 "New Library" (a command).
    void pcPatchChange(int page);
    static inline const std::string NoDuplicates = "No duplicate patches \n(ignoring patch names)";
    /// The question before the duplicates found are deleted.
    static std::string DuplicatesQuestion(int count);
    /// What adding to a full library says: how many patches found no room.
    static std::string LibraryFullText(int leftOut);
    /// What the commands that change the library say while an import adds to it.
    static inline const std::string LibraryDuringImport =
        "An import is running.\nWait for it to end, or cancel it, before changing the library.";
    static inline const std::string GenerateDuringTransfer =
        "A transfer is running.\nWait for it to end, or cancel it, before filling its bank with "
        "Mix or Morph.";

    // The bank views: selection, audition, navigation and the editing commands. A view is
    // named by its tab: 0..3 the user banks' views, RomTab the ROM view. A slot of -1 stands
    // for the title row or a place outside the rows.
    // An audition (a right press on an unselected slot, a double click, Up and Down) sends
    // nothing while a transfer runs: a dump into the synth's edit buffer would cross the
    // replies awaited, and a ROM fetch through the edit buffer would read it back as a ROM
    // preset. The selection still changes as without a transfer.
    /// A mouse press in a bank view; the right button auditions an unselected slot or opens
    /// the bank menu over a selected one.
    void vleUserMouseDown(int view, TMouseButton button, TShiftState shift, int slot);
    /// The click the view raises after a press: selection by the press's button and keys.
    /// Does nothing when no press in a view came before it (a keyboard move's click).
    void vleUserClick(int view);
    void vleUser0DblClick(int view, int slot);
    /// A key pressed in a bank view whose current row shows slot. True when the key was a
    /// command of the program (Delete and the Ctrl shortcuts). Up and Down answer false: they
    /// are the view's own keys, which still moves its current row. Ctrl+L, Ctrl+O and Ctrl+S
    /// do nothing while a transfer runs, as their buttons are disabled then.
    bool vleUserKeyDown(int view, int key, TShiftState shift, int slot);
    /// Shows the rename box prepared by the last right press on a selected slot.
    void pmBankEditClick();
    void pmBankCopyClick();
    void pmBankPasteClick();
    void pmBankDeleteClick();
    /// Refused with a warning while a transfer runs on the bank acted on: the swap rebuilds
    /// the bank's list of slots, which the transfer walks.
    void pmBankSwapClick();
    /// A key released in the rename box holding text, one byte per character as names are
    /// held (Windows-1252); returns the text the box must show. Enter renames the slot the
    /// box was prepared for and hides the box; Escape hides it without renaming.
    std::string eUserEditKeyUp(const std::string& text, int key);
    /// Hides the rename box without renaming: the row it covered moved away from under it (a
    /// tab change, a scroll, a resize), so Enter would rename a patch no longer in sight.
    void CloseRenameBox();
    /// The menu key (or Shift+F10) in a bank view whose current row shows slot: the bank menu
    /// opens over that slot as for a right press on it; an unselected slot is first selected
    /// as a plain click selects it.
    void vleUserMenuKey(int view, int slot);
    /// Enables the selection-dependent commands for the current user bank by its marks;
    /// while a transfer or an import runs they stay disabled.
    void UpdateSelectionButtons();
    /// The option groups' click: writes the key, applies the group, gives the focus back.
    /// (ChooseOption writes the key only.)
    void rgOptionClick(TOptionGroups::TGroup group, int item);
    // The history of changes. Every change of a bank or the library a command makes ends
    // with CommitUndoStep, which records what changed since the last step as one step named
    // by label; a command that changed nothing records none.
    void CommitUndoStep(const std::string& label);
    /// Takes back the last step, or does again the last step taken back; nothing while a
    /// transfer runs or when there is none. The modified marks follow.
    void Undo();
    void Redo();
    /// Forgets every step: the present contents become the base (identification's reload).
    void ClearUndoHistory();
    /// What Undo and Redo say while a transfer runs: it walks a bank they would rewrite.
    static inline const std::string UndoDuringTransfer =
        "A transfer or an import is running.\nWait for it to end, or cancel it, before undoing "
        "or redoing a change.";
    /// How many steps the history keeps; older ones are forgotten.
    int UndoLimit() const { return FUndo.Limit(); }
    /// Bytes of patch contents the history holds (each shared snapshot once).
    size_t UndoHistoryBytes() const { return FUndo.SnapshotBytes(); }

    // The library filter. Rows are the grid's, as for the grid's commands.
    /// The text typed in the filter field: rows whose type, name or notes hold every word of
    /// it (letter case ignored) stay visible. Marks on rows it hides are cleared.
    void edLibFilterChange(const std::string& text);
    /// Applies the filter again after the library changed under it.
    void ReapplyLibraryFilter();
    /// Whether a grid row shows under the filter (the title row always does).
    bool LibRowVisible(int row) const;

    // Importing preset collections into the library.
    /// "Import...": files or a folder chosen in a dialog.
    void bbImportLibClick();
    /// Files and folders dropped on the library grid (folders are searched recursively).
    void ImportPaths(const std::vector<std::string>& paths);
    /// "Import..." as a folder: one folder chosen in a dialog, searched recursively.
    void bbImportFolderClick();
    /// The import option "Skip duplicates" (a preset equal to one in the library apart from
    /// its name is not added again); kept in the settings.
    void cbImportSkipDuplicatesClick(bool on);

    // Checked sends: each packet of a send waits for the synth's acknowledgement.
    /// The send mode chosen in the setup dialog, stored in the synth's section.
    void SetCheckedSends(bool on);
    /// What a checked send reports at its end: "Sent 127 of 128; slot 42 was not
    /// acknowledged"; just "Sent 128 of 128" when every patch was.
    static std::string CheckedSendReport(int sent, int total, const std::vector<int>& unacked);
    /// Where the last checked send stands: the presets the synth acknowledged, of how many,
    /// and the slots it has not (also those an early end left unsent). Total is 0 when the
    /// last send was a timed one.
    struct TCheckedSendOutcome {
        int Confirmed = 0;
        int Total = 0;
        std::vector<int> Unconfirmed;
    };
    const TCheckedSendOutcome& LastCheckedSend() const { return FCkOutcome; }

    static inline const std::string SwapDuringTransfer =
        "A transfer is running.\nWait for it to end, or cancel it, before swapping patches of "
        "its bank.";
    static inline const std::string PasteDuringTransfer =
        "A transfer is running.\nWait for it to end, or cancel it, before pasting into its bank.";
    static inline const std::string DeleteDuringTransfer =
        "A transfer is running.\nWait for it to end, or cancel it, before deleting patches of "
        "its bank.";
    static inline const std::string RenameDuringTransfer =
        "A transfer is running.\nWait for it to end, or cancel it, before renaming patches of "
        "its bank.";
    /// What starting a transfer says while an import runs, and the reverse.
    static inline const std::string TransferDuringImport =
        "An import is running.\nWait for it to end, or cancel it, before starting a transfer.";
    static inline const std::string ImportDuringImport =
        "An import is running.\nWait for it to end, or cancel it, before importing more.";
    /// The questions asked before closing while a job runs.
    static inline const std::string CloseDuringTransfer =
        "A transfer is running. Cancel it and close?";
    static inline const std::string CloseDuringImport =
        "An import is running. Cancel it and close?";

private:
    TPatchContext FCtx;
    TSynth FSynth{*this};
    TIniFile FIni;
    TIniSection FSection{FIni, FSynth.Section};
    TOptionGroups FOptions;

    std::unique_ptr<TPatchRec> FEditPatch;
    std::unique_ptr<TPatchRec> FProbePatch;
    std::unique_ptr<TPatchRec> FBlankPatch;
    std::unique_ptr<TPatchLib> FLib;
    std::array<std::unique_ptr<TPatchBank>, 4> FUserBank;
    std::unique_ptr<TPatchBank> FClipBank;
    std::unique_ptr<TPatchBank> FRomBank;
    TPatchBank* FXferBank = nullptr;
    TPatchBank* FActionBank = nullptr;
    TPatchRec* FRxPatch = nullptr;
    /// The dump being received is gathered here and reaches FRxPatch only when all eight
    /// packets came whole: a lost or cut packet must not leave a patch that mixes two presets.
    TPatchData FRxStage;
    /// Bit p set: packet p of the dump being gathered came whole.
    uint8_t FRxSeen = 0;
    /// Length of each packet gathered, F0 to F7.
    std::array<int, TDumpSizes::PacketCount> FRxLengths{};
    TRxMode FRxMode = TRxMode::None;
    std::string FStartDir;
    std::string FDocumentsDir;
    TWorkFolders FFolders;

    /// The synth's replies (64000-item ring, 64 SysEx buffers of 1024 bytes, SysEx only),
    /// a keyboard passed through to the synth, and the messages to the synth.
    std::unique_ptr<TMidiInput> FMidiSynthToPC;
    std::unique_ptr<TMidiInput> FMidiKbdToPC;
    std::unique_ptr<TMidiOutput> FMidiPCToSynth;

    /// The SysEx message being dispatched.
    static constexpr size_t RxBufferSize = 64000;
    std::vector<uint8_t> FRxBuffer;
    size_t FRxLength = 0;
    /// The long job under way; a transfer's bank is FXferBank.
    TRunning FRunning = TRunning::None;
    QTimer FBankTimer;
    QTimer FTimedOut;
    QTimer FSendTimer;

    /// How the fetch machine asks for the next preset.
    enum class TRequestNext { Preset, ViaProgramChange };
    TRequestNext FRequestNext = TRequestNext::Preset;

    // The transfer in progress.
    int FCurPreset = 0;
    bool FRomXfer = false;
    bool FRomViaEditBuffer = false;
    int FRomBankNo = 0;
    /// The ROM bank list's selected entry and the ROM fetch method (rgLoadMethod).
    int FRomBankListIndex = 0;
    TLoadMethod FLoadMethod = TLoadMethod::DirectRom;
    bool FSending = false;

    bool FBusy = false;
    bool FSynthFound = false;
    bool FExpectIdentity = false;
    bool FExpectHwConfig = false;
    bool FExpectChannel = false;
    bool FExpectDump = false;
    uint8_t FSynthChannel = 0;
    int FSynthInDev = -1;
    int FKbdInDev = -1;
    int FSynthOutDev = -1;
    int FRomIndex = 0;
    std::string FBlankName;
    /// The receive view: 0..3 a user bank's, 99 the ROM bank's.
    int FRxView = 0;
    std::string FBankLabel;

    /// Tests read the transfer machine's bookkeeping through it, never write it.
    friend struct TWorkspaceProbe;

    // The synth record's link.
    bool SendLong(std::span<const uint8_t> message) override;
    void SendShort(uint8_t status, uint8_t data1, uint8_t data2) override;
    void Await(TReply reply) override;
    /// The ROM and bank a direct ROM fetch names in its requests; none for other fetches.
    std::optional<TSynth::TRomSource> DirectRom() const;

    /// Opens the chosen device (or "None") on one of the two inputs, after the sharing
    /// question where the other input has it. True when a device was chosen and opened.
    bool ChooseInput(TPort port, int entry);
    /// Writes a port's key in the MidiDevices section, unless choices are not remembered.
    void RememberDevice(TPort port, const std::string& text);
    /// Reads a single-patch file into the blank patch; a file that does not frame at the
    /// synth's sizes leaves it as it was and answers false.
    bool LoadBlankFile(const std::string& path);

    /// The bank a view shows: 0..3 a user bank, RomTab the ROM bank, else none.
    TPatchBank* ViewBank(int view);
    /// The bank the popup and keyboard commands take for a press in a view.
    TPatchBank& ActionBankOf(int view);
    /// The patch of a bank slot on the synth's edit buffer; nothing while a transfer runs.
    void AuditionSlot(TPatchBank& bank, int slot);
    /// All Sound Off, then a copy of the patch addressed to the synth's edit buffer, its
    /// messages paced on the event loop; the patch itself keeps its bytes.
    void AuditionCopy(const TPatchRec& patch);
    /// The audition's messages, a pause apart; any other message to the synth first lets the
    /// rest of them go (TWorkspace::SendLong).
    TAuditionPacer FAudition{
        [this](std::span<const uint8_t> message) { return FSynth.SendUnpaused(message); },
        [this] { return !FBusy; }, [this](const std::function<void()>& step) { RunGuarded(step); }};
    /// Whether a transfer is walking the bank's list of slots.
    bool TransferOn(const TPatchBank& bank) const;
    /// Shows the warning and answers true when an import runs (the library commands' check).
    bool RefusedDuringImport();
    /// Shows the warning and answers true when a transfer walks the bank.
    bool RefusedOnTransferBank(const TPatchBank& bank, const std::string& warning);
    /// Whether a transfer must not start now: another job runs. An import says so in a
    /// warning; a transfer running already is refused without one (its buttons are disabled).
    bool TransferRefused();
    /// A fetch into a user bank is being cut short: the bank is left half-filled.
    void NoteFetchCut();
    /// The enabled states of the commands, as Status() reports them.
    void CommandStates(TWorkspaceStatus& s) const;
    /// Mix and Morph as the last click in the library left them (see MixEnabled).
    bool FMixOn = false;
    bool FMorphOn = false;
    void SetMixMorph(bool mix, bool morph);
    /// Half-filled banks: a fetch into them was cancelled or failed. Their contents are
    /// never taken for saved ones: they stay marked unsaved across the end-of-run backup.
    std::array<bool, 4> FHalfFetched{};

    std::array<bool, 5> FBankDirty{}; ///< user banks 0..3, then the ROM bank
    IWorkspaceView& FView;
    IMidiDriver* FDriver;
    /// The setup dialog's request timer: the edit-buffer request that follows a search.
    QTimer FReqTimer;
    int FTab = 0;
    int FFocusView = 1;
    bool FRememberDevices = true;

    // The last mouse press in a bank view; FPressedInView tells a click from a keyboard
    // move's. FPressSlot is the slot of the pressed row, -1 for the title row or outside.
    bool FPressedInView = false;
    int FPressView = -1;
    TMouseButton FPressButton = TMouseButton::Left;
    TShiftState FPressShift;
    int FPressSlot = -1;
    /// The rename box: showing, and the slot it renames. The target is fixed when the box is
    /// prepared, so a tab change or a key in a view while it shows cannot move the rename to
    /// another patch.
    bool FRenameShowing = false;
    TPatchBank* FRenameBank = nullptr;
    int FRenameSlot = -1;
    /// The port lists' texts, inputs then outputs, as last listed. The setup dialog's lists
    /// are built once; the status reads these instead of asking the driver each time.
    mutable std::array<std::optional<std::vector<std::string>>, 2> FPortLists;

    // The library grid. The last press in the grid (its row as the grid numbers them) and
    // whether its click is still to come: FPressedInView is shared with the bank views.
    bool FLibPressPending = false;
    TMouseButton FLibPressButton = TMouseButton::Left;
    TShiftState FLibPressShift;
    int FLibPressColumn = -1;
    int FLibPressRow = -1;
    /// The in-cell editor is showing, and the column it edits: fixed when it is shown, so a
    /// press elsewhere before Enter cannot move the text to another column.
    bool FGridEditorShowing = false;
    int FGridEditColumn = -1;
    int FLibSortColumn = -1;
    bool FLibSortDescending = false;

    /// The library patch shown in a grid row, or none for the title row and beyond the last.
    TPatchRec* LibPatchAt(int row);
    /// Sends a library patch to the synth's edit buffer; nothing while a transfer runs.
    void AuditionLibPatch(int row);
    /// Deselects every bank, as a press in the library grid does.
    void LeaveBanksForLibrary();
    /// Adds a bank's slots (only the marked ones when onlyMarked) to the library.
    void AddBankToLibrary(TPatchBank& bank, bool onlyMarked);
    void SortLibrary(int column);
    void ApplyGridEdit(const std::string& text);

    /// The ROM bank's origin and the names it had then (see RomBankOrigin).
    std::optional<TRomBankOrigin> FRomOrigin;
    /// What the ROM tab's label shows: the bank's file, or where the bank came from.
    std::string FRomBankLabel;
    void ShowRomBankLabel(const std::string& text);
    std::array<std::string, TPatchBank::SlotCount> FRomOriginNames;
    /// A whole ROM fetch ended: the ROM bank now holds the fetched ROM bank.
    void NoteRomBankOrigin();

    // The history of changes (WorkspaceUndo.cpp).
    TUndoHistory FUndo{[this](int container, const TUndoHistory::TSnapList& list, bool modified,
                              const TUndoHistory::TSource* source) {
        RestoreContainer(container, list, modified, source);
    }};
    /// The containers' present lists; a bank a fetch is filling is left out until it ends.
    std::array<std::optional<TUndoHistory::TSnapList>, TUndoHistory::ContainerCount>
    CaptureContainers();
    /// Which containers' modified marks are clear.
    std::array<bool, TUndoHistory::ContainerCount> CleanMarks() const;
    /// The files the containers name now.
    TUndoHistory::TSources Sources() const;
    TPatchBank& UndoBank(int container);
    void RestoreContainer(int container, const TUndoHistory::TSnapList& list, bool modified,
                          const TUndoHistory::TSource* source);
    /// Undo (back) or Redo, after the checks both make.
    void StepHistory(bool back);
    /// Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y in a bank view or the library grid.
    void HistoryKey(int key, TShiftState shift);
    void ReportUndoState();
    /// After a save or a send: what it rewrote in the dumps (their addresses) becomes the
    /// recorded contents without a step, and the marks it cleared are noted as saved.
    void AbsorbUndoState();

    // The library filter (WorkspaceLibraryFilter.cpp).
    /// The filter's text as typed, and its words with their letters folded to lower case.
    std::string FLibFilter;
    std::vector<std::string> FLibFilterWords;
    /// A flag per library index (the patch passes) and how many pass; both follow the
    /// library only through ReapplyLibraryFilter.
    std::vector<char> FLibShown;
    int FLibVisibleCount = 0;
    /// Whether a patch holds every word of the filter in one of its five cells.
    bool PassesLibFilter(const TPatchRec& patch) const;
    /// The next grid row at or beyond row (step +1) or at or before it (step -1) that shows
    /// under the filter; -1 when none.
    int NextVisibleLibRow(int row, int step) const;

    // Importing (WorkspaceImport.cpp).
    /// The import under way, one file after the other on the import timer; none between
    /// imports.
    struct TImportEnd {
        void operator()(TLibraryImport* import) const;
    };
    std::unique_ptr<TLibraryImport, TImportEnd> FImport;
    QTimer FImportTimer;
    bool FImportTimerWired = false;
    void StartImport(const std::vector<std::string>& paths);
    void ImportTimerTimer();
    /// Ends the import (also when cancelled): progress hidden, commands back, the summary.
    void EndImport();
    bool ImportSkipDuplicates() const;
    void ImportStatus(TWorkspaceStatus& s) const;

    // Checked sends (WorkspaceCheckedSend.cpp).
    /// A send that waits for the synth's answers runs; taken from the mode when it starts.
    bool FCkRunning = false;
    /// The closed-loop packets of the patch being sent, header first, and the one awaiting
    /// its answer (its index; Size() when all were answered).
    std::vector<sysex::TBytes> FCkPackets;
    size_t FCkPacket = 0;
    /// Times the awaited packet was sent again after a NAK or for want of an answer.
    int FCkResends = 0;
    /// Every packet of the patch being sent was acknowledged so far.
    bool FCkAcked = true;
    /// The patch is given up after too many NAKs or silences: the synth is told to drop it.
    bool FCkGiveUp = false;
    /// The slots of this pass that were not acknowledged, in the order sent.
    std::vector<int> FCkUnacked;
    /// The pass over the bank (1 the first; the later ones send again what was not
    /// acknowledged), its slots in order and the place of the patch being sent among them.
    int FCkPass = 0;
    std::vector<int> FCkPassSlots;
    size_t FCkPassPos = 0;
    TCheckedSendOutcome FCkOutcome;
    /// How long an answer is awaited before the packet is sent again.
    QTimer FCkReplyTimer;
    /// Runs the next step once the dispatch of the answer has ended (nothing may be sent
    /// from inside it).
    QTimer FCkStepTimer;

    void StartCheckedPatch(TPatchRec& patch, int slot, int bankNumber);
    /// Sends the patch at the pass's place, with its caption and progress.
    void SendCheckedSlot();
    /// A NAK or a silence: the packet goes again, or the patch is given up.
    void ResendOrGiveUp();
    void SendCheckedPacket();
    void CheckedStep();
    void CheckedReplyTimeOut();
    void NextCheckedPatch();
    /// Takes the synth's answer to a packet while a checked send runs; false for any other
    /// message.
    bool HandleHandshake(std::span<const uint8_t> message);
    /// The synth's CANCEL: the send ends with the error box that says where.
    void CheckedSendCancelled();
    /// Stops the checked send's timers and state, as a cancel or a failure ends the send.
    void StopCheckedSend();
};

} // namespace velcora
