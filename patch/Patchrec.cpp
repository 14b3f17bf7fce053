#include "Patchrec.h"

#include "BuiltInBlank.h"
#include "ByteStream.h"
#include "Dialogs.h"
#include "FileSave.h"
#include "NameText.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "PresetNumber.h"
#include "SafeFile.h"

#include <algorithm>
#include <cstring>

namespace velcora {

void TPatchRec::Init(const TPatchContext& ctx) {
    for (auto& note : FNotes) {
        note.clear();
    }
    FSelected = false;
    FDump.Clear();
    FName = PlaceholderName;
    if (!ctx.Creating) {
        MakeBlank(ctx);
    }
}

void TPatchRec::MakeBlank(const TPatchContext& ctx) {
    const TPatchRec* blank = ctx.BlankPatch;
    if (blank != nullptr && blank != this && blank->FDump.Framed(ctx.Sizes)) {
        blank->CopyTo(*this);
    } else {
        SetBuiltInBlank(ctx.Sizes);
    }
}

void TPatchRec::SetBuiltInBlank(const TDumpSizes& sizes) {
    for (auto& note : FNotes) {
        note.clear();
    }
    FSelected = false;
    FDump = BuiltInBlankDump(sizes);
    ReadName();
}

void TPatchRec::CopyTo(TPatchRec& dest) const {
    if (&dest == this) {
        return;
    }
    dest.FSelected = FSelected;
    dest.FName = FName;
    dest.FNotes = FNotes;
    FDump.CopyTo(dest.FDump);
}

void TPatchRec::ReadName() {
    const auto slot = FDump.Slot(1);
    FName.assign(reinterpret_cast<const char*>(slot.data() + TPatchData::NameOffset),
                 TPatchData::NameLength);
}

void TPatchRec::SetName(std::string_view text, const TDumpSizes& sizes) {
    FName = SevenBitName(text) + std::string(TPatchData::NameLength, ' ');
    std::memcpy(FDump.Slot(1).data() + TPatchData::NameOffset, FName.data(),
                TPatchData::NameLength);
    MarkChecksums(sizes);
}

void TPatchRec::MarkChecksums(const TDumpSizes& sizes) {
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        auto packet = FDump.Packet(p, sizes);
        packet[packet.size() - 2] = 0x7F;
    }
}

void TPatchRec::SetDeviceId(uint8_t deviceId, const TDumpSizes& sizes) {
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        FDump.Packet(p, sizes)[3] = deviceId;
    }
}

void TPatchRec::SetPresetNumber(uint8_t low, uint8_t high) {
    auto header = FDump.Slot(0);
    header[7] = low;
    header[8] = high;
    header[33] = 0;
    header[34] = 0;
}

namespace {

/// Equal as dumps of these sizes apart from what every write rewrites: the device id of
/// each packet and the header's preset number bytes.
bool SameButAddress(const TPatchData& a, const TPatchData& b, const TDumpSizes& sizes) {
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const auto x = a.Packet(p, sizes);
        const auto y = b.Packet(p, sizes);
        for (size_t i = 0; i < x.size(); ++i) {
            const bool address = i == 3 || (p == 0 && (i == 7 || i == 8 || i == 33 || i == 34));
            if (!address && x[i] != y[i]) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool TPatchRec::FitsFile(const TPatchContext& ctx) const {
    if (FDump.Framed(ctx.Sizes)) {
        return true;
    }
    const auto bytes = FDump.Bytes();
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) {
        return true;
    }
    // A blank of the sizes the program had before it measured the synth's is still the
    // blank: it may become the blank of the new sizes. Anything else is someone's patch.
    const auto own = TDumpSizes::Measure(FDump);
    if (!own) {
        return false;
    }
    const TPatchRec* blank = ctx.BlankPatch;
    if (blank != nullptr && blank != this && SameButAddress(FDump, blank->FDump, *own)) {
        return true;
    }
    return SameButAddress(FDump, BuiltInBlankDump(*own), *own);
}

std::string TPatchRec::ShownName() const {
    const size_t end = FName.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : FName.substr(0, end + 1);
}

void TPatchRec::WriteDump(TByteWriter& out, const TPatchContext& ctx) {
    if (!FDump.Framed(ctx.Sizes)) {
        // Never a dump the readers refuse: one such slot would cost every patch of the file.
        TPatchRec blank;
        blank.MakeBlank(ctx);
        const auto header = FDump.Slot(0);
        auto blankHeader = blank.FDump.Slot(0);
        for (const size_t at : {size_t{7}, size_t{8}, size_t{33}, size_t{34}}) {
            blankHeader[at] = header[at];
        }
        blank.WriteDump(out, ctx);
        return;
    }
    SetDeviceId(ctx.DeviceId, ctx.Sizes);
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        out.Write(FDump.Packet(p, ctx.Sizes));
    }
}

void TPatchRec::WriteAddressed(TByteWriter& out, uint8_t low, uint8_t high,
                               const TPatchContext& ctx) {
    SetPresetNumber(low, high);
    WriteDump(out, ctx);
}

TReadResult TPatchRec::ReadDump(TByteReader& in, const TPatchContext& ctx) {
    const TReadResult code = FDump.ReadPackets(in, ctx.Sizes);
    if (code != TReadResult::Ok) {
        return code;
    }
    FDump.Slot(0)[8] = static_cast<uint8_t>(ctx.CurUserBank);
    ReadName();
    return TReadResult::Ok;
}

void TPatchRec::WriteNotes(TByteWriter& out) const {
    for (const auto& note : FNotes) {
        // The reader stops at the first 00 byte and takes at most MaxNoteLength bytes, so
        // the note is cut at either.
        const size_t len = std::min({note.size(), MaxNoteLength, note.find('\0')});
        out.Write(std::span(reinterpret_cast<const uint8_t*>(note.data()), len));
        out.WriteByte(0);
    }
}

void TPatchRec::ReadNotes(TByteReader& in) {
    for (auto& note : FNotes) {
        const auto rest = in.Rest();
        const size_t window = std::min(rest.size(), MaxNoteLength + 1);
        const auto* begin = reinterpret_cast<const char*>(rest.data());
        const auto* end = static_cast<const char*>(std::memchr(begin, 0, window));
        const size_t len = end != nullptr ? static_cast<size_t>(end - begin) : window;
        note.assign(begin, len);
        in.Skip(end != nullptr ? len + 1 : len);
    }
}

std::string TPatchRec::TypePart() const {
    return FName.substr(0, 3);
}

std::string TPatchRec::NamePart() const {
    return FName.size() > 4 ? FName.substr(4, 12) : "";
}

std::string TPatchRec::LoadFileDialog(const std::string& defaultName, TPatchContext& ctx) {
    const TFileChoice choice =
        ctx.Dialogs.OpenFile(msg::LoadPatchTitle, msg::SysexFilter, ctx.PatchesDir, defaultName);
    if (!choice.Accepted) {
        return choice.FileName;
    }
    const TFileRead file = ReadFilePrefix(choice.FileName, ctx.Sizes.TotalSize());
    if (!file.Ok) {
        ctx.Dialogs.MessageBox(TMessageKind::Warning, msg::CantRead(choice.FileName, file.Error),
                               TButtons::Ok);
        return "";
    }
    if (file.Bytes.empty()) {
        ctx.Dialogs.MessageBox(TMessageKind::Warning, msg::EmptyFile, TButtons::Ok);
        return "";
    }
    if (!LoadEditBufferBytes(file.Bytes, ctx)) {
        ctx.Dialogs.MessageBox(TMessageKind::Warning, msg::DifferentSynth, TButtons::Ok);
        return "";
    }
    return choice.FileName;
}

bool TPatchRec::LoadFileQuiet(const std::string& fileName, TPatchContext& ctx) {
    struct TQuiet {
        explicit TQuiet(TPatchContext& c) : Ctx(c) { Ctx.QuietLoad = true; }
        ~TQuiet() { Ctx.QuietLoad = false; }
        TPatchContext& Ctx;
    } quiet(ctx);

    const TFileRead file = ReadFilePrefix(fileName, ctx.Sizes.TotalSize());
    return file.Ok && LoadEditBufferBytes(file.Bytes, ctx);
}

bool TPatchRec::LoadEditBufferBytes(std::span<const uint8_t> bytes, const TPatchContext& ctx) {
    // Only the framing is tested: a single patch may come from any E-mu model of the class.
    TByteReader in(bytes);
    if (ctx.ProbePatch == nullptr || ctx.ProbePatch->ReadDump(in, ctx) != TReadResult::Ok ||
        !ctx.ProbePatch->Dump().Framed(ctx.Sizes)) {
        return false;
    }
    in.Seek(0);
    ReadDump(in, ctx);
    SetPresetNumberBytes(EditBufferNumber, EditBufferNumber);
    return true;
}

std::string TPatchRec::SaveFileDialog(const std::string& defaultName, TPatchContext& ctx) {
    if (RefuseUnfitPatches(ctx, FitsFile(ctx) ? std::vector<std::string>{}
                                              : std::vector<std::string>{ShownName()})) {
        return "";
    }
    const TDialogSave save =
        SaveThroughDialog(ctx, msg::SavePatchTitle, msg::SysexFilter, ctx.PatchesDir, defaultName,
                          msg::BackupQuestion, [&](TByteWriter& out) { WriteDump(out, ctx); });
    if (!save.Chosen) {
        return save.FileName;
    }
    return save.Result == TSaveResult::Saved ? save.FileName : "";
}

void TPatchRec::SetPresetNumberBytes(uint8_t low, uint8_t high) {
    auto header = FDump.Slot(0);
    header[7] = low;
    header[8] = high;
}

} // namespace velcora
