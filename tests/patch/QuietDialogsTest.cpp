#include "QuietDialogs.h"

#include <gtest/gtest.h>

namespace velcora::test {
namespace {

TEST(QuietDialogs, AnswersAsAClosedBoxAndKeepsTheText) {
    struct TCase {
        TButtons Buttons;
        TAnswer Answer;
    };
    for (const TCase c : {TCase{TButtons::Ok, TAnswer::Ok}, TCase{TButtons::YesNo, TAnswer::No},
                          TCase{TButtons::YesNoCancel, TAnswer::Cancel},
                          TCase{TButtons::OkCancel, TAnswer::Cancel}}) {
        TQuietDialogs dialogs;
        EXPECT_EQ(dialogs.MessageBox(TMessageKind::Confirmation, "Replace?", c.Buttons), c.Answer)
            << static_cast<int>(c.Buttons);
        ASSERT_EQ(dialogs.Shown().size(), 1u);
        EXPECT_EQ(dialogs.Shown()[0].first, TMessageKind::Confirmation);
        EXPECT_EQ(dialogs.Shown()[0].second, "Replace?");
    }
}

TEST(QuietDialogs, FileDialogsAreCancelledWithTheProposedName) {
    TQuietDialogs dialogs;
    const TFileChoice open = dialogs.OpenFile("Load", "Sysex (*.syx)|*.SYX", "/a/", "b.syx");
    const TFileChoice save = dialogs.SaveFile("Save", "Sysex (*.syx)|*.SYX", "/a/", "c.syx");
    EXPECT_FALSE(open.Accepted);
    EXPECT_EQ(open.FileName, "b.syx");
    EXPECT_FALSE(save.Accepted);
    EXPECT_EQ(save.FileName, "c.syx");
    EXPECT_TRUE(dialogs.Shown().empty());
}

} // namespace
} // namespace velcora::test
