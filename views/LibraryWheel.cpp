#include "LibraryWheel.h"

#include <algorithm>

namespace velcora {

TGridScroll LibraryWheelStep(TGridScroll at, bool down, bool ctrl, int visible, int rowCount) {
    const int last = rowCount - 1;
    if (last < 1) {
        return at;
    }
    const int v = std::max(1, visible);
    int top = at.Top;
    int row = at.Row;
    if (!ctrl) {
        // The rows move under the current row, which stays where the person put it: Up and
        // Down go on from there, not from wherever the wheel has dragged it.
        if (down && top + v <= last) {
            ++top;
        } else if (!down && top > 1) {
            --top;
        }
        return {top, row};
    }
    if (down) {
        if (row + v < last) {
            if (top + v - 1 == row) {
                top = top + v - 1;
            }
            row = top + v - 2;
        } else {
            row = last;
            top = row - v;
        }
    } else {
        if (row - v > 2) {
            if (top == row) {
                top = top - v + 1;
            }
            row = top + 1;
        } else {
            row = 2;
            top = 2;
        }
    }
    // With Ctrl the current row turns the page; the grid's own move follows the step, and
    // moving its current row brings that row into sight.
    row = std::clamp(row + (down ? 1 : -1), 1, last);
    top = std::clamp(top, row - v + 1, row);
    top = std::clamp(top, 1, std::max(1, last - v + 1));
    return {top, row};
}

} // namespace velcora
