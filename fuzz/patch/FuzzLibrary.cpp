// A library file: refused whole or read whole; whatever was read is written so that it reads
// back, and the library's operations work on it.
#include "ByteStream.h"
#include "FuzzWorld.h"
#include "Patchlib.h"

using namespace velcora;
using namespace velcora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    TFuzzWorld w(data[0]);
    TPatchLib lib(w.Ctx);
    lib.NewLibrary();
    if (!lib.LoadBytes(std::span<const uint8_t>(data + 1, size - 1))) {
        Require(lib.Count() == 1);
        return 0;
    }
    TByteWriter out;
    lib.WriteLibrary(out);
    TPatchLib again(w.Ctx);
    Require(again.LoadBytes(out.Bytes()));
    Require(again.Count() == lib.Count());
    for (int i = 0; i < lib.Count(); ++i) {
        for (int n = 0; n < TPatchRec::NoteCount; ++n) {
            Require(again.Patch(i).Note(n) == lib.Patch(i).Note(n));
        }
    }
    // The operations that walk the whole library.
    again.DeDup();
    again.DeleteSelected();
    TPatchBank bank(w.Ctx, 0, "User", true);
    if (lib.Count() >= 2) {
        lib.Patch(0).SetSelected(true);
        lib.Patch(lib.Count() - 1).SetSelected(true);
        lib.Morph(bank);
        lib.Mix(bank, 1);
    }
    return 0;
}
