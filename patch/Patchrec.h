#pragma once

#include "Patchdata.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velcora {

class TByteReader;
class TByteWriter;
struct TPatchContext;

/// One patch: its preset dump, a selected mark, the cached name and three free-text notes.
/// Records are copied by value (CopyTo), never shared.
class TPatchRec {
public:
    static constexpr int NoteCount = 3;
    /// The longest note a library file can hold; the reader takes at most this many bytes
    /// plus the terminator.
    static constexpr size_t MaxNoteLength = 999;
    static inline const std::string PlaceholderName = "1234567890123456";

    TPatchRec() = default;
    TPatchRec(const TPatchRec&) = delete;
    TPatchRec& operator=(const TPatchRec&) = delete;

    /// Empties the record; once the workspace exists it becomes the blank patch (MakeBlank).
    void Init(const TPatchContext& ctx);
    /// This record becomes a copy of the context's blank patch when that is framed at the
    /// current sizes, else the built-in blank patch of those sizes (SetBuiltInBlank).
    void MakeBlank(const TPatchContext& ctx);
    /// This record becomes the built-in blank patch of the sizes: unmarked, without notes.
    void SetBuiltInBlank(const TDumpSizes& sizes);
    /// dest takes the mark, the name, the notes and the dump.
    void CopyTo(TPatchRec& dest) const;

    /// name := the 16 name bytes of the dump.
    void ReadName();
    /// Writes the first 16 characters of text (padded with spaces) into the name bytes and
    /// marks the checksums; the cached name keeps the padded text. Every name the program
    /// puts into a dump passes here and comes out as printable 7-bit text (SevenBitName).
    void SetName(std::string_view text, const TDumpSizes& sizes);
    /// Sets the checksum byte of every packet to 7F, which the synth takes as "no checksum".
    void MarkChecksums(const TDumpSizes& sizes);
    void SetDeviceId(uint8_t deviceId, const TDumpSizes& sizes);
    /// Addresses the dump to a slot (low) of a bank (high); clears header bytes 33 and 34.
    void SetPresetNumber(uint8_t low, uint8_t high);

    /// Whether the dump can go into a file of the current sizes: framed at them, or a blank
    /// patch (a cleared record, or the blank patch of other sizes), which WriteDump writes as
    /// the blank of these. A real patch of other sizes cannot: the readers take files of one
    /// size only, so a writer refuses the save (UnfitPatchesText) rather than lose it.
    bool FitsFile(const TPatchContext& ctx) const;
    /// The cached name without its trailing blanks, as lists of patches name it.
    std::string ShownName() const;

    /// Appends the eight packets, with the synth's device id, addressed as held. A dump that
    /// is not framed at the current sizes would make the whole file unreadable: the blank
    /// patch (MakeBlank), addressed as this one, is written in its place; the record itself
    /// is left as it is. Writers check FitsFile first, so that only a blank is replaced.
    void WriteDump(TByteWriter& out, const TPatchContext& ctx);
    void WriteAddressed(TByteWriter& out, uint8_t low, uint8_t high, const TPatchContext& ctx);
    /// Reads one dump; on success the bank byte becomes the current user bank and the name is
    /// read. Answers what ReadPackets found.
    TReadResult ReadDump(TByteReader& in, const TPatchContext& ctx);

    /// Each note as its bytes and one 00 byte; a longer note is cut to MaxNoteLength bytes
    /// so that the file reads back.
    void WriteNotes(TByteWriter& out) const;
    /// Each note up to its 00 byte, taking at most MaxNoteLength + 1 bytes per note.
    void ReadNotes(TByteReader& in);

    /// Loads a single-patch file chosen in a dialog into this record as an edit-buffer dump.
    /// Returns the chosen name, the default when cancelled, empty when the file failed.
    std::string LoadFileDialog(const std::string& defaultName, TPatchContext& ctx);
    /// Takes the first dump of single-patch file bytes as an edit-buffer dump, after reading
    /// it into the probe patch; false (this record unchanged) when it is not framed.
    bool LoadEditBufferBytes(std::span<const uint8_t> bytes, const TPatchContext& ctx);
    /// Loads a single-patch file without dialogs or messages (quiet mode for its duration).
    /// True when the file gave this record its dump.
    bool LoadFileQuiet(const std::string& fileName, TPatchContext& ctx);
    /// Saves this patch to a file chosen in a dialog. Returns the chosen name, the default
    /// when the dialog was cancelled, empty when the save was cancelled or failed.
    std::string SaveFileDialog(const std::string& defaultName, TPatchContext& ctx);

    bool Selected() const { return FSelected; }
    void SetSelected(bool selected) { FSelected = selected; }
    const std::string& Name() const { return FName; }
    /// Characters 1-3 of the cached name (the type) and 5-16 (the name proper).
    std::string TypePart() const;
    std::string NamePart() const;
    const std::string& Note(int i) const { return FNotes.at(static_cast<size_t>(i)); }
    void SetNote(int i, std::string text) { FNotes.at(static_cast<size_t>(i)) = std::move(text); }
    TPatchData& Dump() { return FDump; }
    const TPatchData& Dump() const { return FDump; }

private:
    /// Sets header bytes 7 and 8 only, as a file loaded into the edit buffer is stamped.
    void SetPresetNumberBytes(uint8_t low, uint8_t high);

    bool FSelected = false;
    std::string FName = PlaceholderName;
    std::array<std::string, NoteCount> FNotes;
    TPatchData FDump;
};

} // namespace velcora
