#pragma once

#include "Midnam.h"

#include <vector>

namespace velcora {

class TPatchBank;
class TWorkspace;
struct TRomRec;

/// A user bank 0..3 as a MIDNAM bank: its 128 names and the bank select that chooses it.
TMidnamBank UserMidnamBank(const TPatchBank& bank, int userBank);
/// The ROM bank as a MIDNAM bank holding bank romBankNo of the ROM, with the bank select the
/// program sends before fetching that bank through the edit buffer.
TMidnamBank RomMidnamBank(const TPatchBank& romBank, const TRomRec& rom, int romBankNo);

/// The banks of the document the patch list window writes: the four user banks, then the ROM
/// bank when the ROM tab is showing and the ROM bank still holds the names of the synth's
/// ROM bank last fetched whole (TWorkspace::RomBankOrigin).
std::vector<TMidnamBank> WorkspaceMidnamBanks(TWorkspace& workspace);

} // namespace velcora
