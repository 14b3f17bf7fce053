#include "Simid.h"

#include <array>
#include <utility>

namespace velcora {

TModel ModelFromCode(int memberCode) {
    static const std::array<TModel, 23> models = {{
        {"Audity 2000", 1},
        {"Proteus 2000", 2},
        {"B-3", 2},
        {"XL-1", 2},
        {"Virtuoso 2000", 2},
        {"Mo'Phatt", 2},
        {"B-3 Turbo", 2},
        {"XL-1 Turbo", 2},
        {"Mo'Phatt Turbo", 2},
        {"Planet Earth", 2},
        {"Planet Earth Turbo", 2},
        {"XL-7", 3},
        {"MP-7", 3},
        {"Proteus 2500", 3},
        {"Orbit 3", 2},
        {"PK-6", 2},
        {"XK-6", 2},
        {"MK-6", 2},
        {"Halo", 2},
        {"Proteus 1000", 2},
        {"Vintage Pro", 2},
        {"Vintage Keys", 2},
        {"PX-7", 3},
    }};
    constexpr int first = 2;
    if (memberCode < first || memberCode >= first + static_cast<int>(models.size())) {
        return {"UNKNOWN", 0};
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
