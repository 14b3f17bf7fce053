#pragma once

#include <string>

namespace velcora {

/// A model of the family by its identity-reply member code.
struct TModel {
    std::string ModelName; ///< "UNKNOWN" for a code not in the table
    int ModelClass = 0;    ///< 0 unknown, 1 Audity, 2 Proteus 2000 family, 3 Command Station
};

TModel ModelFromCode(int memberCode);

/// The name of a sound ROM by its id; "Id # " and the id for one not in the table.
std::string RomName(int romId);

} // namespace velcora
