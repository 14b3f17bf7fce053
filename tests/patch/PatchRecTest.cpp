#include "DumpBuilder.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

TEST(PatchRec, Placeholder) {
    TPatchWorld w;
    EXPECT_EQ(w.Blank.Name(), "---:Blank       ");
}
