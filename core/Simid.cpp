#include "Simid.h"

#include <array>
#include <utility>

namespace velcora {

TModel ModelFromCode(int memberCode) {
    static const std::array<TModel, 23> models = {{
        {"Audity 2000", TModelClass::Audity},
        {"Proteus 2000", TModelClass::Proteus},
        {"B-3", TModelClass::Proteus},
        {"XL-1", TModelClass::Proteus},
        {"Virtuoso 2000", TModelClass::Proteus},
        {"Mo'Phatt", TModelClass::Proteus},
        {"B-3 Turbo", TModelClass::Proteus},
        {"XL-1 Turbo", TModelClass::Proteus},
        {"Mo'Phatt Turbo", TModelClass::Proteus},
        {"Planet Earth", TModelClass::Proteus},
        {"Planet Earth Turbo", TModelClass::Proteus},
        {"XL-7", TModelClass::CommandStation},
        {"MP-7", TModelClass::CommandStation},
        {"Proteus 2500", TModelClass::CommandStation},
        {"Orbit 3", TModelClass::Proteus},
        {"PK-6", TModelClass::Proteus},
        {"XK-6", TModelClass::Proteus},
        {"MK-6", TModelClass::Proteus},
        {"Halo", TModelClass::Proteus},
        {"Proteus 1000", TModelClass::Proteus},
        {"Vintage Pro", TModelClass::Proteus},
        {"Vintage Keys", TModelClass::Proteus},
        {"PX-7", TModelClass::CommandStation},
    }};
    constexpr int first = 2;
    if (memberCode < first || memberCode >= first + static_cast<int>(models.size())) {
        return {"UNKNOWN", TModelClass::Unknown};
    }
    return models[static_cast<size_t>(memberCode - first)];
}

std::string RomName(int romId) {
    // Id 66 is a third-party ROM; without a name of its own it is shown by its number.
    static const std::pair<int, const char*> roms[] = {
        {0, "User"},    {2, "XTREM"},      {3, "Audity"}, {4, "Composer"},    {5, "Protozoa"},
        {6, "B3"},      {7, "XL-1"},       {8, "ZR-76"},  {9, "World Exp."},  {10, "Orch 1"},
        {11, "Orch 2"}, {13, "PurePhatt"}, {14, "XL-2"},  {15, "Mo'Phatt"},   {16, "Ensoniq"},
        {17, "PROM1"},  {18, "Vintage"},   {19, "Drum"},  {64, "Holy Grail"}, {65, "TSCY"},
        {67, "Beat"},
    };
    for (const auto& [id, name] : roms) {
        if (id == romId) {
            return name;
        }
    }
    return "Id # " + std::to_string(romId);
}

} // namespace velcora
