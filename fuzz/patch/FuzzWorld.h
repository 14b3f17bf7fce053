#pragma once

// What every patch-file fuzz target needs: the patch layer's surroundings, with dialogs that
// answer at once, and the model class taken from the input's first byte.
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchrec.h"
#include "QuietDialogs.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace velcora::fuzz {

struct TFuzzWorld {
    explicit TFuzzWorld(uint8_t selector) {
        Ctx.Sizes = TDumpSizes::ForModelClass(static_cast<TModelClass>(selector % 4));
        Ctx.CurUserBank = (selector >> 2) % 4;
        Ctx.DeviceId = selector;
        Ctx.ProbePatch = &Probe;
        Ctx.ClipBank = &Clip;
        Ctx.BlankPatch = &Blank;
        // A framed blank patch, as the one loaded from the blank file is.
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            auto packet = Blank.Dump().Packet(p, Ctx.Sizes);
            packet[0] = 0xF0;
            packet[1] = 0x18;
            packet[2] = 0x0F;
            packet[4] = 0x55;
            packet[packet.size() - 1] = 0xF7;
        }
        Blank.ReadName();
    }
    TQuietDialogs Dialogs;
    TPatchContext Ctx{Dialogs};
    TPatchRec Blank;
    TPatchRec Probe;
    TPatchBank Clip{Ctx, TPatchBank::ClipBankNumber, "Buffer", false};
};

/// A property of the code broke: stop the fuzzer with a crash it reports.
inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace velcora::fuzz
