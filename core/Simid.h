#pragma once

#include "ModelClass.h"

#include <string>

namespace velcora {

/// A model of the family by its identity-reply member code.
struct TModel {
    std::string ModelName; ///< "UNKNOWN" for a code not in the table
    TModelClass ModelClass = TModelClass::Unknown;
};

TModel ModelFromCode(int memberCode);

/// The name of a sound ROM by its id; "Id # " and the id for one not in the table.
std::string RomName(int romId);

} // namespace velcora
