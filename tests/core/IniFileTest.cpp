#include "IniFile.h"

#include <gtest/gtest.h>

using namespace velcora;

TEST(IniFile, Placeholder) {
    EXPECT_EQ(TIniFile::Lookup("[a]\nb=c\n", "A", "B"), "c");
}
