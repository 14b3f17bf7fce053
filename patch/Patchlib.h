#pragma once

#include "Patchrec.h"
#include "RecordPool.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velcora {

class ILibraryListener;
class TByteWriter;
class TPatchBank;
struct TPatchContext;

/// The patch library: up to 20000 patches with notes, in display order.
class TPatchLib {
public:
    static constexpr int MaxPatches = 20000;
    /// The grid's columns: Type, Name, Note 1, Note 2, Note 3.
    static constexpr int ColumnCount = 5;
    /// How many characters of a cell the sort compares.
    static constexpr size_t SortKeyLength = 50;
    static inline const std::string NoLibFile = "NoLib.syx";

    explicit TPatchLib(TPatchContext& ctx);
    TPatchLib(const TPatchLib&) = delete;
    TPatchLib& operator=(const TPatchLib&) = delete;
    ~TPatchLib();

    int Count() const { return static_cast<int>(FPatches.size()); }
    TPatchRec& Patch(int i) { return *FPatches.at(static_cast<size_t>(i)); }
    const TPatchRec& Patch(int i) const { return *FPatches.at(static_cast<size_t>(i)); }
    void SetListener(ILibraryListener* listener) { FListener = listener; }

    const std::string& FileName() const { return FFileName; }
    /// The library file the settings open at the next start, as last read or written.
    const std::string& RememberedFile() const { return FRemembered; }
    /// Names a file again (undo of a load): the file name, the caption's title and the
    /// settings' entry. The modified mark is left to the caller.
    void RestoreFile(const std::string& fileName, const std::string& remembered);
    const std::string& TitlePrefix() const { return FTitlePrefix; }
    const std::string& Caption() const { return FCaption; }
    /// Patches were added or removed since the last load or save.
    bool Modified() const { return FModified; }
    void SetModified(bool modified) { FModified = modified; }
    /// The marked rows, ascending, as of the last BuildSelection.
    const std::vector<int>& Selection() const { return FSelection; }

    /// The text a patch shows in a column of the grid: the type, the name proper, a note.
    static std::string CellText(const TPatchRec& patch, int column);

    /// Removes every patch.
    void Clear();
    /// The library becomes unmarked copies of the patches, in their order, with one reset of
    /// the grid (a library of 20000 patches would be slow as row events). The modified mark
    /// and the caption are left to the caller.
    void ReplaceAll(std::span<const TPatchRec* const> patches);
    /// Tells the grid to show every row anew.
    void Redraw();
    /// Appends a marked copy of the patch; false when the library is full.
    bool Add(const TPatchRec& patch);
    void Remove(int index);
    /// Caption := the file's base name + " : " + count.
    void UpdateTitle();
    /// An untitled library holding only the blank patch.
    void NewLibrary();
    void DeselectAll();
    void DeselectAllAndRepaint();
    /// Marks changed: the grid repaints them.
    void Repaint();
    /// The contents of patches first..last changed (names, notes).
    void ShowRows(int first, int last);
    /// Sets the modified mark and the "*" of the caption, for changes that add or remove no
    /// patch (edits, swaps).
    void MarkModified() { TouchAfterChange(); }
    /// Orders the patches by the first SortKeyLength characters of a column's cell, compared
    /// case-sensitively in the person's locale (equal keys keep their order), then clears
    /// every mark and redraws.
    void Sort(int column, bool descending);
    void BuildSelection();
    void DeleteSelected();
    void SwapTwo();
    /// The marked patches, in order, become the clipboard (at most 128).
    void CopySelection();
    /// Inserts the clipboard before the first marked patch, or at the end.
    void Paste();
    /// Marks every patch that equals an earlier one apart from its name; returns how many.
    /// With `among`, only the patches it accepts (by index) are compared and marked.
    int DeDup(const std::function<bool(int)>& among = nullptr);
    /// Fills the bank with patches whose values come at random from the marked patches.
    /// False (nothing changed) with fewer than two marked.
    bool Mix(TPatchBank& bank);
    bool Mix(TPatchBank& bank, uint32_t seed);
    /// Fills the bank with 128 steps from the first marked patch towards the second.
    bool Morph(TPatchBank& bank);

    /// The start-up load from the settings; returns the name found there.
    std::string LoadDefault();
    /// Loads a library file without a dialog; true when it was read.
    bool LoadFileByName(const std::string& fileName);
    bool LoadFileDialog();
    /// True when the library was written.
    bool SaveFileDialog();

    /// Reads library-file bytes after checking all of them; nothing changes when they are
    /// not a whole library of this synth's dumps. True when read.
    bool LoadBytes(std::span<const uint8_t> bytes);
    /// An entry for each patch that does not fit a file of the current sizes
    /// (TPatchRec::FitsFile): its number from 1 and its name.
    std::vector<std::string> UnfitPatches() const;
    /// The library-file bytes of the whole library.
    void WriteLibrary(TByteWriter& out);

private:
    bool CheckBytes(std::span<const uint8_t> bytes, int& count);
    void SetCaption(std::string caption);
    void TouchAfterChange();
    /// The library now is this file: title, unmodified, remembered in the settings.
    void TakeFile(const std::string& fileName);

    TPatchContext& FCtx;
    ILibraryListener* FListener = nullptr;
    TRecordPool FPool;
    std::vector<TPatchRec*> FPatches; ///< display order; the records belong to FPool
    TPatchRec FScratch;
    std::string FFileName;
    std::string FRemembered;
    std::string FTitlePrefix = " : ";
    std::string FCaption;
    bool FModified = false;
    bool FBulk = false; ///< a file is being read: one reset at the end instead of row events
    std::vector<int> FSelection;
};

} // namespace velcora
