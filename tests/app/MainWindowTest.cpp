// The program as a person meets it: the windows built by the program's start-up on the
// in-process virtual synth, driven by clicks and keys, with every message box scripted.
#include "MainWindow.h"

#include "IniFile.h"
#include "MidiOutputError.h"
#include "Program.h"
#include "ScriptedDialogs.h"
#include "SetMidi.h"
#include "Splash.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "WindowTestSupport.h"
#include "Workspace.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

using namespace velcora;
using namespace velcora::test;
using namespace std::chrono_literals;

namespace {

using TAppEnvironment = TWidgetAppEnvironment<TVelcoraApplication>;

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TAppEnvironment);

TVelcoraApplication& App() {
    return TAppEnvironment::Instance();
}

/// Every file below a folder with its bytes.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

class MainWindowTest : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;

    MainWindowTest() {
        App();
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
    }

    /// The program as velcora --virtual-synth starts it (synthDevice empty: as without), its
    /// main window showing.
    void Make(const std::string& synthDevice = SynthPort) {
        Program = std::make_unique<TProgram>(
            Dialogs, Driver, TProgramPlaces{Dir.File("Velcora.INI"), Dir.Path(), Dir.Path()},
            synthDevice);
        QObject::connect(&Main(), &TfMain::closed, [this] { ++Closed; });
        Main().show();
    }
    /// Made, and the synth identified with its edit buffer in the fields.
    void Start() {
        Make();
        ASSERT_TRUE(
            PumpUntil([&] { return Ws().Status().SynthFound && ShowsSynthEditBuffer(); }, 20s));
        // Transfers in tests need no breath between messages.
        Ws().SetTimeBetweenSysex(0);
        Ws().SetTimeBetweenPatches(1);
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
    std::string SynthEditBufferName() {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    }
    /// The two fields show the name of the synth's edit buffer.
    bool ShowsSynthEditBuffer() {
        const std::string name = SynthEditBufferName();
        return Text(&Find<QLineEdit>("eCatagory")) == name.substr(0, 3) &&
               Text(&Find<QLineEdit>("eEditBufName")) == name.substr(4);
    }
    bool TransferShowing() {
        const bool bar = Find<QProgressBar>("pbLoadPatches").isVisible();
        EXPECT_EQ(Find<QToolButton>("bbCancelGet").isVisible(), bar);
        return bar;
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
    std::unique_ptr<TProgram> Program;
    int Closed = 0;
};

TEST_F(MainWindowTest, ClosingAsksNoKeepsEverythingYesWritesTheBackupAndEnds) {
    // The new library of every start holds only the blank patch: nothing to save.
    const std::string question = "Are you sure you want to close the program?\n\n";
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"the window's close", [this] { Main().close(); }},
        {"the Exit button",
         [this] { QTest::mouseClick(&Find<QPushButton>("bbExitProgram"), Qt::LeftButton); }},
    };
    for (const auto& [way, close] : ways) {
        SCOPED_TRACE(way);
        Closed = 0;
        Start();
        const std::string backup = Ws().Folders().BackupDir + "EndBanks1.syx";
        const auto before = Snapshot(Dir.Path());

        Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::No);
        close();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_TRUE(Main().isVisible());
        EXPECT_EQ(Closed, 0);
        EXPECT_EQ(Snapshot(Dir.Path()), before) << "No writes nothing";

        Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::Yes);
        close();
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(Main().isVisible());
        EXPECT_EQ(Closed, 1);
        ASSERT_TRUE(std::filesystem::exists(backup));
        const std::string again = Dir.File("again.syx");
        ASSERT_TRUE(Ws().WriteAllBanks(again));
        EXPECT_EQ(ReadBytes(backup), ReadBytes(again)) << "the four user banks, as they are";
        Program.reset();
        std::filesystem::remove_all(Dir.Path() + "/Velcora");
    }
}

TEST_F(MainWindowTest, AnErrorRaisedByAHandlerReachesTheErrorBoxAndTheProgramGoesOn) {
    App().SetDialogs(&Dialogs);
    QPushButton button("Send");
    button.show();
    int after = 0;
    // An event the port's error leaves: a mouse event would do as well, but Qt's own copy of
    // it is lost when an error unwinds through its delivery, which the leak checker reports.
    struct TRaiser : QObject {
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) {
                throw EMidiOutputError("MIDI Output Error: the device is gone");
            }
            return QObject::event(e);
        }
    } raiser;
    const std::vector<std::pair<std::string, std::function<void()>>> raisers{
        {"MIDI Output Error: the device is gone",
         [&] {
             QCoreApplication::postEvent(&raiser, new QEvent(QEvent::User));
             QTimer::singleShot(1, &button, [&] { ++after; });
             PumpUntil([&] { return after > 0; }, 5s);
         }},
        {"a timer's fault",
         [&] {
             QTimer::singleShot(0, &button, [] { throw std::runtime_error("a timer's fault"); });
             QTimer::singleShot(1, &button, [&] { ++after; });
             PumpUntil([&] { return after > 1; }, 5s);
         }},
    };
    for (const auto& [text, raise] : raisers) {
        SCOPED_TRACE(text);
        Dialogs.ExpectMessage(TMessageKind::Error, text);
        raise();
        EXPECT_TRUE(Dialogs.ScriptDone());
    }
    EXPECT_EQ(after, 2) << "the events after the error still run";
    App().SetDialogs(nullptr);
}

TEST_F(MainWindowTest, TheProgressBarAndCancelShowOnlyDuringATransfer) {
    Start();
    auto& getEditBuf = Find<QToolButton>("bbGetEditBuf");
    EXPECT_FALSE(TransferShowing());

    Ws().bbGetBankClick();
    EXPECT_TRUE(TransferShowing());
    EXPECT_EQ(Find<QProgressBar>("pbLoadPatches").maximum(), 128);
    EXPECT_FALSE(getEditBuf.isEnabled()) << "a transfer disables the edit buffer's commands";
    ASSERT_TRUE(PumpUntil([&] { return !Ws().Status().TransferRunning; }, 60s));
    EXPECT_FALSE(TransferShowing());
    EXPECT_TRUE(getEditBuf.isEnabled());

    Ws().bbGetBankClick();
    ASSERT_TRUE(PumpUntil([&] { return Find<QProgressBar>("pbLoadPatches").value() > 3; }, 20s));
    QTest::mouseClick(&Find<QToolButton>("bbCancelGet"), Qt::LeftButton);
    EXPECT_FALSE(Ws().Status().TransferRunning);
    EXPECT_FALSE(TransferShowing());
    EXPECT_TRUE(getEditBuf.isEnabled());
    // The dump asked for before the cancel still comes; nothing waits for it afterwards.
    EXPECT_TRUE(PumpUntil([&] { return !Ws().Status().AwaitingDump; }, 10s));
    EXPECT_FALSE(TransferShowing());
}

TEST_F(MainWindowTest, TheEditBufferFieldsFollowTheEditBufferAndRenameIt) {
    Start();
    auto& category = Find<QLineEdit>("eCatagory");
    auto& name = Find<QLineEdit>("eEditBufName");

    const std::string before = SynthEditBufferName();
    QTest::mouseClick(&Find<QToolButton>("bbRandEditBuf"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return SynthEditBufferName() != before; }, 10s));
    EXPECT_TRUE(PumpUntil([&] { return ShowsSynthEditBuffer(); }, 10s))
        << Text(&category) << ":" << Text(&name) << " for " << SynthEditBufferName();

    struct Case {
        const char* How;
        std::string Category;
        std::string Name;
        std::function<void()> Rename;
        std::string Expected;
    };
    const std::vector<Case> cases{
        {"Enter in the name field", "Pad", "Warm Strings",
         [&] { QTest::keyClick(&name, Qt::Key_Return); }, "Pad:Warm Strings"},
        {"Enter in the type field", "Ld", "Solo",
         [&] { QTest::keyClick(&category, Qt::Key_Return); }, "Ld :Solo        "},
        {"the rename button", "Bass", "Deep Sub Bass Long",
         [&] { QTest::mouseClick(&Find<QToolButton>("bbRenameEditBuf"), Qt::LeftButton); },
         "Bas:Deep Sub Bas"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.How);
        category.clear();
        name.clear();
        QTest::keyClicks(&category, QString::fromStdString(c.Category));
        QTest::keyClicks(&name, QString::fromStdString(c.Name));
        c.Rename();
        EXPECT_TRUE(PumpUntil([&] { return SynthEditBufferName() == c.Expected; }, 10s))
            << SynthEditBufferName();
        EXPECT_EQ(Text(&category), c.Expected.substr(0, 3).substr(0, c.Category.size()))
            << "the fields keep what was typed, cut to their lengths";
        EXPECT_EQ(Ws().EditPatch().Name().substr(0, 16), c.Expected);
    }

    // The synth's edit buffer, fetched, comes back into the fields.
    QTest::mouseClick(&Find<QToolButton>("bbRandEditBuf"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return SynthEditBufferName() != cases.back().Expected; }, 10s));
    EXPECT_TRUE(PumpUntil([&] { return ShowsSynthEditBuffer(); }, 10s));
}

TEST_F(MainWindowTest, TheWindowFitsASmallScreenAndNamesEveryControl) {
    Make({});
    const QSize least = Main().minimumSizeHint();
    // A 1366 x 768 screen less a panel and the window's title bar.
    EXPECT_LE(least.width(), 1366);
    EXPECT_LE(least.height(), 768 - 80);

    for (const char* name :
         {"pbLoadPatches", "bbCancelGet", "bSetupMidi", "pcMain", "tsPatch", "pcPatch", "sgLib",
          "pEditBuff", "eCatagory", "eEditBufName", "bbGetEditBuf", "bbSendEditBuf",
          "bbAllSoundOff", "bbLoadEditBuf", "bbSaveEditBuf", "bbRandEditBuf", "bbRenameEditBuf",
          "pUserBank", "bbExitProgram"}) {
        SCOPED_TRACE(name);
        const QWidget& widget = Find<QWidget>(name);
        EXPECT_FALSE(widget.accessibleName().isEmpty());
        if (qobject_cast<const QToolButton*>(&widget)) {
            EXPECT_FALSE(widget.toolTip().isEmpty()) << "a picture button says what it does";
            EXPECT_FALSE(qobject_cast<const QToolButton*>(&widget)->icon().isNull());
        }
    }
    auto& sgLib = Find<QTableView>("sgLib");
    std::vector<std::string> titles;
    for (int c = 0; c < sgLib.model()->columnCount(); ++c) {
        titles.push_back(sgLib.model()->headerData(c, Qt::Horizontal).toString().toStdString());
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Type", "Name", "Note 1", "Note 2", "Note 3"}));
    auto& pcPatch = Find<QTabWidget>("pcPatch");
    ASSERT_EQ(pcPatch.count(), 2);
    EXPECT_EQ(pcPatch.tabText(1).toStdString(), "New Library");
    EXPECT_EQ(pcPatch.tabPosition(), QTabWidget::West);
    EXPECT_EQ(Find<QPushButton>("bSetupMidi").text().toStdString(), "Setup Midi");
    EXPECT_EQ(QApplication::applicationDisplayName().toStdString(), "Velcora V1.01");
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(MainWindowTest, TheSplashBringsUpTheMainWindowWithTheSetupDialogOrAlone) {
    // No device chosen: the first tick brings both up. The virtual synth answering: the main
    // window alone, ten ticks after the synth was found.
    const struct {
        const char* Name;
        std::string Device;
        bool WithSetup;
    } cases[] = {{"no devices", {}, true}, {"synth found", SynthPort, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Program = std::make_unique<TProgram>(
            Dialogs, Driver, TProgramPlaces{Dir.File("Velcora.INI"), Dir.Path(), Dir.Path()},
            c.Device);
        TfSplash& splash = Program->Splash();
        splash.show();
        if (!c.Device.empty()) {
            ASSERT_TRUE(PumpUntil([&] { return Ws().Status().SynthFound; }, 20s));
        }
        for (int tick = 0; tick < 20 && splash.isVisible(); ++tick) {
            splash.TimerTimer();
        }
        EXPECT_FALSE(splash.isVisible());
        EXPECT_TRUE(Main().isVisible());
        EXPECT_EQ(Program->SetupDialog().isVisible(), c.WithSetup);
        Program.reset();
    }
}

TEST_F(MainWindowTest, SetupMidiShowsTheSetupDialogWithoutBlocking) {
    Make({});
    QWidget& setup = Program->SetupDialog();
    EXPECT_FALSE(setup.isVisible());
    QTest::mouseClick(&Find<QPushButton>("bSetupMidi"), Qt::LeftButton);
    EXPECT_TRUE(setup.isVisible());
    EXPECT_FALSE(setup.isModal());
    EXPECT_TRUE(Main().isEnabled());
}

TEST_F(MainWindowTest, TheCaptionAndTheFocusComeFromTheWorkspace) {
    Start();
    // The edit buffer fetched after the search names the synth in the caption.
    EXPECT_EQ(Main().windowTitle().toStdString(), Ws().Synth().Caption() + " ");
    Ws().View().SetCaption("Proteus 2000 (Ver: 1.20 )  : User Bank 0 : 5 Pad:Warm Strings");
    EXPECT_EQ(Main().windowTitle().toStdString(),
              "Proteus 2000 (Ver: 1.20 )  : User Bank 0 : 5 Pad:Warm Strings");

    QApplication::setActiveWindow(&Main());
    auto& sgLib = Find<QTableView>("sgLib");
    Find<QLineEdit>("eEditBufName").setFocus();
    Ws().View().RestoreFocus(0);
    EXPECT_TRUE(sgLib.hasFocus());

    Find<QLineEdit>("eEditBufName").setFocus();
    Main().hide();
    Ws().View().RestoreFocus(0);
    EXPECT_FALSE(sgLib.hasFocus()) << "a hidden window takes no focus";
}

TEST_F(MainWindowTest, TheVirtualSynthLeavesTheSavedDevicesAsTheyWere) {
    TIniFile ini(Dir.File("Velcora.INI"));
    ini.WriteString("MidiDevices", "Input", "USB MIDI 1");
    ini.WriteString("MidiDevices", "Output", "USB MIDI 2");
    Start();
    Dialogs.ExpectMessage(TMessageKind::Confirmation,
                          "Are you sure you want to close the program?\n\n", TAnswer::Yes);
    Main().close();
    Program.reset();
    const TIniFile after(Dir.File("Velcora.INI"));
    EXPECT_EQ(after.ReadString("MidiDevices", "Input", ""), "USB MIDI 1");
    EXPECT_EQ(after.ReadString("MidiDevices", "Output", ""), "USB MIDI 2");
    EXPECT_EQ(after.ReadString("MidiDevices", "KbdInput", "(absent)"), "(absent)");
}
