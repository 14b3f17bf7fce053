#pragma once

#include "Patchrec.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace velcora {

class IBankListener;
class TByteReader;
struct TPatchContext;

enum class TInsertMode { Overwrite, Pushdown };
enum class TDeleteMode { PutBlank, PullUp };

/// 128 patch slots as the synth numbers them, a hidden extension of 128 more that catches
/// patches pushed past slot 127 and gives them back on pull-up, a swap spare and a scratch
/// patch for file checks.
class TPatchBank {
public:
    static constexpr int SlotCount = 128;
    static constexpr int HiddenEnd = 256; ///< one past the last hidden slot
    static constexpr int SwapSpare = 256;
    static constexpr int Scratch = 257;
    static constexpr int TotalSlots = 258;
    static constexpr int RomBankNumber = 99;
    static constexpr int ClipBankNumber = 100;
    static inline const std::string NoBankFile = "NoBank.syx";

    /// hasView: the bank is shown (user and ROM banks); Refresh works only on shown banks.
    TPatchBank(TPatchContext& ctx, int bankNumber, std::string displayName, bool hasView);
    TPatchBank(const TPatchBank&) = delete;
    TPatchBank& operator=(const TPatchBank&) = delete;
    ~TPatchBank();

    TPatchRec& Slot(int i) { return *FSlots.at(static_cast<size_t>(i)); }
    const TPatchRec& Slot(int i) const { return *FSlots.at(static_cast<size_t>(i)); }

    int BankNumber() const { return FBankNumber; }
    const std::string& DisplayName() const { return FDisplayName; }
    /// "RomBank" for the ROM bank, "UserBank" + number otherwise.
    const std::string& SettingsKey() const { return FSettingsKey; }
    const std::string& FileName() const { return FFileName; }
    void SetFileName(std::string name) { FFileName = std::move(name); }
    bool HasView() const { return FHasView; }
    void SetListener(IBankListener* listener) { FListener = listener; }

    /// The slots a transfer or a swap works on, ascending.
    const std::vector<int>& Selection() const { return FSelection; }
    int SelectionCount() const { return static_cast<int>(FSelection.size()); }
    int XferPos() const { return FXferPos; }
    void SetXferPos(int pos) { FXferPos = pos; }

    /// Appends an entry for each of slots 0..127 that does not fit a file of the current
    /// sizes (TPatchRec::FitsFile): display name, slot and patch name.
    void ListUnfit(std::vector<std::string>& into) const;

    /// Lists all slots 0..127, or only the marked ones.
    void BuildSelection(bool onlySelected);
    /// Counts the marked slots among 0..127 into SelectedCount (the list is left as it was).
    int CountSelected();
    /// The count of the last CountSelected or BuildSelection.
    int SelectedCount() const { return FSelectedCount; }
    void SelectAll();
    void DeselectAll();
    void DeselectAllAndRepaint();

    /// Every slot becomes a copy of the blank patch, then Refresh.
    void Reset();
    /// Marks the checksums and re-reads the names of slots 0..127 and redraws them.
    void Refresh();
    /// Reads dumps into slots 0..127 from the start, ignoring failures; then Refresh.
    void ReadAll(TByteReader& in);
    /// Redraws every row from the cached names, without touching the dumps.
    void ShowNames() { RowsChanged(0, SlotCount - 1); }
    /// Redraws one row (slots of the hidden extension have none).
    void ShowName(int slot) { RowsChanged(slot, slot); }
    /// Copies slot 127 into every hidden slot.
    void FillHidden();

    /// The marked slots, in order, become the clipboard.
    void CopySelection();
    void Paste(TInsertMode mode);
    void DeleteSelected(TDeleteMode mode);
    /// Swaps the two marked slots; an error box when other than two are marked.
    void SwapTwo();

    /// Loads a bank file chosen in a dialog; true when the bank was loaded.
    bool LoadFileDialog();
    /// Loads a bank file without a dialog; the bank's file name stays. True when loaded.
    bool LoadFileByName(const std::string& fileName);
    /// Saves the bank, every slot addressed to itself; true when written.
    bool SaveFileDialog();
    /// The start-up load from the bank's settings key; returns the name it found there.
    std::string LoadDefaultFile();

    /// Loads bank-file bytes after the checks every bank load makes; true when loaded.
    bool LoadBytes(std::span<const uint8_t> bytes);
    /// The bank-file bytes: slots 0..127, each addressed to its own slot of this bank.
    void WriteBank(TByteWriter& out);

private:
    void CopyBlankInto(TPatchRec& rec) const;
    void RowsChanged(int first, int last);
    void Repaint();

    TPatchContext& FCtx;
    std::string FDisplayName;
    std::string FSettingsKey;
    std::string FFileName;
    bool FHasView;
    IBankListener* FListener = nullptr;
    std::array<std::unique_ptr<TPatchRec>, TotalSlots> FSlots;
    int FBankNumber;
    std::vector<int> FSelection;
    int FSelectedCount = 0;
    int FXferPos = 0;
};

} // namespace velcora
