#include "Patchlib.h"

#include "ByteStream.h"
#include "Dialogs.h"
#include "DumpFile.h"
#include "FileSave.h"
#include "LibraryListener.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "Patchbank.h"
#include "PresetNumber.h"
#include "SafeFile.h"
#include "SectionSettings.h"

#include <algorithm>
#include <cstring>
#include <locale>
#include <stdexcept>
#include <utility>

namespace velcora {

namespace {

constexpr size_t CountBytes = 4;

int32_t ReadCount(std::span<const uint8_t> bytes) {
    const uint32_t u = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                       static_cast<uint32_t>(bytes[2]) << 16 |
                       static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(u);
}

void WriteCount(TByteWriter& out, int32_t count) {
    const auto u = static_cast<uint32_t>(count);
    for (int i = 0; i < 4; ++i) {
        out.WriteByte(static_cast<uint8_t>(u >> (8 * i)));
    }
}

/// The largest library file worth reading: a full library with the longest notes.
size_t MaxLibraryBytes(const TDumpSizes& sizes) {
    return CountBytes + static_cast<size_t>(TPatchLib::MaxPatches) *
                            (TPatchRec::NoteCount * (TPatchRec::MaxNoteLength + 1) +
                             static_cast<size_t>(sizes.TotalSize()));
}

/// The person's locale for comparing texts; the classic one when the environment names a
/// locale the system does not have.
std::locale UserLocale() {
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

} // namespace

TPatchLib::TPatchLib(TPatchContext& ctx) : FCtx(ctx) {
    FScratch.Init(FCtx);
    FCaption = FTitlePrefix + "0";
}

TPatchLib::~TPatchLib() = default;

void TPatchLib::SetCaption(std::string caption) {
    FCaption = std::move(caption);
    if (FListener != nullptr) {
        FListener->CaptionChanged(FCaption);
    }
}

void TPatchLib::TouchAfterChange() {
    SetCaption("*" + FTitlePrefix + std::to_string(Count()));
    FModified = true;
}

void TPatchLib::Clear() {
    if (FListener != nullptr && !FBulk) {
        FListener->AboutToReset();
    }
    FPatches.clear();
    FPool.Clear();
    FSelection.clear();
    if (FListener != nullptr && !FBulk) {
        FListener->ResetDone();
    }
}

void TPatchLib::ReplaceAll(std::span<const TPatchRec* const> patches) {
    if (FListener != nullptr) {
        FListener->AboutToReset();
    }
    FBulk = true;
    Clear();
    const size_t n = std::min(patches.size(), static_cast<size_t>(MaxPatches));
    FPatches.reserve(n);
    FPool.Reserve(n);
    for (size_t i = 0; i < n; ++i) {
        TPatchRec* rec = FPool.Acquire();
        patches[i]->CopyTo(*rec);
        rec->SetSelected(false);
        FPatches.push_back(rec);
    }
    FBulk = false;
    if (FListener != nullptr) {
        FListener->ResetDone();
    }
}

void TPatchLib::Redraw() {
    if (FListener != nullptr) {
        FListener->AboutToReset();
        FListener->ResetDone();
    }
}

bool TPatchLib::Add(const TPatchRec& patch) {
    if (Count() >= MaxPatches) {
        return false;
    }
    TPatchRec* rec = FPool.Acquire();
    patch.CopyTo(*rec);
    rec->SetSelected(true);
    rec->ReadName();
    const int row = Count();
    if (FListener != nullptr && !FBulk) {
        FListener->RowsAboutToBeInserted(row, row);
    }
    FPatches.push_back(rec);
    if (FListener != nullptr && !FBulk) {
        FListener->RowsInserted();
    }
    TouchAfterChange();
    return true;
}

void TPatchLib::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    if (FListener != nullptr) {
        FListener->RowsAboutToBeRemoved(index, index);
    }
    FPool.Release(FPatches[static_cast<size_t>(index)]);
    FPatches.erase(FPatches.begin() + index);
    if (FListener != nullptr) {
        FListener->RowsRemoved();
    }
    TouchAfterChange();
}

void TPatchLib::UpdateTitle() {
    FTitlePrefix = FileBaseName(FFileName) + " : ";
    SetCaption(FTitlePrefix + std::to_string(Count()));
}

void TPatchLib::NewLibrary() {
    Clear();
    TPatchRec blank;
    blank.MakeBlank(FCtx);
    Add(blank);
    FFileName.clear();
    // What a new library holds was put there by nobody: it is no work to save.
    FModified = false;
    UpdateTitle();
    Redraw();
}

void TPatchLib::DeselectAll() {
    for (auto& p : FPatches) {
        p->SetSelected(false);
    }
    FSelection.clear();
}

void TPatchLib::DeselectAllAndRepaint() {
    DeselectAll();
    if (FListener != nullptr) {
        FListener->Repaint();
    }
}

void TPatchLib::Repaint() {
    if (FListener != nullptr) {
        FListener->Repaint();
    }
}

void TPatchLib::ShowRows(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, Count() - 1);
    if (FListener != nullptr && first <= last) {
        FListener->RowsChanged(first, last);
    }
}

std::string TPatchLib::CellText(const TPatchRec& patch, int column) {
    switch (column) {
    case 0:
        return patch.TypePart();
    case 1:
        return patch.NamePart();
    case 2:
    case 3:
    case 4:
        return patch.Note(column - 2);
    default:
        return {};
    }
}

void TPatchLib::Sort(int column, bool descending) {
    if (column < 0 || column >= ColumnCount) {
        return;
    }
    // Each key is turned into its collation form once, so that the sort itself compares
    // plain bytes: a full library sorts in a few milliseconds.
    const std::locale locale = UserLocale();
    const auto& collate = std::use_facet<std::collate<char>>(locale);
    std::vector<std::pair<std::string, TPatchRec*>> keyed;
    keyed.reserve(FPatches.size());
    for (TPatchRec* p : FPatches) {
        std::string key = CellText(*p, column);
        key.resize(SortKeyLength, ' ');
        keyed.emplace_back(collate.transform(key.data(), key.data() + key.size()), p);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    if (FListener != nullptr) {
        FListener->AboutToReset();
    }
    for (size_t i = 0; i < keyed.size(); ++i) {
        FPatches[i] = keyed[i].second;
    }
    DeselectAll();
    if (FListener != nullptr) {
        FListener->ResetDone();
    }
}

void TPatchLib::BuildSelection() {
    FSelection.clear();
    for (int i = 0; i < Count(); ++i) {
        if (FPatches[static_cast<size_t>(i)]->Selected()) {
            FSelection.push_back(i);
        }
    }
}

void TPatchLib::DeleteSelected() {
    BuildSelection();
    if (FSelection.empty()) {
        return;
    }
    // Contiguous runs go in one erase each, from the highest down, so that the grid hears
    // of every removal at the index it still has.
    for (size_t end = FSelection.size(); end > 0;) {
        size_t begin = end - 1;
        while (begin > 0 && FSelection[begin - 1] + 1 == FSelection[begin]) {
            --begin;
        }
        const int first = FSelection[begin];
        const int last = FSelection[end - 1];
        if (FListener != nullptr) {
            FListener->RowsAboutToBeRemoved(first, last);
        }
        for (int i = first; i <= last; ++i) {
            FPool.Release(FPatches[static_cast<size_t>(i)]);
        }
        FPatches.erase(FPatches.begin() + first, FPatches.begin() + last + 1);
        if (FListener != nullptr) {
            FListener->RowsRemoved();
        }
        end = begin;
    }
    FSelection.clear();
    TouchAfterChange();
    if (FListener != nullptr) {
        FListener->Repaint();
    }
}

void TPatchLib::SwapTwo() {
    BuildSelection();
    if (FSelection.size() != 2) {
        FCtx.Dialogs.MessageBox(TMessageKind::Error, msg::SwapTwoInLibrary, TButtons::Ok);
        return;
    }
    const int a = FSelection[0];
    const int b = FSelection[1];
    std::swap(FPatches[static_cast<size_t>(a)], FPatches[static_cast<size_t>(b)]);
    if (FListener != nullptr) {
        FListener->RowsChanged(a, a);
        FListener->RowsChanged(b, b);
        FListener->Repaint();
    }
}

void TPatchLib::CopySelection() {
    FCtx.ClipCount = 0;
    BuildSelection();
    TPatchBank* clip = FCtx.ClipBank;
    if (clip == nullptr) {
        return;
    }
    for (int index : FSelection) {
        if (FCtx.ClipCount >= TPatchBank::SlotCount) {
            break;
        }
        Patch(index).CopyTo(clip->Slot(FCtx.ClipCount++));
    }
}

void TPatchLib::Paste() {
    const TPatchBank* clip = FCtx.ClipBank;
    if (FCtx.ClipCount <= 0 || clip == nullptr) {
        return;
    }
    int at = Count();
    for (int i = 0; i < Count(); ++i) {
        if (Patch(i).Selected()) {
            at = i;
            break;
        }
    }
    DeselectAllAndRepaint();
    // A full library takes as many as still fit; nothing already in it is pushed out.
    const int n = std::min({FCtx.ClipCount, MaxPatches - Count(), TPatchBank::SlotCount});
    if (n <= 0) {
        return;
    }
    std::vector<TPatchRec*> pasted;
    pasted.reserve(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) {
        TPatchRec* rec = FPool.Acquire();
        clip->Slot(j).CopyTo(*rec);
        pasted.push_back(rec);
    }
    if (FListener != nullptr) {
        FListener->RowsAboutToBeInserted(at, at + n - 1);
    }
    FPatches.insert(FPatches.begin() + at, pasted.begin(), pasted.end());
    if (FListener != nullptr) {
        FListener->RowsInserted();
        FListener->Repaint();
    }
    TouchAfterChange();
}

std::string TPatchLib::LoadDefault() {
    const std::string name =
        FCtx.Settings != nullptr ? FCtx.Settings->ReadString("PatchLib", NoLibFile) : NoLibFile;
    FRemembered = name;
    LoadFileByName(name);
    return name;
}

bool TPatchLib::CheckBytes(std::span<const uint8_t> bytes, int& count) {
    auto warn = [this](const std::string& text) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, text, TButtons::Ok);
        return false;
    };
    if (bytes.empty()) {
        return warn(msg::EmptyFile);
    }
    if (bytes.size() < CountBytes) {
        return warn(msg::TruncatedFile);
    }
    const int32_t n = ReadCount(bytes);
    if (n < 0) {
        return warn(msg::LibraryCount(n));
    }
    count = n;
    if (n == 0) {
        return true;
    }

    // Every record that will be read must be whole; the first one's dump is checked as
    // every file is (framing, then the E-mu ids), so that another model's library says so.
    const size_t total = static_cast<size_t>(FCtx.Sizes.TotalSize());
    const int wanted = std::min<int>(n, MaxPatches);
    TByteReader in(bytes);
    in.Seek(CountBytes);
    for (int r = 0; r < wanted; ++r) {
        for (int note = 0; note < TPatchRec::NoteCount; ++note) {
            const auto rest = in.Rest();
            const size_t window = std::min(rest.size(), TPatchRec::MaxNoteLength + 1);
            const void* end = std::memchr(rest.data(), 0, window);
            if (end == nullptr) {
                return warn(window < TPatchRec::MaxNoteLength + 1 ? msg::LibraryCount(n)
                                                                  : msg::LibraryNote(r + 1));
            }
            in.Skip(static_cast<size_t>(static_cast<const uint8_t*>(end) - rest.data()) + 1);
        }
        if (r == 0) {
            TByteReader first(bytes);
            first.Seek(in.Position());
            if (FScratch.Dump().CheckDumpFile(first, false, FCtx) != TReadResult::Ok) {
                return false;
            }
        }
        if (in.Remaining() < total) {
            return warn(msg::LibraryCount(n));
        }
        const TDumpScan scan = ScanDumps(in.Rest(), FCtx.Sizes, 1);
        if (scan.BadDump >= 0) {
            return warn(msg::DamagedPreset(r + 1));
        }
        in.Skip(total);
    }
    return true;
}

bool TPatchLib::LoadBytes(std::span<const uint8_t> bytes) {
    int n = 0;
    if (!CheckBytes(bytes, n)) {
        return false;
    }
    if (FListener != nullptr) {
        FListener->AboutToReset();
    }
    FBulk = true;
    Clear();
    const int records = std::min(n, MaxPatches);
    FPatches.reserve(static_cast<size_t>(records));
    FPool.Reserve(static_cast<size_t>(records));
    TByteReader in(bytes);
    in.Seek(CountBytes);
    for (int r = 0; r < records; ++r) {
        // Read straight into the new record: the same as reading into the scratch patch and
        // adding a copy, without copying every dump twice. The records are fresh: unmarked,
        // and zero past every packet.
        TPatchRec* rec = FPool.Acquire();
        rec->ReadNotes(in);
        rec->ReadDump(in, FCtx);
        FPatches.push_back(rec);
    }
    FBulk = false;
    TouchAfterChange();
    DeselectAll();
    if (FListener != nullptr) {
        FListener->ResetDone();
    }
    return true;
}

void TPatchLib::WriteLibrary(TByteWriter& out) {
    out.Reserve(CountBytes + FPatches.size() * (static_cast<size_t>(FCtx.Sizes.TotalSize()) + 8));
    WriteCount(out, Count());
    for (TPatchRec* p : FPatches) {
        p->WriteNotes(out);
        p->WriteAddressed(out, EditBufferNumber, EditBufferNumber, FCtx);
    }
}

void TPatchLib::TakeFile(const std::string& fileName) {
    FFileName = fileName;
    UpdateTitle();
    FModified = false;
    if (FCtx.Settings != nullptr) {
        FCtx.Settings->WriteString("PatchLib", FFileName);
        FRemembered = FFileName;
    }
}

void TPatchLib::RestoreFile(const std::string& fileName, const std::string& remembered) {
    FFileName = fileName;
    UpdateTitle();
    if (FCtx.Settings != nullptr && !remembered.empty() && remembered != FRemembered) {
        FCtx.Settings->WriteString("PatchLib", remembered);
        FRemembered = remembered;
    }
}

bool TPatchLib::LoadFileByName(const std::string& fileName) {
    FFileName = fileName;
    if (!FileExists(fileName)) {
        return false;
    }
    const TFileRead file = ReadFilePrefix(fileName, MaxLibraryBytes(FCtx.Sizes));
    if (!file.Ok) {
        return false;
    }
    const bool loaded = LoadBytes(file.Bytes);
    FModified = false;
    UpdateTitle();
    return loaded;
}

bool TPatchLib::LoadFileDialog() {
    const TFileChoice choice = FCtx.Dialogs.OpenFile(msg::LoadLibraryTitle, msg::LibraryFilter,
                                                     FCtx.LibrariesDir, FFileName);
    if (!choice.Accepted) {
        return false;
    }
    const TFileRead file = ReadFilePrefix(choice.FileName, MaxLibraryBytes(FCtx.Sizes));
    if (!file.Ok) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, msg::CantRead(choice.FileName, file.Error),
                                TButtons::Ok);
        return false;
    }
    if (!LoadBytes(file.Bytes)) {
        return false;
    }
    TakeFile(choice.FileName);
    return true;
}

std::vector<std::string> TPatchLib::UnfitPatches() const {
    std::vector<std::string> unfit;
    for (int i = 0; i < Count(); ++i) {
        if (!Patch(i).FitsFile(FCtx)) {
            unfit.push_back("Library patch " + std::to_string(i + 1) + ": " + Patch(i).ShownName());
        }
    }
    return unfit;
}

bool TPatchLib::SaveFileDialog() {
    if (RefuseUnfitPatches(FCtx, UnfitPatches())) {
        return false;
    }
    const TDialogSave save = SaveThroughDialog(FCtx, msg::SaveLibraryTitle, msg::LibraryFilter,
                                               FCtx.LibrariesDir, FFileName, msg::BackupQuestion,
                                               [this](TByteWriter& out) { WriteLibrary(out); });
    if (save.Result != TSaveResult::Saved) {
        return false;
    }
    TakeFile(save.FileName);
    return true;
}

} // namespace velcora
