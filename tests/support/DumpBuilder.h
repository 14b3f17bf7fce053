#pragma once

#include "DumpSizes.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchrec.h"
#include "ScriptedDialogs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velcora::test {

/// What a made-up preset dump looks like; the data bytes come from the seed.
struct TDumpSpec {
    uint32_t Seed = 1;
    std::string Name = "Pad:Warm Strings";
    uint8_t DeviceId = 0;
    uint8_t Low = 0;
    uint8_t High = 0;
    bool Emu = true; ///< false: framed like a dump but without the E-mu and Proteus ids
};

/// One preset dump, framed for the sizes, with real checksums.
std::vector<uint8_t> MakeDump(const TDumpSizes& sizes, const TDumpSpec& made = {});
/// count dumps back to back, dump i with seed seedBase + i and the name "Tst:Patch nnn".
std::vector<uint8_t> MakeDumps(const TDumpSizes& sizes, int count, uint32_t seedBase = 1);
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes);

/// Which bytes of one dump the program stamps when it writes or sends it: the device id and
/// the checksum of every packet, the preset number and header bytes 33-34.
std::vector<bool> StampedBytes(const TDumpSizes& sizes);
/// Two runs of dumps of those sizes agree except in stamped bytes; with loopFormToo, also
/// except in each packet's sub-header byte, which tells a closed-loop dump (as the hardware
/// writes files) from an open-loop one (as a synth answers the program's requests). The
/// first differences become test failures.
void ExpectSameExceptStamped(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                             const TDumpSizes& sizes, bool loopFormToo = false);

/// One record of a library file.
struct TLibRecord {
    std::string Notes[3];
    std::vector<uint8_t> Dump;
};
std::vector<uint8_t> LibraryBytes(int32_t count, const std::vector<TLibRecord>& records);

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
