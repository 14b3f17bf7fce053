// Which library patch each grid row shows under a filter, both ways, and how the map follows
// the library's changes until the filter is applied again.
#include "LibraryRowMap.h"

#include <gtest/gtest.h>

using namespace velcora;

TEST(LibraryRowMapTest, RowsTranslateBothWays) {
    TLibraryRowMap all;
    TLibraryRowMap some;
    some.ShowOnly({1, 4, 5}); // of 7 patches
    const struct {
        const char* What;
        const TLibraryRowMap& Map;
        int Count;
        int Shown;   ///< a grid row as shown
        int Library; ///< the library's grid row it stands for
    } cases[] = {
        {"unfiltered: the title row", all, 7, 0, 0},
        {"unfiltered: rows are the library's", all, 7, 3, 3},
        {"unfiltered: outside the rows", all, 7, -1, -1},
        {"filtered: the title row", some, 7, 0, 0},
        {"filtered: the first shown row", some, 7, 1, 2},
        {"filtered: the last shown row", some, 7, 3, 6},
        {"filtered: outside the rows", some, 7, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(c.Map.ToLibraryRow(c.Shown, c.Count), c.Library);
        EXPECT_EQ(c.Map.ToShownRow(c.Library, c.Count), c.Shown);
    }
    EXPECT_EQ(all.ToLibraryRow(8, 7), -1) << "beyond the last row";
    EXPECT_EQ(some.ToLibraryRow(4, 7), -1) << "beyond the last shown row";
    EXPECT_EQ(some.RowCount(7), 3);
    EXPECT_EQ(all.RowCount(7), 7);

    // A hidden patch's row is the next shown one (scrolling to it), the last beyond them all.
    EXPECT_EQ(some.ToShownRow(1, 7), 1);
    EXPECT_EQ(some.ToShownRow(3, 7), 2);
    EXPECT_EQ(some.ToShownRow(7, 7), 3);
    EXPECT_EQ(all.ToShownRow(9, 7), 7);
    TLibraryRowMap none;
    none.ShowOnly({});
    EXPECT_EQ(none.ToShownRow(3, 7), -1);
    EXPECT_EQ(none.ToLibraryRow(1, 7), -1);
}

TEST(LibraryRowMapTest, TheShownPatchesFollowInsertionsAndRemovals) {
    TLibraryRowMap map;
    map.ShowOnly({1, 4, 5, 8});
    map.Inserted(4, 5); // two patches before patch 4: they do not show yet
    EXPECT_EQ(map.Patches(), (std::vector<int>{1, 6, 7, 10}));
    map.Removed(6, 7); // both shown ones go
    EXPECT_EQ(map.Patches(), (std::vector<int>{1, 8}));
    map.Removed(0, 0);
    EXPECT_EQ(map.Patches(), (std::vector<int>{0, 7}));
    // A rebuilt library of 5 patches: no row may name a patch beyond it.
    map.Reset(5);
    EXPECT_EQ(map.Patches(), std::vector<int>{0});
    EXPECT_EQ(map.PatchAt(0, 5), 0);
    EXPECT_EQ(map.PatchAt(1, 5), -1);
    // A stale index is no patch even before the map follows the library.
    map.ShowOnly({0, 9});
    EXPECT_EQ(map.PatchAt(1, 5), -1);
    map.ShowAll();
    EXPECT_FALSE(map.Filtered());
    EXPECT_EQ(map.PatchAt(4, 5), 4);
}
