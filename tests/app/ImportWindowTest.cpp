// Importing preset collections through the window: the "Import..." button's menu with the
// scripted files-or-folder dialog, files dropped on the library grid, and the option box.
#include "DumpMaker.h"
#include "IniFile.h"
#include "LibraryView.h"
#include "MainWindow.h"
#include "Program.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "WindowTestSupport.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <chrono>
#include <filesystem>

using namespace velcora;
using namespace velcora::test;
using namespace std::chrono_literals;

namespace {

using TAppEnvironment = TWidgetAppEnvironment<TVelcoraApplication>;
const auto* const AppEnvironment = ::testing::AddGlobalTestEnvironment(new TAppEnvironment);

std::vector<uint8_t> Dump(uint32_t seed, const std::string& name) {
    TDumpSpec made;
    made.Seed = seed;
    made.Name = name;
    return MakeDump(TDumpSizes{}, made);
}

class ImportWindowTest : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;

    ImportWindowTest() {
        TAppEnvironment::Instance();
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
        std::filesystem::create_directories(Dir.File("in/sub"));
        WriteBytes(Dir.File("in/a.syx"), Dump(1, "Imp:One"));
        WriteBytes(Dir.File("in/sub/b.syx"), Dump(2, "Imp:Two"));
        WriteBytes(Dir.File("in/notes.txt"), {'h', 'i'});
    }

    void Start() {
        Program = std::make_unique<TProgram>(
            Dialogs, Driver, TProgramPlaces{Dir.File("Velcora.INI"), Dir.Path(), Dir.Path()},
            SynthPort);
        Main().show();
        ASSERT_TRUE(PumpUntil([&] { return Ws().Status().SynthFound; }, 20s));
    }
    void WaitForImport() {
        ASSERT_TRUE(PumpUntil([&] { return !Ws().Status().ImportRunning; }, 20s));
    }
    TWorkspace& Ws() { return Program->Workspace(); }
    TfMain& Main() { return Program->Main(); }
    template <typename T> T& Find(const char* name) {
        T* widget = Main().findChild<T*>(name);
        if (widget == nullptr) {
            throw std::logic_error(std::string("no control ") + name);
        }
        return *widget;
    }
    TLibraryView& Grid() { return Find<TLibraryView>("sgLib"); }
    int Rows() { return Grid().model()->rowCount(); }

    /// Drags the urls over the grid and drops them, as a file manager does.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* target = Grid().viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
    std::unique_ptr<TProgram> Program;
};

} // namespace

TEST_F(ImportWindowTest, TheImportMenuTakesFilesOrAFolder) {
    Start();
    auto& button = Find<QToolButton>("bbImportLib");
    EXPECT_EQ(button.text().toStdString(), "Import...");
    EXPECT_FALSE(button.accessibleName().isEmpty());
    EXPECT_FALSE(button.toolTip().isEmpty());
    EXPECT_TRUE(button.isEnabled());
    ASSERT_EQ(button.menu(), &Find<QMenu>("pmImport"));
    EXPECT_EQ(button.popupMode(), QToolButton::InstantPopup);
    const int before = Rows();

    Dialogs.ExpectOpenPaths("Import Presets", false, {Dir.File("in/a.syx")});
    Dialogs.ExpectMessage(TMessageKind::Information,
                          "Imported 1 preset from 1 file.\nDuplicates skipped: 0");
    Find<QMenu>("pmImport").findChild<QAction*>("miImportFiles")->trigger();
    WaitForImport();
    EXPECT_EQ(Rows(), before + 1);

    Dialogs.ExpectOpenPaths("Import a Folder of Presets", true, {Dir.File("in")});
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 1 preset from 3 files.\n"
                                                     "Duplicates skipped: 1\n"
                                                     "Files skipped: 1 not SysEx");
    Find<QMenu>("pmImport").findChild<QAction*>("miImportFolder")->trigger();
    WaitForImport();
    EXPECT_EQ(Rows(), before + 2);
    EXPECT_EQ(Grid().model()->index(before + 1, 1).data().toString().toStdString(), "Two         ");
    EXPECT_TRUE(Dialogs.ScriptDone());
    SaveScreenshot(Main(), "library-import.png");
}

TEST_F(ImportWindowTest, FilesDroppedOnTheGridAreImported) {
    Start();
    const int before = Rows();
    EXPECT_FALSE(Drop({QUrl("https://example.invalid/a.syx")})) << "only local files";
    Dialogs.ExpectMessage(TMessageKind::Information,
                          "Imported 2 presets from 3 files.\nDuplicates skipped: 0\n"
                          "Files skipped: 1 not SysEx");
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(QString::fromStdString(Dir.File("in")))}));
    WaitForImport();
    EXPECT_EQ(Rows(), before + 2);
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(ImportWindowTest, TheSkipDuplicatesBoxIsKept) {
    Start();
    auto& box = Find<QCheckBox>("cbImportSkipDuplicates");
    EXPECT_FALSE(box.accessibleName().isEmpty());
    EXPECT_TRUE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    EXPECT_FALSE(box.isChecked());
    EXPECT_FALSE(Ws().Status().ImportSkipDuplicates);
    Program.reset();
    Start();
    EXPECT_FALSE(Find<QCheckBox>("cbImportSkipDuplicates").isChecked());
}

// While an import runs, the library's commands are disabled, the "New Library" tab too, and
// files dropped on the grid are refused with a word; afterwards everything comes back.
TEST_F(ImportWindowTest, AnImportDisablesTheLibraryCommandsAndRefusesMoreFiles) {
    Start();
    const char* const buttons[] = {"bbLoadLib",   "bbSaveLib",   "bbDeDup",
                                   "bbEditToLib", "bbImportLib", "bbGetEditBuf",
                                   "bbGetBank",   "bbSendBank",  "bbUserToLib"};
    auto& tabs = Find<QTabWidget>("pcPatch");
    for (const char* name : buttons) {
        EXPECT_TRUE(Find<QToolButton>(name).isEnabled()) << name;
    }
    Dialogs.ExpectOpenPaths("Import a Folder of Presets", true, {Dir.File("in")});
    Find<QMenu>("pmImport").findChild<QAction*>("miImportFolder")->trigger();
    ASSERT_TRUE(Ws().Status().ImportRunning);
    for (const char* name : buttons) {
        EXPECT_FALSE(Find<QToolButton>(name).isEnabled()) << name;
    }
    EXPECT_FALSE(tabs.isTabEnabled(1)) << "New Library";
    Dialogs.ExpectMessage(
        TMessageKind::Warning,
        "An import is running.\nWait for it to end, or cancel it, before importing more.");
    Drop({QUrl::fromLocalFile(QString::fromStdString(Dir.File("in/a.syx")))});
    EXPECT_TRUE(Ws().Status().ImportRunning);
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 2 presets from 3 files.\n"
                                                     "Duplicates skipped: 0\n"
                                                     "Files skipped: 1 not SysEx");
    WaitForImport();
    EXPECT_TRUE(Dialogs.ScriptDone());
    for (const char* name : buttons) {
        EXPECT_TRUE(Find<QToolButton>(name).isEnabled()) << name;
    }
    EXPECT_TRUE(tabs.isTabEnabled(1));
}
