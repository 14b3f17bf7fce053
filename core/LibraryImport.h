#pragma once

#include "DumpSizes.h"
#include "Patchrec.h"
#include "PresetScan.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velcora {

class TPatchLib;
struct TPatchContext;

/// Why a file gave no preset.
enum class TImportSkip {
    NotSysex,   ///< no SysEx message at all
    OtherSysex, ///< only SysEx that is no preset dump (setup, arpeggiator patterns, others)
    OtherModel, ///< preset dumps of another model class
    Damaged,    ///< preset dumps cut short, not framed or with wrong checksums
    Unreadable, ///< could not be read, or too large to be a preset collection
};
constexpr int ImportSkipCount = 5;

/// What an import did: the one summary the window and the command line show.
struct TImportSummary {
    int Files = 0; ///< files looked at
    int FilesWithPresets = 0;
    /// Files that gave presets and also held other things (skipped as they were).
    int MixedFiles = 0;
    /// What those files held besides their presets: SysEx messages that are no preset, dumps
    /// of another model class, damaged dumps; and whether any held bytes outside SysEx.
    int InsideOtherSysex = 0;
    int InsideOtherModel = 0;
    int InsideDamaged = 0;
    bool InsideNotSysex = false;
    int Added = 0;
    int Duplicates = 0;
    int LeftOut = 0; ///< presets that found the library full
    std::array<int, ImportSkipCount> Skipped{};
    bool Cancelled = false;
    int NotRead = 0; ///< files a cancel left unread
    /// Folders that could not be opened or read to their end; the rest of the tree is read.
    int UnreadableFolders = 0;

    int SkippedFiles() const;
    /// The lines of the summary, e.g. "Imported 812 presets from 830 files.\nDuplicates
    /// skipped: 12\nFiles skipped: 3 not SysEx, 1 damaged". A file that gave presets is not
    /// a skipped file; what else it held is told on a line of its own.
    std::string Text() const;
};

/// Adds the preset dumps found in files and folders to the library, one file at a time, so
/// that memory follows the library and not the number of files. Folders are searched
/// recursively in name order; symbolic links to folders are not followed, so a link loop
/// cannot trap it. A library file's patches come with their notes.
class TLibraryImport {
public:
    /// Files larger than this are skipped as unreadable: no preset collection file is near it.
    static constexpr size_t MaxFileBytes = 64u << 20;

    TLibraryImport(TPatchLib& lib, const TPatchContext& ctx, bool skipDuplicates);

    /// Collects the files of the paths (a path that is neither file nor folder, or a link
    /// whose file is gone, counts as an unreadable file; a folder that cannot be read is
    /// counted as such, and the walk goes on with the rest).
    void CollectFiles(const std::vector<std::string>& paths);
    int FileCount() const { return static_cast<int>(FFiles.size()); }
    int FilesDone() const { return static_cast<int>(FNext); }
    bool Finished() const { return FNext >= FFiles.size() || FSummary.Cancelled; }

    /// Imports the next file; false when there was none.
    bool ImportNext();
    /// Imports everything left.
    void ImportAll();
    /// Stops before the next file; what was added stays.
    void Cancel();

    const TImportSummary& Summary() const { return FSummary; }

    /// The bytes of one file, as ImportNext takes them (exposed for tests and benchmarks).
    void ImportBytes(std::span<const uint8_t> bytes);

private:
    void IndexLibrary();
    /// Adds one found dump with these notes (none for a SysEx file).
    void AddFound(const TFoundDump& packets, const std::array<std::string_view, 3>& notes);
    /// Whether a patch equal to the scratch one apart from its name is in the library.
    bool InLibrary(uint64_t hash) const;

    TPatchLib& FLib;
    const TPatchContext& FCtx;
    TDumpSizes FSizes;
    bool FSkipDuplicates;
    std::vector<std::string> FFiles;
    size_t FNext = 0;
    TImportSummary FSummary;
    TPatchRec FScratch;
    /// Library rows by the hash of the bytes the duplicate test compares.
    std::unordered_multimap<uint64_t, int> FIndex;
};

} // namespace velcora
