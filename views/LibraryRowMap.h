#pragma once

#include <vector>

namespace velcora {

/// Which library patches the grid's rows show while a filter hides some: the grid shows
/// row k for the k-th patch that passes, in library order. Without a filter every patch has
/// its own row. Rows at this interface are grid rows, as the workspace counts them: 0 the
/// title row, row r (1..) the r-th patch row, -1 outside the rows.
class TLibraryRowMap {
public:
    /// Every patch shows.
    void ShowAll();
    /// Only these patches show; indices of the library in ascending order.
    void ShowOnly(std::vector<int> patches);
    bool Filtered() const { return FFiltered; }
    /// The patches that show, while filtered.
    const std::vector<int>& Patches() const { return FPatches; }
    /// The patch rows a library of count patches fills in the grid.
    int RowCount(int count) const;
    /// The library index a model row (0-based) shows; -1 beyond the rows.
    int PatchAt(int modelRow, int count) const;

    /// A row of the grid as shown, as the library's grid row (its patch's index + 1).
    int ToLibraryRow(int shownRow, int count) const;
    /// A library grid row as the grid shows it: a hidden patch's row is the next row that
    /// shows (the last one beyond them all; -1 when none shows).
    int ToShownRow(int libraryRow, int count) const;

    // The library changed before the filter is applied again: the indices that show follow
    // their patches, so that every row still names an existing patch.
    /// Patches first..last were inserted; they do not show yet.
    void Inserted(int first, int last);
    /// Patches first..last were removed.
    void Removed(int first, int last);
    /// The library was rebuilt with count patches: indices beyond it are dropped.
    void Reset(int count);

private:
    bool FFiltered = false;
    std::vector<int> FPatches;
};

} // namespace velcora
