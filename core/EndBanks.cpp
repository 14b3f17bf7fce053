#include "EndBanks.h"

#include "SafeFile.h"

#include <cstdio>

namespace velcora {

std::string EndBanksFile(const std::string& base, int n) {
    return base + std::to_string(n) + ".syx";
}

void RotateEndBanks(const std::string& base) {
    const std::string oldest = EndBanksFile(base, EndBanksGenerations);
    if (FileExists(oldest)) {
        std::remove(oldest.c_str());
    }
    for (int n = EndBanksGenerations - 1; n >= 1; --n) {
        const std::string from = EndBanksFile(base, n);
        if (FileExists(from)) {
            RenameFile(from, EndBanksFile(base, n + 1));
        }
    }
}

std::string UnsavedList(const TDirtyFlags& dirty) {
    static const char* const items[] = {"\nLibrary ",     "\nROM Bank ",    "\nUser Bank 0 ",
                                        "\nUser Bank 1 ", "\nUser Bank 2 ", "\nUser Bank 3 "};
    std::string list;
    for (size_t i = 0; i < dirty.size(); ++i) {
        if (dirty[i]) {
            list += items[i];
        }
    }
    return list.empty() ? list : "These files need saving :" + list;
}

std::string ClosePrompt(const TDirtyFlags& dirty) {
    return "Are you sure you want to close the program?\n\n" + UnsavedList(dirty);
}

} // namespace velcora
