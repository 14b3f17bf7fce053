#pragma once

#include "EndBanks.h"
#include "LoadMethod.h"

#include <cstddef>
#include <string>

namespace velcora {

/// The three MIDI ports the setup dialog chooses devices for.
enum class TPort { SynthInput, SynthOutput, KbdInput };

/// The long job under way: at most one runs at a time, and it decides what is enabled and
/// what is refused.
enum class TRunning { None, Transfer, Import };

/// One port as its setup-dialog list shows it.
struct TPortStatus {
    /// The chosen device's index, -1 for "None".
    int Device = -1;
    /// The list entry to show selected: the device's index, or the last entry, "None".
    int Entry = 0;
    /// That entry's text.
    std::string Name;
    bool Open = false;
};

/// What the windows read of the run, taken at one moment; they never read or write the
/// workspace's fields.
struct TWorkspaceStatus {
    bool SynthFound = false;
    /// After its identity, the synth's hardware configuration or MIDI channel is still
    /// awaited: its ROMs and channel are not known yet.
    bool AwaitingSynthDetails = false;
    /// A preset dump asked for (a fetch's next preset, the edit buffer) has not come yet.
    bool AwaitingDump = false;
    /// The long job under way, if any.
    TRunning Running = TRunning::None;
    /// A fetch or a send shows its progress: the transfer commands are disabled.
    bool TransferRunning = false;
    // What the windows enable; they read it, they never work it out for themselves.
    /// The transfer, file and library commands: nothing runs.
    bool CommandsEnabled = true;
    /// Get Selected and Send Selected: nothing runs and the current user bank has marks.
    bool GetSendSelectedEnabled = false;
    /// "User to Lib": nothing runs, and the whole bank is added or it has marks.
    bool UserToLibEnabled = true;
    /// Mix wants two or more marked library patches, Morph exactly two, as the last click
    /// in the library left them; both off while anything runs.
    bool MixEnabled = false;
    bool MorphEnabled = false;
    /// SysEx messages the synth output port holds that its device has not sent yet: closing
    /// the port drops them.
    size_t OutputPending = 0;
    /// The bank tab showing, 0..3 a user bank, 4 the ROM bank.
    int Tab = 0;
    int CurUserBank = 0;
    /// The bank the bank popup and keyboard commands act on: 0..3, or 99 the ROM bank.
    int ActionBank = 0;
    /// The view that gets the focus back: 0 the library grid, 1..4 user banks 0..3, 5 ROM.
    int FocusView = 1;
    /// The rename box over a bank view is showing: presses in the views only give it the
    /// focus back.
    bool RenameBoxShowing = false;
    /// A mouse press in a bank view awaits its click.
    bool PressedInView = false;
    /// The library grid's in-cell editor is showing: presses in the grid only give it the
    /// focus back.
    bool GridEditorShowing = false;
    /// The column the library was last sorted by (-1: never), and whether that sort was
    /// descending; the next click on that title sorts the other way.
    int LibSortColumn = -1;
    bool LibSortDescending = false;
    TLoadMethod LoadMethod = TLoadMethod::DirectRom;
    int RomIndex = 0;
    int RomBankListIndex = 0;
    int TimeBetweenSysex = 0;
    int TimeBetweenPatches = 0;
    TPortStatus SynthInput;
    TPortStatus SynthOutput;
    TPortStatus KbdInput;
    TDirtyFlags Dirty{};
    /// The blank file's name without folder and extension, as the setup dialog shows it.
    std::string BlankName;
    /// The edit-buffer file last loaded or saved: the next dialog's proposed name.
    std::string EditFile;
    /// What Undo and Redo would act on (the steps' labels), empty when nothing.
    std::string UndoText;
    std::string RedoText;
    /// The library filter's text, and how many library patches pass it.
    std::string LibFilter;
    int LibVisibleCount = 0;
    /// Sends wait for the synth's acknowledgement of every packet.
    bool CheckedSends = false;
    /// An import of preset collections runs: its progress shows, commands are disabled.
    bool ImportRunning = false;
    /// The import option "Skip duplicates".
    bool ImportSkipDuplicates = true;
};

} // namespace velcora
