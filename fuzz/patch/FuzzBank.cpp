// A bank file: refused whole or loaded whole; a saved bank loads again.
#include "ByteStream.h"
#include "FuzzWorld.h"

using namespace velcora;
using namespace velcora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    TFuzzWorld w(data[0]);
    TPatchBank bank(w.Ctx, w.Ctx.CurUserBank, "User", true);
    if (!bank.LoadBytes(std::span<const uint8_t>(data + 1, size - 1))) {
        return 0;
    }
    TByteWriter out;
    bank.WriteBank(out);
    TPatchBank again(w.Ctx, w.Ctx.CurUserBank, "User", true);
    Require(again.LoadBytes(out.Bytes()));
    for (int i = 0; i < TPatchBank::SlotCount; ++i) {
        Require(again.Slot(i).Name() == bank.Slot(i).Name());
    }
    return 0;
}
