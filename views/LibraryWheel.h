#pragma once

namespace velcora {

/// Where the library grid stands, counted as the grid counts its rows: row 0 is the title
/// row, rows 1.. the patches.
struct TGridScroll {
    /// The first visible patch row.
    int Top = 1;
    /// The current row.
    int Row = 1;

    bool operator==(const TGridScroll&) const = default;
};

/// One wheel step over the library grid: without Ctrl the rows move one and the current row
/// stays; with Ctrl the current row jumps a page, then moves one row the wheel's way and
/// stays in sight, as a grid's own wheel move does. visible: the fully visible rows; rowCount: the
/// grid's rows, the title row included. A grid without patch rows does not move.
TGridScroll LibraryWheelStep(TGridScroll at, bool down, bool ctrl, int visible, int rowCount);

} // namespace velcora
