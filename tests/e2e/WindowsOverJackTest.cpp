// The windowed program as a person uses it, on the real MIDI stack: velcora-virtual-synth in
// its own process on a private JACK server, the program's windows on an X display, its real
// file dialogs typed into, and the synth's banks file telling what it holds.
#include "ChildProcess.h"
#include "DumpBuilder.h"
#include "IniFile.h"
#include "JackServer.h"
#include "MainWindow.h"
#include "Program.h"
#include "QtDialogs.h"
#include "RtMidiDriver.h"
#include "SetMidi.h"
#include "TempDir.h"
#include "VelcoraApplication.h"
#include "VirtualSynth.h"
#include "Workspace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace velcora::test {
namespace {

using namespace std::chrono_literals;

const std::string SynthPorts = "Velcora Virtual Synth";
const std::string Model = "Proteus 2000";

/// Waits (running the event loop) up to limit for done.
bool Await(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

TVelcoraApplication& App() {
    static int argc = 1;
    static char name[] = "e2e_windows_jack_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the pointing device the QTest clicks make outlives a static
    // application object and would be freed after it at exit.
    static auto* app = new TVelcoraApplication(argc, argv);
    return *app;
}

std::string ReadText(const std::string& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

/// One user bank's dumps out of an all-banks file.
std::vector<uint8_t> BankOf(const std::vector<uint8_t>& allBanks, int bank, size_t dumpSize) {
    const size_t size = static_cast<size_t>(TPatchBank::SlotCount) * dumpSize;
    const size_t start = static_cast<size_t>(bank) * size;
    if (allBanks.size() < start + size) {
        return {};
    }
    const auto first = allBanks.begin() + static_cast<std::ptrdiff_t>(start);
    return {first, first + static_cast<std::ptrdiff_t>(size)};
}

class WindowsOverJack : public ::testing::Test {
protected:
    void SetUp() override {
        // The program's own windows need a display; the test command runs under xvfb-run.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
            GTEST_SKIP() << "no display to show the windows on: its test command runs it under "
                            "xvfb-run, which was not installed when the build was configured";
        }
        Server = std::make_unique<TJackServer>(
            TJackServerOptions{.Period = 1024, .Sync = true, .ClientTimeoutMs = 20000});
        if (!Server->Running()) {
            GTEST_SKIP() << Server->Reason();
        }
        // The per-model folders go under this test's own folder; the program's devices are
        // the JACK server's, as the driver chooses them from the environment.
        setenv("HOME", Dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", Dir.File("config").c_str(), 1);
        setenv("VELCORA_MIDI_API", "jack", 1);
        App();
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }

        // The synth keeps its user banks in this file: written here first, so that it tells
        // what the synth holds from the start.
        ASSERT_EQ(emu::TVirtualSynth().SaveUserBanks(BanksFile()), "");
        InitialBanks = ReadBytes(BanksFile());
        Synth = std::make_unique<TChild>(std::vector<std::string>{VELCORA_VIRTUAL_SYNTH, "--jack",
                                                                  "--model", Model, "--banks",
                                                                  BanksFile(), "-v"},
                                         Dir.File("synth.log"));
        ASSERT_TRUE(Await([] { return JackMidiPorts(SynthPorts).size() >= 2; }, 30s))
            << "the synth's ports never came";

        // The settings name the synth's ports as the program's driver lists them.
        Driver = std::make_unique<TRtMidiDriver>();
        ASSERT_EQ(Driver->Api(), TRtMidiApi::Jack);
        std::string in;
        std::string out;
        for (uint32_t id = 0; id < Driver->InDeviceCount(); ++id) {
            TMidiInCaps caps;
            if (Driver->InDeviceCaps(id, caps) == 0 && caps.Name.find(SynthPorts) != npos) {
                in = caps.Name;
            }
        }
        for (uint32_t id = 0; id < Driver->OutDeviceCount(); ++id) {
            TMidiOutCaps caps;
            if (Driver->OutDeviceCaps(id, caps) == 0 && caps.Name.find(SynthPorts) != npos) {
                out = caps.Name;
            }
        }
        ASSERT_FALSE(in.empty() || out.empty()) << "in \"" << in << "\", out \"" << out << "\"";
        TIniFile ini(Dir.File("Velcora.INI"));
        ini.WriteString("MidiDevices", "Input", in);
        ini.WriteString("MidiDevices", "Output", out);
        // Short pauses between messages: a bank each way still takes a while.
        ini.WriteInteger(Model + "_0", "TimeBetweenSysex", 1);
        ini.WriteInteger(Model + "_0", "TimeBetweenPatches", 2);
    }

    void TearDown() override {
        WatchBoxes.stop();
        if (Program) {
            Program.reset();
        }
        if (QCoreApplication::instance() != nullptr) {
            App().SetDialogs(nullptr);
        }
        if (HasFailure() && Server && Server->Running()) {
            const auto tail = [](const std::string& text) {
                return text.substr(text.size() > 4000 ? text.size() - 4000 : 0);
            };
            std::cerr << "synth log (end):\n"
                      << tail(ReadText(Dir.File("synth.log"))) << "\njackd log (end):\n"
                      << tail(ReadText(Server->LogPath())) << "\n"
                      << JackConnections();
        }
    }

    std::string BanksFile() const { return Dir.File("synth-banks.syx"); }
    TWorkspace& Ws() { return Program->Workspace(); }
    TfMain& Main() { return Program->Main(); }
    template <typename T> T* Find(const char* name) {
        T* widget = Main().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    /// A message box nobody expects would wait for a person forever: it is noted, for the
    /// test to fail on, and closed.
    void StartWatchingBoxes() {
        WatchBoxes.setInterval(200);
        QObject::connect(&WatchBoxes, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                const std::string text = box->text().toStdString();
                if (!ExpectedBoxes.empty() && ExpectedBoxes.front() == text) {
                    ExpectedBoxes.erase(ExpectedBoxes.begin());
                    QAbstractButton* yes = box->button(QMessageBox::Yes);
                    if (yes != nullptr) {
                        yes->click();
                    } else {
                        box->accept();
                    }
                    return;
                }
                UnexpectedBoxes += text + "\n";
                box->reject();
            }
        });
        WatchBoxes.start();
    }

    /// The program started as the program entry starts it, on the saved devices, until its
    /// main window shows the identified synth.
    void StartProgram() {
        App().SetDialogs(&Dialogs);
        if (!WatchBoxes.isActive()) {
            StartWatchingBoxes();
        }
        Program = std::make_unique<TProgram>(
            Dialogs, *Driver, TProgramPlaces{Dir.File("Velcora.INI"), Dir.Path(), Dir.Path()});
        Program->Start();
        ASSERT_TRUE(Await(
            [&] {
                const TWorkspaceStatus s = Ws().Status();
                return Main().isVisible() && s.SynthFound && !s.AwaitingSynthDetails &&
                       !s.AwaitingDump;
            },
            90s))
            << "main window " << Main().isVisible() << ", synth found " << Ws().Status().SynthFound
            << ", boxes: " << UnexpectedBoxes;
        ASSERT_EQ(UnexpectedBoxes, "");
        ASSERT_EQ(Ws().Status().Tab, 0);
    }

    /// The menu a right press opened, by its object name.
    static QMenu* OpenMenu(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible()) {
                return qobject_cast<QMenu*>(top);
            }
        }
        return nullptr;
    }

    /// Types text into a cell of the library grid as a person does: a click on the row, a
    /// right press on the cell, the menu's Edit, the text, Enter.
    void EditLibraryCell(int patch, int column, const QString& typed) {
        auto* grid = Find<QTableView>("sgLib");
        ASSERT_NE(grid, nullptr);
        const QModelIndex cell = grid->model()->index(patch, column);
        grid->scrollTo(cell);
        const QPoint at = grid->visualRect(cell).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
        QMenu* menu = nullptr;
        ASSERT_TRUE(Await([&] { return (menu = OpenMenu("pmLib")) != nullptr; }, 10s))
            << "no library menu";
        QAction* edit = menu->findChild<QAction*>(QStringLiteral("pmLibEdit"));
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(edit).center());
        auto* editor = Find<QLineEdit>("eGridEdit");
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(Await([&] { return editor->isVisible(); }, 10s));
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_TRUE(Await([&] { return !editor->isVisible(); }, 10s));
    }

    /// Clicks button, whose command opens a file dialog, and chooses path in it as a person
    /// does: the full path typed into the file name box, then Enter. Answers the dialog's
    /// caption, empty when none came.
    std::string ChooseFile(QToolButton* button, const std::string& path) {
        std::string caption;
        if (button == nullptr) {
            return caption;
        }
        QTimer typist;
        typist.setInterval(100);
        QObject::connect(&typist, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) {
                return;
            }
            typist.stop();
            caption = dialog->windowTitle().toStdString();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name == nullptr) {
                ADD_FAILURE() << "the file dialog has no file name box";
                dialog->reject();
                return;
            }
            name->setFocus();
            name->selectAll();
            QTest::keyClicks(name, QString::fromStdString(path));
            QTest::keyClick(name, Qt::Key_Return);
            // The Enter may only have closed the name box's completion list.
            QTimer::singleShot(1000, dialog, [dialog, name] {
                if (dialog->isVisible()) {
                    QTest::keyClick(name, Qt::Key_Return);
                }
            });
        });
        // A dialog that does not take the name ends the wait rather than the test run.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "the file dialog stayed open";
                dialog->reject();
            }
        });
        typist.start();
        giveUp.start(60000);
        QTest::mouseClick(button, Qt::LeftButton);
        typist.stop();
        giveUp.stop();
        return caption;
    }

    /// Clicks a transfer's button and waits for its end.
    void RunTransfer(const char* buttonName) {
        QToolButton* button = Find<QToolButton>(buttonName);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible() && button->isEnabled()) << buttonName;
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(Ws().Status().TransferRunning) << buttonName << " started nothing";
        // 128 presets with the program's pauses, on a loaded machine.
        ASSERT_TRUE(Await([&] { return !Ws().Status().TransferRunning; }, 5min))
            << buttonName << " never ended";
        EXPECT_EQ(UnexpectedBoxes, "");
    }

    void ChooseTab(int tab) {
        QTabBar* tabs = Find<QTabBar>("pcUserBank");
        ASSERT_NE(tabs, nullptr);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        ASSERT_EQ(Ws().Status().Tab, tab);
    }

    /// Renames a slot of a user bank through the bank menu's Edit and the rename box.
    void Rename(int bank, int slot, const QString& typed) {
        auto* view = Find<QTableView>(("vleUser" + std::to_string(bank)).c_str());
        ASSERT_NE(view, nullptr);
        const QModelIndex cell = view->model()->index(slot, 1);
        view->scrollTo(cell);
        const QPoint at = view->visualRect(cell).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
        QMenu* menu = nullptr;
        ASSERT_TRUE(Await(
            [&] {
                for (QWidget* top : QApplication::topLevelWidgets()) {
                    if (top->objectName() == "pmBank" && top->isVisible()) {
                        menu = qobject_cast<QMenu*>(top);
                    }
                }
                return menu != nullptr;
            },
            10s))
            << "no bank menu";
        QAction* edit = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("Edit")) {
                edit = action;
            }
        }
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(edit).center());
        auto* box = Find<QLineEdit>("eUserEdit");
        ASSERT_NE(box, nullptr);
        // Keys go to the box itself: without a window manager no window need be active.
        ASSERT_TRUE(Await([&] { return box->isVisible(); }, 10s));
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        ASSERT_TRUE(Await([&] { return !box->isVisible(); }, 10s));
    }

    static constexpr size_t npos = std::string::npos;

    TTempDir Dir;
    std::unique_ptr<TJackServer> Server;
    std::unique_ptr<TChild> Synth;
    std::unique_ptr<TRtMidiDriver> Driver;
    std::vector<uint8_t> InitialBanks;
    TQtDialogs Dialogs;
    std::unique_ptr<TProgram> Program;
    QTimer WatchBoxes;
    std::string UnexpectedBoxes;
    /// The texts of the boxes the test expects next, in order: each is answered Yes (or OK).
    std::vector<std::string> ExpectedBoxes;
};

TEST_F(WindowsOverJack, ABankFetchedSavedRenamedAndSentBackReachesTheSynth) {
    const TDumpSizes sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const size_t dumpSize = static_cast<size_t>(sizes.TotalSize());

    StartProgram();
    if (HasFatalFailure()) {
        return;
    }

    // User bank 0 from the synth, into a new file.
    RunTransfer("bbGetBank");
    if (HasFatalFailure()) {
        return;
    }
    const std::string saved = Dir.File("From the synth.syx");
    EXPECT_EQ(ChooseFile(Find<QToolButton>("bbSaveBank"), saved), "Save Patch Bank File");
    ASSERT_TRUE(std::filesystem::exists(saved)) << UnexpectedBoxes;
    ASSERT_EQ(ReadBytes(saved).size(), static_cast<size_t>(TPatchBank::SlotCount) * dumpSize);
    // The synth answers in open-loop form; its banks file keeps the closed-loop one.
    {
        SCOPED_TRACE("the file saved against the synth's bank 0");
        ExpectSameExceptStamped(ReadBytes(saved), BankOf(InitialBanks, 0, dumpSize), sizes, true);
    }

    // That file into user bank 1, one name changed, and the bank sent to the synth's bank 1.
    ChooseTab(1);
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(ChooseFile(Find<QToolButton>("bbLoadBank"), saved), "Load Patch Bank File");
    Rename(1, 20, QStringLiteral("E2eSent Back"));
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(Ws().UserBank(1).Slot(20).Name().substr(0, 16), "E2e:Sent Back   ");
    RunTransfer("bbSendBank");
    if (HasFatalFailure()) {
        return;
    }

    // The transfer has handed every dump to the output, which may still be sending; the
    // synth writes its banks file every two seconds while its banks change.
    ASSERT_TRUE(Await([&] { return Ws().Status().OutputPending == 0; }, 60s));
    emu::TVirtualSynth held;
    const auto synthHoldsBank1 = [&] {
        if (!held.LoadUserBanks(BanksFile()).empty()) {
            return false;
        }
        for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
            if (held.UserPreset(1, slot).Name() !=
                Ws().UserBank(1).Slot(slot).Name().substr(0, 16)) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(Await(synthHoldsBank1, 30s))
        << "the synth's bank 1 slot 127 is named \"" << held.UserPreset(1, 127).Name() << "\"";
    EXPECT_EQ(held.UserPreset(1, 20).Name(), "E2e:Sent Back   ");
    // Whole, as the program holds it; and nothing else changed.
    const std::string expected = Dir.File("expected.syx");
    ASSERT_TRUE(Ws().WriteAllBanks(expected));
    const auto now = ReadBytes(BanksFile());
    ASSERT_EQ(now.size(), InitialBanks.size());
    SCOPED_TRACE("the synth's bank 1 against the program's");
    ExpectSameExceptStamped(BankOf(now, 1, dumpSize), BankOf(ReadBytes(expected), 1, dumpSize),
                            sizes, true);
    for (int bank : {0, 2, 3}) {
        SCOPED_TRACE(bank);
        EXPECT_EQ(BankOf(now, bank, dumpSize), BankOf(InitialBanks, bank, dumpSize));
    }
    EXPECT_EQ(UnexpectedBoxes, "");
}

TEST_F(WindowsOverJack, ALibraryEditedAndSavedComesBackAtTheNextStartAndTheEditBufferIsRenamed) {
    StartProgram();
    if (HasFatalFailure()) {
        return;
    }
    // User bank 0 from the synth, whole into the library after its blank patch.
    RunTransfer("bbGetBank");
    if (HasFatalFailure()) {
        return;
    }
    const int before = Ws().Library().Count();
    QTest::mouseClick(Find<QToolButton>("bbUserToLib"), Qt::LeftButton);
    ASSERT_EQ(Ws().Library().Count(), before + TPatchBank::SlotCount);
    const int row = before + 5; // slot 5 of the bank

    EditLibraryCell(row, 1, QStringLiteral("Kept Name"));
    EditLibraryCell(row, 2, QStringLiteral("played live"));
    if (HasFatalFailure()) {
        return;
    }
    const std::string type = Ws().Library().Patch(row).Name().substr(0, 3);
    ASSERT_EQ(Ws().Library().Patch(row).Name().substr(0, 16), type + ":Kept Name   ");
    ASSERT_EQ(Ws().Library().Patch(row).Note(0), "played live");

    const std::string library = Dir.File("Kept.lib");
    EXPECT_EQ(ChooseFile(Find<QToolButton>("bbSaveLib"), library), "Save Patch Library File");
    ASSERT_TRUE(std::filesystem::exists(library)) << UnexpectedBoxes;
    const int count = Ws().Library().Count();

    // The next start loads the library the settings remember, edit and note included.
    Program.reset();
    StartProgram();
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(Await([&] { return Ws().Library().Count() == count; }, 30s))
        << Ws().Library().Count() << " patches after the start";
    EXPECT_EQ(Ws().Library().Patch(row).Name().substr(0, 16), type + ":Kept Name   ");
    EXPECT_EQ(Ws().Library().Patch(row).Note(0), "played live");

    // The edit buffer: a random patch from the synth, renamed there, and fetched back.
    auto* category = Find<QLineEdit>("eCatagory");
    auto* name = Find<QLineEdit>("eEditBufName");
    ASSERT_TRUE(category != nullptr && name != nullptr);
    const QString shownBefore = category->text() + ":" + name->text();
    QTest::mouseClick(Find<QToolButton>("bbRandEditBuf"), Qt::LeftButton);
    ASSERT_TRUE(Await(
        [&] {
            return !Ws().Status().AwaitingDump &&
                   category->text() + ":" + name->text() != shownBefore;
        },
        60s))
        << "the random patch never came";
    category->setText(QStringLiteral("e2e"));
    name->setText(QStringLiteral("Renamed"));
    QTest::mouseClick(Find<QToolButton>("bbRenameEditBuf"), Qt::LeftButton);
    ASSERT_TRUE(Await([&] { return Ws().Status().OutputPending == 0; }, 30s));
    category->clear();
    name->clear();
    QTest::mouseClick(Find<QToolButton>("bbGetEditBuf"), Qt::LeftButton);
    ASSERT_TRUE(Await([&] { return !Ws().Status().AwaitingDump && !name->text().isEmpty(); }, 60s))
        << "the edit buffer never came back";
    EXPECT_EQ(category->text().toStdString(), "e2e");
    EXPECT_EQ(name->text().trimmed().toStdString(), "Renamed");
    EXPECT_EQ(UnexpectedBoxes, "");
}

// The setup dialog's lists were made before the program's own ports opened; JACK lists those
// among its ports. "None" for the keyboard opens nothing: no port of the program's own comes
// back into it, and the settings file names none.
TEST_F(WindowsOverJack, NoneForTheKeyboardOpensNoPortOfTheProgramsOwn) {
    StartProgram();
    if (HasFatalFailure()) {
        return;
    }
    const std::string ownIn = ":Velcora in";
    const std::string ownOut = ":Velcora out";
    ASSERT_EQ(JackMidiPorts(ownIn).size(), 1u) << JackConnections();
    ASSERT_EQ(JackMidiPorts(ownOut).size(), 1u) << JackConnections();

    TfSetMidi& setup = Program->SetupDialog();
    setup.show();
    auto* keyboard = setup.findChild<QListWidget*>(QStringLiteral("lbKbdIn"));
    ASSERT_NE(keyboard, nullptr);
    for (int row = 0; row < keyboard->count(); ++row) {
        const std::string entry = keyboard->item(row)->text().toStdString();
        EXPECT_EQ(entry.find(ownIn), npos) << entry;
        EXPECT_EQ(entry.find(ownOut), npos) << entry;
    }
    QListWidgetItem* none = keyboard->item(keyboard->count() - 1);
    ASSERT_EQ(none->text(), QStringLiteral("None"));
    keyboard->scrollToItem(none);
    QTest::mouseClick(keyboard->viewport(), Qt::LeftButton, {},
                      keyboard->visualItemRect(none).center());
    QTest::qWait(500);

    const TWorkspaceStatus s = Ws().Status();
    EXPECT_EQ(s.KbdInput.Name, "None");
    EXPECT_FALSE(s.KbdInput.Open);
    EXPECT_TRUE(s.SynthInput.Open);
    EXPECT_TRUE(s.SynthOutput.Open);
    EXPECT_EQ(keyboard->currentRow(), keyboard->count() - 1);
    EXPECT_EQ(TIniFile(Dir.File("Velcora.INI")).ReadString("MidiDevices", "KbdInput", ""), "None");
    const std::string settings = ReadText(Dir.File("Velcora.INI"));
    EXPECT_EQ(settings.find(ownIn), npos) << settings;
    EXPECT_EQ(settings.find(ownOut), npos) << settings;
    // One input of the program's own, the synth's; its output goes to the synth alone.
    EXPECT_EQ(JackMidiPorts(ownIn).size(), 1u) << JackConnections();
    const std::string links = JackConnections();
    for (size_t at = links.find(ownOut); at != npos; at = links.find(ownOut, at + 1)) {
        const std::string line = links.substr(at, links.find('\n', at) - at);
        EXPECT_EQ(line.find(ownIn), npos) << links;
    }
    EXPECT_EQ(UnexpectedBoxes, "");
}

// Closing while a bank is being fetched asks first; Yes cancels the fetch and closes. The
// half-fetched bank goes into the end-of-run backup, and the next start brings it back still
// marked unsaved.
TEST_F(WindowsOverJack, ClosingDuringABankFetchCancelsItAndTheHalfFetchedBankStaysUnsaved) {
    StartProgram();
    if (HasFatalFailure()) {
        return;
    }
    QToolButton* get = Find<QToolButton>("bbGetBank");
    ASSERT_NE(get, nullptr);
    QTest::mouseClick(get, Qt::LeftButton);
    ASSERT_TRUE(Ws().Status().TransferRunning);
    auto* progress = Find<QProgressBar>("pbLoadPatches");
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(Await([&] { return progress->value() >= 4; }, 60s)) << "the fetch never went on";
    ExpectedBoxes = {"A transfer is running. Cancel it and close?",
                     "Are you sure you want to close the program?\n\n" + UnsavedList(Ws().Dirty())};
    ASSERT_TRUE(Ws().Dirty()[2]) << "the fetch marks user bank 0 unsaved";
    const std::string backup = Ws().Folders().BackupDir + "EndBanks1.syx";
    Main().close();
    EXPECT_TRUE(ExpectedBoxes.empty()) << "still expected: " << ExpectedBoxes.front();
    EXPECT_FALSE(Main().isVisible()) << "the window closed";
    EXPECT_FALSE(Ws().Status().TransferRunning) << "the fetch was cancelled";
    ASSERT_TRUE(std::filesystem::exists(backup));
    const std::string slot0 = Ws().UserBank(0).Slot(0).Name();
    EXPECT_EQ(UnexpectedBoxes, "");

    Program.reset();
    StartProgram();
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(Ws().UserBank(0).Slot(0).Name(), slot0) << "the backup came back";
    EXPECT_TRUE(Ws().Dirty()[2]) << "but not as a saved bank";
    QTabBar* tabs = Find<QTabBar>("pcUserBank");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "*User 0");
    EXPECT_EQ(UnexpectedBoxes, "");
}

} // namespace
} // namespace velcora::test
