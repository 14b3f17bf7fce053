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
    const TWorkspaceStatus status = workspace.Status();
    const TSynth& synth = workspace.Synth();
    const int romCount = std::min(synth.RomCount, TSynth::MaxRoms);
    if (status.Tab == TWorkspace::RomTab && status.RomIndex >= 0 && status.RomIndex < romCount &&
        status.RomBankListIndex >= 0) {
        const TRomRec& rom = synth.Roms[static_cast<size_t>(status.RomIndex)];
        if (status.RomBankListIndex >= rom.BankCount) {
            return banks;
        }
        banks.push_back(RomMidnamBank(workspace.RomBank(), rom, status.RomBankListIndex));
    }
    return banks;
}

} // namespace velcora
