#include "OptionGroups.h"

#include "IniFile.h"

namespace velcora {

namespace {

struct TGroupKey {
    const char* Key;
    const char* Items[2];
};

constexpr TGroupKey Keys[] = {{"FromTo", {"Bank", "Selected"}},
                              {"LoadSave", {"Bank", "AllBanks"}},
                              {"UserToLib", {"Bank", "Selected"}},
                              {"InsertMode", {"Overwrite", "Pushdown"}},
                              {"DeleteMode", {"PutBlank", "Pullup"}}};

constexpr const char* General = "General";

} // namespace

TOptionGroups TOptionGroups::Read(const TIniFile& ini) {
    TOptionGroups g;
    int* fields[] = {&g.FromTo, &g.LoadSave, &g.UserToLib, &g.InsertMode, &g.DeleteMode};
    for (size_t i = 0; i < std::size(Keys); ++i) {
        const std::string value = ini.ReadString(General, Keys[i].Key, Keys[i].Items[0]);
        *fields[i] = value == Keys[i].Items[0] ? 0 : 1;
    }
    return g;
}

void TOptionGroups::Choose(TIniFile& ini, TGroup group, int item) {
    int* fields[] = {&FromTo, &LoadSave, &UserToLib, &InsertMode, &DeleteMode};
    const auto i = static_cast<size_t>(group);
    *fields[i] = item == 0 ? 0 : 1;
    ini.WriteString(General, Keys[i].Key, Keys[i].Items[*fields[i]]);
}

} // namespace velcora
