// A single-patch file: framing test, edit-buffer stamping, and a written patch reads back.
#include "ByteStream.h"
#include "FuzzWorld.h"

using namespace velcora;
using namespace velcora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    TFuzzWorld w(data[0]);
    const std::span<const uint8_t> file(data + 1, size - 1);

    TPatchData check;
    TByteReader in(file);
    check.CheckDumpFile(in, true, w.Ctx);

    TPatchRec rec;
    if (!rec.LoadEditBufferBytes(file, w.Ctx)) {
        return 0;
    }
    Require(rec.Dump().Slot(0)[7] == 127 && rec.Dump().Slot(0)[8] == 127);
    TByteWriter out;
    rec.WriteDump(out, w.Ctx);
    Require(out.Bytes().size() == static_cast<size_t>(w.Ctx.Sizes.TotalSize()));
    TPatchRec back;
    Require(back.LoadEditBufferBytes(out.Bytes(), w.Ctx));
    Require(back.Dump().SameIgnoringName(rec.Dump(), w.Ctx.Sizes));
    Require(back.Dump().CompareHash(w.Ctx.Sizes) == rec.Dump().CompareHash(w.Ctx.Sizes));
    return 0;
}
