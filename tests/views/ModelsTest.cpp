// The Qt models over the bank and the library: every change the stores announce keeps the
// model consistent (checked by Qt's own model tester), and only the rows that changed are
// announced.
#include "BankModel.h"
#include "Cp1252.h"
#include "DumpBuilder.h"
#include "LibraryModel.h"
#include "Patchlib.h"
#include "TestApp.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

class ModelsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApp(); }
    void AddPatches(int n) {
        for (int i = 0; i < n; ++i) {
            TPatchRec rec;
            TDumpSpec made;
            made.Seed = static_cast<uint32_t>(i + 1);
            made.Name = "Lib:" + std::to_string(i);
            W.Fill(rec, made);
            rec.SetNote(1, "n" + std::to_string(i));
            Lib.Add(rec);
        }
    }
    TPatchWorld W;
    TPatchLib Lib{W.Ctx};
};

} // namespace

TEST_F(ModelsTest, LibraryModelFollowsEveryOperation) {
    TLibraryModel model(Lib);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removes(&model, &QAbstractItemModel::rowsRemoved);

    AddPatches(6);
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(inserts.count(), 6);
    EXPECT_EQ(model.data(model.index(2, 0)).toString(), "Lib");
    EXPECT_EQ(model.data(model.index(2, 1)).toString(), "2           ");
    EXPECT_EQ(model.data(model.index(2, 3)).toString(), "n2");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Note 1");

    Lib.DeselectAll();
    Lib.Patch(1).SetSelected(true);
    Lib.Patch(2).SetSelected(true);
    Lib.CopySelection();
    Lib.DeselectAll();
    Lib.Patch(4).SetSelected(true);
    Lib.Paste();
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_EQ(resets.count(), 0) << "a paste announces its rows, not a reset";
    EXPECT_TRUE(model.data(model.index(4, 0), TLibraryModel::SelectedRole).toBool());

    Lib.DeleteSelected();
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(removes.count(), 1);

    Lib.Patch(0).SetSelected(true);
    Lib.Patch(5).SetSelected(true);
    Lib.SwapTwo();
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), "n5");

    Lib.DeDup();
    Lib.NewLibrary();
    EXPECT_EQ(model.rowCount(), 1);
    Lib.Patch(0).SetSelected(true);
    Lib.DeleteSelected();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ModelsTest, LibraryModelAfterAFileIsRead) {
    TLibraryModel model(Lib);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy captions(&model, &TLibraryModel::captionChanged);
    AddPatches(3);
    const auto dump = MakeDump(W.Ctx.Sizes);
    std::vector<TLibRecord> records(5, TLibRecord{{"a", "b", "c"}, dump});
    ASSERT_TRUE(Lib.LoadBytes(LibraryBytes(5, records)));
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.data(model.index(4, 4)).toString(), "c");
    EXPECT_FALSE(captions.isEmpty());
}

TEST_F(ModelsTest, BankModelAnnouncesTheRowsThatChanged) {
    TPatchBank bank(W.Ctx, 1, "User 1", true);
    TBankModel model(bank);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(model.rowCount(), 128);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Patch (Type : Name)");

    W.Fill(W.Clip.Slot(0), {});
    W.Ctx.ClipCount = 1;
    bank.Slot(9).SetSelected(true);
    bank.Paste(TInsertMode::Overwrite);
    bool sawRow9 = false;
    for (const auto& args : changed) {
        const auto top = args.at(0).value<QModelIndex>();
        const auto bottom = args.at(1).value<QModelIndex>();
        if (args.at(2).value<QList<int>>().contains(Qt::DisplayRole)) {
            EXPECT_EQ(top.row(), 9);
            EXPECT_EQ(bottom.row(), 9);
            sawRow9 = true;
        }
    }
    EXPECT_TRUE(sawRow9);
    EXPECT_EQ(model.data(model.index(9, 1)).toString(), "Pad:Warm Strings");
    EXPECT_EQ(model.data(model.index(9, 0)).toInt(), 9);
}

TEST(Cp1252, RoundTripOfEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const QString text = FromCp1252(all);
    EXPECT_EQ(text.at(0x80 - 1), QChar(0x20AC));
    EXPECT_EQ(text.at(0xE9 - 1), QChar(0xE9));
    EXPECT_EQ(ToCp1252(text), all);
    EXPECT_EQ(ToCp1252(QString::fromUtf8("Pad\u4e2d")), "Pad?");
}
