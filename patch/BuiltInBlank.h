#pragma once

#include "Patchdata.h"

namespace velcora {

/// The blank patch built into the program, framed at exactly the given sizes: the shipped
/// default preset of those sizes, byte for byte, or else the one of the nearest layout with
/// each packet cut or zero-filled to its length, the header announcing the data byte count
/// and the checksums marked. An edit-buffer dump named "ini:Blank Preset" (when the first
/// packet has room for the name), device id 0.
TPatchData BuiltInBlankDump(const TDumpSizes& sizes);

} // namespace velcora
