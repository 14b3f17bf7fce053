#include "MidnamBanks.h"

#include "Patchbank.h"
#include "SysexMessages.h"
#include "Workspace.h"

#include <algorithm>

namespace velcora {

namespace {

TMidnamBank WithNames(const TPatchBank& bank, std::string name, sysex::TBankSelectValues select) {
    TMidnamBank m;
    m.Name = std::move(name);
    m.Msb = select.Msb;
    m.Lsb = select.Lsb;
    m.Names.reserve(TPatchBank::SlotCount);
    for (int n = 0; n < TPatchBank::SlotCount; ++n) {
        m.Names.push_back(bank.Slot(n).Name());
    }
    return m;
}

} // namespace

TMidnamBank UserMidnamBank(const TPatchBank& bank, int userBank) {
    return WithNames(bank, "User Bank " + std::to_string(userBank),
                     sysex::UserBankSelect(userBank));
}

TMidnamBank RomMidnamBank(const TPatchBank& romBank, const TRomRec& rom, int romBankNo) {
    return WithNames(romBank, rom.Name + " Bank " + std::to_string(romBankNo),
                     sysex::RomBankSelect(rom.Id, romBankNo));
}

std::vector<TMidnamBank> WorkspaceMidnamBanks(TWorkspace& workspace) {
    std::vector<TMidnamBank> banks;
    for (int n = 0; n < 4; ++n) {
        banks.push_back(UserMidnamBank(workspace.UserBank(n), n));
    }
    // Only a ROM bank known to hold the names of the one its bank select picks.
    const std::optional<TWorkspace::TRomBankOrigin> origin = workspace.RomBankOrigin();
    const TSynth& synth = workspace.Synth();
    const int romCount = std::min(synth.RomCount, TSynth::MaxRoms);
    if (workspace.Status().Tab == TWorkspace::RomTab && origin && origin->RomIndex >= 0 &&
        origin->RomIndex < romCount) {
        const TRomRec& rom = synth.Roms[static_cast<size_t>(origin->RomIndex)];
        if (origin->Bank >= 0 && origin->Bank < rom.BankCount) {
            banks.push_back(RomMidnamBank(workspace.RomBank(), rom, origin->Bank));
        }
    }
    return banks;
}

} // namespace velcora
