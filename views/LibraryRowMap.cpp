#include "LibraryRowMap.h"

#include <algorithm>

namespace velcora {

void TLibraryRowMap::ShowAll() {
    FFiltered = false;
    FPatches.clear();
}

void TLibraryRowMap::ShowOnly(std::vector<int> patches) {
    FFiltered = true;
    FPatches = std::move(patches);
}

int TLibraryRowMap::RowCount(int count) const {
    return FFiltered ? static_cast<int>(FPatches.size()) : count;
}

int TLibraryRowMap::PatchAt(int modelRow, int count) const {
    if (modelRow < 0 || modelRow >= RowCount(count)) {
        return -1;
    }
    const int patch = FFiltered ? FPatches[static_cast<size_t>(modelRow)] : modelRow;
    return patch < count ? patch : -1;
}

int TLibraryRowMap::ToLibraryRow(int shownRow, int count) const {
    if (shownRow <= 0) {
        return shownRow == 0 ? 0 : -1;
    }
    const int patch = PatchAt(shownRow - 1, count);
    return patch < 0 ? -1 : patch + 1;
}

int TLibraryRowMap::ToShownRow(int libraryRow, int count) const {
    if (libraryRow <= 0) {
        return libraryRow == 0 ? 0 : -1;
    }
    const int rows = RowCount(count);
    if (rows == 0) {
        return -1;
    }
    if (!FFiltered) {
        return std::min(libraryRow, rows);
    }
    const auto at = std::lower_bound(FPatches.begin(), FPatches.end(), libraryRow - 1);
    const int index = static_cast<int>(at - FPatches.begin());
    return std::min(index, rows - 1) + 1;
}

void TLibraryRowMap::Inserted(int first, int last) {
    const int added = last - first + 1;
    for (int& patch : FPatches) {
        if (patch >= first) {
            patch += added;
        }
    }
}

void TLibraryRowMap::Removed(int first, int last) {
    const int removed = last - first + 1;
    std::erase_if(FPatches, [&](int patch) { return patch >= first && patch <= last; });
    for (int& patch : FPatches) {
        if (patch > last) {
            patch -= removed;
        }
    }
}

void TLibraryRowMap::Reset(int count) {
    std::erase_if(FPatches, [count](int patch) { return patch >= count; });
}

} // namespace velcora
