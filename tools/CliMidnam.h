#pragma once

#include "ModelClass.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace velcora {

struct TCliOptions;

/// A model of the family by its name, letter case aside ("Proteus 2000", "XL-7"); none for a
/// name the identity table does not hold.
struct TCliModel {
    std::string Name;
    TModelClass Class = TModelClass::Unknown;
};
std::optional<TCliModel> CliModelByName(const std::string& name);

/// velcora-cli midnam: the patch names of the bank files (user banks 0.. in order) or of one
/// all-banks file, as a MIDNAM document for the model, written atomically to the command's
/// file. Every file is read and checked before anything is written. Returns the exit code: 0
/// written, 2 bad input (a file that is not a bank of that model, the output not writable).
int RunMidnam(const TCliOptions& o, const TCliModel& model, std::ostream& err);

} // namespace velcora
