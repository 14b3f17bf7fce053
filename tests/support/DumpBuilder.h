#pragma once

#include "DumpMaker.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchrec.h"
#include "ScriptedDialogs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velcora::test {

/// Two runs of dumps of those sizes agree except in stamped bytes; with loopFormToo, also
/// except in each packet's sub-header byte, which tells a closed-loop dump (as the hardware
/// writes files) from an open-loop one (as a synth answers the program's requests). The
/// first differences become test failures.
void ExpectSameExceptStamped(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                             const TDumpSizes& sizes, bool loopFormToo = false);

/// The patch layer's surroundings as the workspace will provide them: scripted dialogs, the
/// context, a blank and a probe patch and the clipboard.
struct TPatchWorld {
    explicit TPatchWorld(TModelClass modelClass = TModelClass::Proteus);

    /// Fills a record from a made-up dump as a file read would.
    void Fill(TPatchRec& rec, const TDumpSpec& made);

    TScriptedDialogs Dialogs;
    TPatchContext Ctx{Dialogs};
    TPatchRec Blank;
    TPatchRec Probe;
    TPatchBank Clip{Ctx, TPatchBank::ClipBankNumber, "Buffer", false};
};

} // namespace velcora::test
