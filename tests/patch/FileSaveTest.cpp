// Saving never loses the file that was there: atomic writes, the backup question and its
// failures.
#include "FileSave.h"

#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchMessages.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velcora;
using namespace velcora::test;

namespace {

size_t FilesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

struct TWriteFaults {
    explicit TWriteFaults(size_t after) { test_hooks::FailWritesAfter(after); }
    ~TWriteFaults() { test_hooks::FailWritesAfter(std::nullopt); }
};

const std::vector<uint8_t> Old = {'o', 'l', 'd'};
const std::vector<uint8_t> New(5000, 'n');

TSaveResult Save(TPatchWorld& w, const std::string& path, const std::string& question) {
    return SaveWithBackupQuestion(w.Ctx, path, question, [](TByteWriter& out) { out.Write(New); });
}

} // namespace

TEST(BackupName, ReplacesTheLastThreeCharactersAndNeverNamesTheFileItself) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/bank.syx", "/a/bank.BAK"},
        {"lib.lib", "lib.BAK"},
        {"/a.b/x", "/a.b/xBAK"},
        {"/a/abc", "/a/BAK"},
        // The replaced name would be the file itself, also to a file system that ignores
        // letter case: ".BAK" is appended instead.
        {"/a/bank.BAK", "/a/bank.BAK.BAK"},
        {"/a/bank.bak", "/a/bank.bak.BAK"},
        {"/a/xBaK", "/a/xBaK.BAK"},
        {"/a/BAK", "/a/BAK.BAK"},
        {"bak", "bak.BAK"},
    };
    for (const auto& [path, backup] : cases) {
        EXPECT_EQ(BackupName(path), backup) << path;
    }
}

TEST(AtomicWrite, SavingOverABackupKeepsTheOldFileBesideIt) {
    TPatchWorld w;
    TTempDir dir;
    const std::string path = dir.File("bank.BAK");
    WriteBytes(path, Old);
    w.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, TAnswer::Yes);
    EXPECT_EQ(Save(w, path, msg::BackupQuestion), TSaveResult::Saved);
    EXPECT_EQ(ReadBytes(path), New);
    EXPECT_EQ(ReadBytes(dir.File("bank.BAK.BAK")), Old);
}

TEST(AtomicWrite, NewFileAndReplacement) {
    TTempDir dir;
    const std::string path = dir.File("f.syx");
    ASSERT_TRUE(WriteFileAtomically(path, Old).Ok);
    EXPECT_EQ(ReadBytes(path), Old);
    ASSERT_TRUE(WriteFileAtomically(path, New).Ok);
    EXPECT_EQ(ReadBytes(path), New);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(AtomicWrite, AWriteFailingHalfWayLeavesTheOldFile) {
    TPatchWorld w;
    for (TAnswer answer : {TAnswer::No, TAnswer::Yes}) {
        TTempDir dir;
        const std::string path = dir.File("bank.syx");
        WriteBytes(path, Old);
        TWriteFaults faults(1000);
        w.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, answer);
        w.Dialogs.ExpectMessage(TMessageKind::Error, msg::CantSave(path, std::strerror(ENOSPC)));
        EXPECT_EQ(Save(w, path, msg::BackupQuestion), TSaveResult::Failed);
        EXPECT_EQ(ReadBytes(path), Old);
        EXPECT_EQ(FilesIn(dir.Path()), 1u) << "no temporary file or backup left behind";
    }
}

TEST(AtomicWrite, AFailedBackupRenameNeverOverwritesTheFile) {
    TPatchWorld w;
    TTempDir dir;
    const std::string path = dir.File("bank.syx");
    WriteBytes(path, Old);
    // A folder under the backup's name makes the rename fail, even for root.
    std::filesystem::create_directory(dir.File("bank.BAK"));
    WriteBytes(dir.File("bank.BAK/keep"), Old);
    w.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, TAnswer::Yes);
    w.Dialogs.ExpectMessage(TMessageKind::Error,
                            msg::CantBackup(dir.File("bank.BAK"), std::strerror(EISDIR)));
    EXPECT_EQ(Save(w, path, msg::BackupQuestion), TSaveResult::Failed);
    EXPECT_EQ(ReadBytes(path), Old);
    EXPECT_EQ(FilesIn(dir.Path()), 2u);
}

TEST(AtomicWrite, AnOldBackupIsReplacedByTheNewOne) {
    TPatchWorld w;
    TTempDir dir;
    const std::string path = dir.File("bank.syx");
    WriteBytes(path, Old);
    WriteBytes(dir.File("bank.BAK"), {'x'});
    w.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, TAnswer::Yes);
    EXPECT_EQ(Save(w, path, msg::BackupQuestion), TSaveResult::Saved);
    EXPECT_EQ(ReadBytes(path), New);
    EXPECT_EQ(ReadBytes(dir.File("bank.BAK")), Old);
}

TEST(AtomicWrite, ReadOnlyFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders; the write fault test covers this";
    }
    TPatchWorld w;
    TTempDir dir;
    const std::string path = dir.File("bank.syx");
    WriteBytes(path, Old);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    w.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, TAnswer::No);
    w.Dialogs.ExpectMessage(TMessageKind::Error, msg::CantSave(path, std::strerror(EACCES)));
    EXPECT_EQ(Save(w, path, msg::BackupQuestion), TSaveResult::Failed);
    EXPECT_EQ(ReadBytes(path), Old);
}

TEST(ReadFilePrefix, ReadsAtMostWhatIsAskedFor) {
    TTempDir dir;
    const std::string path = dir.File("big");
    WriteBytes(path, New);
    auto r = ReadFilePrefix(path, 100);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Bytes.size(), 100u);
    r = ReadFilePrefix(path, 1 << 20);
    EXPECT_EQ(r.Bytes.size(), New.size());
    EXPECT_FALSE(ReadFilePrefix(dir.File("missing"), 10).Ok);
    EXPECT_FALSE(ReadFilePrefix(dir.Path(), 10).Ok);
}

TEST(SaveThroughDialog, SavesWhereChosenAndNothingWhenCancelled) {
    struct TCase {
        const char* What;
        std::string Choose; // empty: the dialog is cancelled
        TAnswer Backup;     // the answer to the backup question over the old file
        bool Chosen;
        TSaveResult Result;
        std::vector<uint8_t> After;
    };
    const TCase cases[] = {
        {"dialog cancelled", "", TAnswer::Yes, false, TSaveResult::Cancelled, Old},
        {"question cancelled", "f.syx", TAnswer::Cancel, true, TSaveResult::Cancelled, Old},
        {"saved", "f.syx", TAnswer::No, true, TSaveResult::Saved, New},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TPatchWorld w;
        TTempDir dir;
        const std::string path = dir.File("f.syx");
        WriteBytes(path, Old);
        w.Dialogs.ExpectSave("Save", c.Choose.empty() ? "" : path);
        if (!c.Choose.empty()) {
            w.Dialogs.ExpectMessage(TMessageKind::Confirmation, "Backup?", c.Backup);
        }
        const TDialogSave save =
            SaveThroughDialog(w.Ctx, "Save", "Sysex (*.syx)|*.SYX", dir.Path(), "proposed.syx",
                              "Backup?", [](TByteWriter& out) { out.Write(New); });
        EXPECT_EQ(save.Chosen, c.Chosen);
        EXPECT_EQ(save.Result, c.Result);
        EXPECT_EQ(save.FileName, c.Chosen ? path : "proposed.syx");
        EXPECT_EQ(ReadBytes(path), c.After);
        EXPECT_TRUE(w.Dialogs.ScriptDone());
    }
}
