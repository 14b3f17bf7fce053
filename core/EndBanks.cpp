#include "EndBanks.h"

#include "SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velcora {

std::string EndBanksFile(const std::string& base, int n) {
    return base + std::to_string(n) + ".syx";
}

TFileWrite RotateEndBanks(const std::string& base) {
    TFileWrite w;
    const std::string oldest = EndBanksFile(base, EndBanksGenerations);
    if (FileExists(oldest) && std::remove(oldest.c_str()) != 0) {
        w.Error = "Can't delete " + FileNameOnly(oldest) + ": " + std::strerror(errno);
        return w;
    }
    for (int n = EndBanksGenerations - 1; n >= 1; --n) {
        const std::string from = EndBanksFile(base, n);
        if (!FileExists(from)) {
            continue;
        }
        const std::string to = EndBanksFile(base, n + 1);
        const TFileWrite moved = RenameFile(from, to);
        if (!moved.Ok) {
            w.Error = "Can't rename " + FileNameOnly(from) + " to " + FileNameOnly(to) + ": " +
                      moved.Error;
            return w;
        }
    }
    w.Ok = true;
    return w;
}

TFileWrite WriteEndBanks(const std::string& base, std::span<const uint8_t> bytes) {
    TFileWrite w;
    TPendingFile newest(EndBanksFile(base, 1), bytes);
    if (!newest.Ok()) {
        w.Error = newest.Error();
        return w;
    }
    // A generation that did not move still sits below the new one: generation 1 is then
    // the only copy of the previous backup and must not be replaced.
    w = RotateEndBanks(base);
    if (!w.Ok) {
        return w;
    }
    if (!newest.Commit()) {
        w.Ok = false;
        w.Error = newest.Error();
    }
    return w;
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
