#include "LibraryImport.h"

#include "PatchContext.h"
#include "Patchlib.h"
#include "PresetScan.h"
#include "SafeFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace velcora {

namespace fs = std::filesystem;

namespace {

const char* const SkipWords[ImportSkipCount] = {"not SysEx", "other SysEx", "other model",
                                                "damaged", "unreadable"};

std::string Plural(int n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

struct TWalk {
    std::vector<std::string> Found;
    int UnreadableFiles = 0;
    int UnreadableFolders = 0;
};

/// The regular files under a folder and its subfolders, without following folder links (so a
/// link loop cannot trap the walk). Each folder is read on its own: one that cannot be
/// opened, or whose reading fails halfway, is counted and the walk goes on with the others.
void WalkFolder(const fs::path& folder, TWalk& walk) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        ++walk.UnreadableFolders;
        return;
    }
    std::vector<fs::path> folders;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            ++walk.UnreadableFolders;
            break;
        }
        std::error_code typeEc;
        const fs::file_status own = it->symlink_status(typeEc);
        if (typeEc) {
            ++walk.UnreadableFiles;
            continue;
        }
        if (fs::is_directory(own)) {
            folders.push_back(it->path());
            continue;
        }
        if (fs::is_symlink(own)) {
            // A link to a file is read as the file; one whose file is gone (or that loops)
            // is a file that cannot be read.
            const fs::file_status target = it->status(typeEc);
            if (typeEc || !fs::exists(target)) {
                ++walk.UnreadableFiles;
            } else if (fs::is_regular_file(target)) {
                walk.Found.push_back(it->path().string());
            }
            continue;
        }
        if (fs::is_regular_file(own)) {
            walk.Found.push_back(it->path().string());
        }
    }
    for (const fs::path& sub : folders) {
        WalkFolder(sub, walk);
    }
}

void Accumulate(TPresetScan& into, const TPresetScan& one) {
    into.Presets += one.Presets;
    into.OtherSysex += one.OtherSysex;
    into.OtherModel += one.OtherModel;
    into.Damaged += one.Damaged;
    into.StrayBytes += one.StrayBytes;
}

} // namespace

int TImportSummary::SkippedFiles() const {
    int n = 0;
    for (int k : Skipped) {
        n += k;
    }
    return n;
}

std::string TImportSummary::Text() const {
    std::string text = "Imported " + Plural(Added, "preset", "presets") + " from " +
                       Plural(Files, "file", "files") + ".";
    if (Cancelled) {
        text += "\nImport cancelled: " + Plural(NotRead, "file", "files") + " not read.";
    }
    text += "\nDuplicates skipped: " + std::to_string(Duplicates);
    if (SkippedFiles() > 0) {
        std::string parts;
        for (int k = 0; k < ImportSkipCount; ++k) {
            if (Skipped[static_cast<size_t>(k)] > 0) {
                parts += (parts.empty() ? "" : ", ") +
                         std::to_string(Skipped[static_cast<size_t>(k)]) + " " + SkipWords[k];
            }
        }
        text += "\nFiles skipped: " + parts;
    }
    if (MixedFiles > 0) {
        std::string parts;
        auto part = [&parts](const std::string& words) {
            parts += (parts.empty() ? "" : ", ") + words;
        };
        if (InsideDamaged > 0) {
            part(Plural(InsideDamaged, "damaged dump", "damaged dumps"));
        }
        if (InsideOtherModel > 0) {
            part(Plural(InsideOtherModel, "dump of another model", "dumps of other models"));
        }
        if (InsideOtherSysex > 0) {
            part(Plural(InsideOtherSysex, "other SysEx message", "other SysEx messages"));
        }
        if (InsideNotSysex) {
            part("data that is not SysEx");
        }
        text += "\nAlso skipped in " + Plural(MixedFiles, "file", "files") +
                " that held presets: " + parts;
    }
    if (UnreadableFolders > 0) {
        text += "\nFolders that could not be read: " + std::to_string(UnreadableFolders);
    }
    if (LeftOut > 0) {
        text += "\nLibrary full: " + Plural(LeftOut, "preset", "presets") + " left out.";
    }
    return text;
}

TLibraryImport::TLibraryImport(TPatchLib& lib, const TPatchContext& ctx, bool skipDuplicates)
    : FLib(lib), FCtx(ctx), FSizes(ctx.Sizes), FSkipDuplicates(skipDuplicates) {
    if (FSkipDuplicates) {
        IndexLibrary();
    }
}

void TLibraryImport::IndexLibrary() {
    FIndex.reserve(static_cast<size_t>(TPatchLib::MaxPatches));
    for (int i = 0; i < FLib.Count(); ++i) {
        FIndex.emplace(FLib.Patch(i).Dump().CompareHash(FSizes), i);
    }
}

void TLibraryImport::CollectFiles(const std::vector<std::string>& paths) {
    int unreadable = 0;
    for (const auto& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!ec && fs::is_directory(status)) {
            TWalk walk;
            WalkFolder(path, walk);
            // Name order over the whole tree, as the folder's files are listed by path.
            std::sort(walk.Found.begin(), walk.Found.end());
            FFiles.insert(FFiles.end(), walk.Found.begin(), walk.Found.end());
            unreadable += walk.UnreadableFiles;
            FSummary.UnreadableFolders += walk.UnreadableFolders;
        } else if (!ec && fs::is_regular_file(status)) {
            FFiles.push_back(path);
        } else {
            ++unreadable;
        }
    }
    FSummary.Files += unreadable;
    FSummary.Skipped[static_cast<size_t>(TImportSkip::Unreadable)] += unreadable;
}

bool TLibraryImport::InLibrary(uint64_t hash) const {
    const auto [first, last] = FIndex.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        // A row the library no longer has cannot be the duplicate.
        if (it->second < FLib.Count() &&
            FScratch.Dump().SameIgnoringName(FLib.Patch(it->second).Dump(), FSizes)) {
            return true;
        }
    }
    return false;
}

void TLibraryImport::AddFound(const TFoundDump& packets,
                              const std::array<std::string_view, 3>& notes) {
    // Stored as a dump read from a file is: every packet as it came, the bank byte the
    // current user bank's.
    TPatchData& dump = FScratch.Dump();
    dump.Clear();
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const auto& packet = packets[static_cast<size_t>(p)];
        std::memcpy(dump.Slot(p).data(), packet.data(), packet.size());
    }
    dump.Slot(0)[8] = static_cast<uint8_t>(FCtx.CurUserBank);
    for (int n = 0; n < TPatchRec::NoteCount; ++n) {
        FScratch.SetNote(n, std::string(notes[static_cast<size_t>(n)]));
    }
    uint64_t hash = 0;
    if (FSkipDuplicates) {
        hash = dump.CompareHash(FSizes);
        if (InLibrary(hash)) {
            ++FSummary.Duplicates;
            return;
        }
    }
    if (!FLib.Add(FScratch)) {
        ++FSummary.LeftOut;
        return;
    }
    // Unmarked: a command on the marks the person made must not reach the imported presets
    // too, least of all those the filter hides.
    FLib.Patch(FLib.Count() - 1).SetSelected(false);
    ++FSummary.Added;
    if (FSkipDuplicates) {
        FIndex.emplace(hash, FLib.Count() - 1);
    }
}

void TLibraryImport::ImportBytes(std::span<const uint8_t> bytes) {
    ++FSummary.Files;
    TPresetScan scan;
    if (const auto records = LibraryRecords(bytes, FSizes)) {
        // A library file: its notes are the person's own words about each patch, and go
        // along with it. Each record's dump is looked at as a file of its own.
        for (const TLibraryRecord& record : *records) {
            Accumulate(scan, ScanPresets(record.Dump, FSizes, [&](const TFoundDump& packets) {
                           AddFound(packets, record.Notes);
                       }));
        }
    } else {
        scan = ScanPresets(bytes, FSizes,
                           [this](const TFoundDump& packets) { AddFound(packets, {}); });
    }
    if (scan.Presets > 0) {
        ++FSummary.FilesWithPresets;
        if (scan.HasJunk()) {
            ++FSummary.MixedFiles;
            FSummary.InsideOtherSysex += scan.OtherSysex;
            FSummary.InsideOtherModel += scan.OtherModel;
            FSummary.InsideDamaged += scan.Damaged;
            FSummary.InsideNotSysex = FSummary.InsideNotSysex || scan.StrayBytes > 0;
        }
        return;
    }
    // The reason is the most telling thing the file held.
    TImportSkip reason = TImportSkip::NotSysex;
    if (scan.Damaged > 0) {
        reason = TImportSkip::Damaged;
    } else if (scan.OtherModel > 0) {
        reason = TImportSkip::OtherModel;
    } else if (scan.OtherSysex > 0) {
        reason = TImportSkip::OtherSysex;
    }
    ++FSummary.Skipped[static_cast<size_t>(reason)];
}

bool TLibraryImport::ImportNext() {
    if (Finished()) {
        return false;
    }
    const std::string& path = FFiles[FNext++];
    TFileRead file = ReadFilePrefix(path, MaxFileBytes + 1);
    if (!file.Ok || file.Bytes.size() > MaxFileBytes) {
        ++FSummary.Files;
        ++FSummary.Skipped[static_cast<size_t>(TImportSkip::Unreadable)];
        return true;
    }
    ImportBytes(file.Bytes);
    return true;
}

void TLibraryImport::Cancel() {
    if (!Finished()) {
        FSummary.NotRead = static_cast<int>(FFiles.size() - FNext);
        FSummary.Cancelled = true;
    }
}

void TLibraryImport::ImportAll() {
    while (ImportNext()) {
    }
}

} // namespace velcora
