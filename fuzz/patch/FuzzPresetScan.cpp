// Any bytes as a file of a preset collection: every dump handed over is whole, framed, of the
// wanted sizes and lies inside the bytes, and it reads into a patch that writes back framed;
// taken as a library file, every record lies inside the bytes.
#include "ByteStream.h"
#include "FuzzWorld.h"
#include "PresetScan.h"

#include <cstring>

using namespace velcora;
using namespace velcora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    TFuzzWorld w(data[0]);
    const std::span<const uint8_t> file(data + 1, size - 1);
    int handed = 0;
    const TPresetScan scan = ScanPresets(file, w.Ctx.Sizes, [&](const TFoundDump& packets) {
        ++handed;
        TPatchRec rec;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const auto packet = packets[static_cast<size_t>(p)];
            Require(packet.size() == static_cast<size_t>(w.Ctx.Sizes.PacketSize(p)));
            Require(packet.data() >= file.data() &&
                    packet.data() + packet.size() <= file.data() + file.size());
            Require(TPatchData::PacketFramed(packet));
            Require(p == 0 || PacketChecksumOk(packet));
            std::memcpy(rec.Dump().Slot(p).data(), packet.data(), packet.size());
        }
        Require(rec.Dump().Framed(w.Ctx.Sizes));
        TByteWriter out;
        rec.WriteDump(out, w.Ctx);
        Require(out.Bytes().size() == static_cast<size_t>(w.Ctx.Sizes.TotalSize()));
    });
    Require(scan.Presets == handed);
    Require(scan.StrayBytes <= file.size());
    // The same bytes as a library file: every record's notes and dump lie inside them.
    if (const auto records = LibraryRecords(file, w.Ctx.Sizes)) {
        for (const TLibraryRecord& record : *records) {
            Require(record.Dump.size() == static_cast<size_t>(w.Ctx.Sizes.TotalSize()));
            Require(record.Dump.data() >= file.data() &&
                    record.Dump.data() + record.Dump.size() <= file.data() + file.size());
            for (const auto note : record.Notes) {
                Require(note.size() <= TPatchRec::MaxNoteLength);
            }
        }
    }
    return 0;
}
