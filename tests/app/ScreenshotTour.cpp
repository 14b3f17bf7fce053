// velcora_screenshot_tour OUTDIR: the program as velcora --virtual-synth starts it, driven
// through its windows by clicks as a person would, with a picture of each stage taken from
// the X screen (so that popup menus show). Run on an X server (scripts/screenshots.sh starts
// Xvfb); every message box the run raises is answered at once and listed at the end.
#include "MainWindow.h"
#include "Program.h"
#include "QuietDialogs.h"
#include "SetMidi.h"
#include "Splash.h"
#include "TempDir.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <stdexcept>
#include <string>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr int TransferLimitMs = 120000;

class TTour {
public:
    explicit TTour(const QString& outDir) : FOutDir(outDir) {
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(FDir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
    }

    void Run(TVelcoraApplication& app) {
        app.SetDialogs(&FDialogs);
        TProgram program(FDialogs, FDriver,
                         TProgramPlaces{FDir.File("Velcora.INI"), FDir.Path(), FDir.Path()},
                         emu::TVirtualSynthDevice::kDefaultName);
        TWorkspace& ws = program.Workspace();

        program.Start();
        Require(QTest::qWaitForWindowExposed(&program.Splash()), "the splash never showed");
        // Before the schedule's first tick, 100 ms after the showing, which reports the synth.
        QTest::qWait(30);
        Shoot("splash-searching", &program.Splash());
        auto& looking = Find<QLabel>(program.Splash(), "lLooking");
        if (looking.text() != "Looking for Synth") {
            std::fprintf(stderr, "the splash was past its search when pictured: %s\n",
                         looking.text().toLocal8Bit().constData());
        }
        Require(QTest::qWaitFor([&] { return looking.text() == " ---- Found Synth ---- "; }, 20000),
                "the splash never reported the synth found");
        Settle();
        Shoot("splash-found", &program.Splash());

        TfMain& main = program.Main();
        Require(QTest::qWaitFor([&] { return main.isVisible(); }, 20000),
                "the main window never came up");
        Require(QTest::qWaitForWindowExposed(&main), "the main window never showed");
        Require(QTest::qWaitFor([&] { return !ws.Status().TransferRunning; }, TransferLimitMs),
                "the edit buffer never arrived");
        // With the pauses the synth's section gives.
        QTest::mouseClick(&Find<QPushButton>(main, "bSetupMidi"), Qt::LeftButton);
        Require(QTest::qWaitFor([&] { return program.SetupDialog().isVisible(); }, 5000),
                "the setup dialog never came up");
        Require(QTest::qWaitForWindowExposed(&program.SetupDialog()),
                "the setup dialog never showed");
        Settle();
        Shoot("setup", &program.SetupDialog());
        // Where it comes up on the screen, over the main window.
        Shoot("setup-on-screen", &main, main.screen()->geometry());
        QTest::mouseClick(&Find<QAbstractButton>(program.SetupDialog(), "bbExit"), Qt::LeftButton);
        Require(QTest::qWaitFor([&] { return !program.SetupDialog().isVisible(); }, 5000),
                "the setup dialog stayed up");

        // The tour needs no breath between messages; these land in the tour's own settings.
        ws.SetTimeBetweenSysex(0);
        ws.SetTimeBetweenPatches(1);

        QTest::mouseClick(&Find<QToolButton>(main, "bbGetBank"), Qt::LeftButton);
        Require(QTest::qWaitFor([&] { return !ws.Status().TransferRunning; }, TransferLimitMs),
                "the bank fetch never ended");
        Press(main, "vleUser0", 3, Qt::LeftButton);
        Press(main, "vleUser0", 9, Qt::LeftButton, Qt::ShiftModifier);
        Settle();
        Shoot("main-user-bank", &main);

        // The menu opens where the pointer is, as after a real press.
        Press(main, "vleUser0", 6, Qt::RightButton);
        QMenu* menu = nullptr;
        Require(QTest::qWaitFor(
                    [&] {
                        menu = OpenMenu("pmBank");
                        return menu != nullptr;
                    },
                    5000),
                "the bank menu never opened");
        Require(QTest::qWaitForWindowExposed(menu), "the bank menu never showed");
        Settle();
        Shoot("bank-menu", &main, menu->frameGeometry());
        menu->close();

        // The window as it fits a 1366 x 768 screen.
        const QRect before = main.geometry();
        main.resize(main.width(), std::min(main.height(), 768 - 40));
        Settle();
        Shoot("main-small", &main);
        main.setGeometry(before);

        auto& tabs = Find<QTabBar>(main, "pcUserBank");
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(TWorkspace::RomTab).center());
        auto& romList = Find<QComboBox>(main, "cbROMList");
        Require(QTest::qWaitFor([&] { return romList.count() > 0; }, 5000),
                "the ROM lists stayed empty");
        QTest::mouseClick(&Find<QToolButton>(main, "bbROMGetBank"), Qt::LeftButton);
        Require(QTest::qWaitFor([&] { return !ws.Status().TransferRunning; }, TransferLimitMs),
                "the ROM bank fetch never ended");
        Settle();
        Shoot("main-rom", &main);

        // The library with a few hundred patches: the ROM bank, then user bank 0 three times.
        QTest::mouseClick(&Find<QToolButton>(main, "bbRomToLib"), Qt::LeftButton);
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(0).center());
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(&Find<QToolButton>(main, "bbUserToLib"), Qt::LeftButton);
        }
        Require(ws.Library().Count() > 500, "the banks did not reach the library");
        auto& grid = Find<QTableView>(main, "sgLib");
        grid.scrollToTop();
        Press(main, "sgLib", 4, Qt::LeftButton);
        Press(main, "sgLib", 11, Qt::LeftButton, Qt::ShiftModifier);
        Settle();
        Shoot("main-library", &main);

        Press(main, "sgLib", 6, Qt::RightButton);
        QMenu* libMenu = nullptr;
        Require(QTest::qWaitFor(
                    [&] {
                        libMenu = OpenMenu("pmLib");
                        return libMenu != nullptr;
                    },
                    5000),
                "the library menu never opened");
        Settle();
        Shoot("library-menu", &main, libMenu->frameGeometry());
        QAction* edit = libMenu->findChild<QAction*>("pmLibEdit");
        Require(edit != nullptr, "pmLibEdit");
        libMenu->close();
        edit->trigger();
        auto& editor = Find<QLineEdit>(main, "eGridEdit");
        Require(QTest::qWaitFor([&] { return editor.isVisible(); }, 5000),
                "the in-cell editor never showed");
        editor.selectAll();
        QTest::keyClicks(&editor, "Warm Strings");
        Settle();
        Shoot("library-editor", &main);
        // Enter with eight patches marked asks for the running numbers.
        QTimer::singleShot(0, [this] {
            QWidget* dialog = nullptr;
            Require(QTest::qWaitFor(
                        [&] {
                            dialog = QApplication::activeModalWidget();
                            return dialog != nullptr && dialog->objectName() == "fSeqRename";
                        },
                        5000),
                    "the sequence rename dialog never came up");
            Require(QTest::qWaitForWindowExposed(dialog), "the sequence rename never showed");
            Settle();
            Shoot("sequence-rename", dialog);
            QTest::mouseClick(&Find<QAbstractButton>(*dialog, "bYes"), Qt::LeftButton);
        });
        QTest::keyClick(&editor, Qt::Key_Return);
        Settle();
        Shoot("library-renamed", &main);

        // The patch list window, modal: pictured and closed from inside its own loop.
        QTimer::singleShot(0, [this] {
            QWidget* list = nullptr;
            Require(QTest::qWaitFor(
                        [&] {
                            list = QApplication::activeModalWidget();
                            return list != nullptr;
                        },
                        5000),
                    "the patch list window never came up");
            Require(QTest::qWaitForWindowExposed(list), "the patch list never showed");
            Settle();
            Shoot("patch-list", list);
            QTest::mouseClick(&Find<QAbstractButton>(*list, "bbExitPatchList"), Qt::LeftButton);
        });
        QTest::mouseClick(&Find<QToolButton>(main, "bbPatchList"), Qt::LeftButton);

        for (const auto& [kind, text] : FDialogs.Shown()) {
            std::fprintf(stderr, "message box (kind %d): %s\n", static_cast<int>(kind),
                         text.c_str());
        }
        app.SetDialogs(nullptr);
    }

private:
    static void Require(bool holds, const char* what) {
        if (!holds) {
            throw std::runtime_error(what);
        }
    }
    template <typename T> static T& Find(QWidget& window, const char* name) {
        T* widget = window.findChild<T*>(QString::fromLatin1(name));
        Require(widget != nullptr, name);
        return *widget;
    }
    static QMenu* OpenMenu(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible()) {
                return qobject_cast<QMenu*>(top);
            }
        }
        return nullptr;
    }
    /// Lets the window paint and the X server show the painting.
    static void Settle() { QTest::qWait(300); }

    /// A press and click on a slot's row, with the pointer moved there first.
    static void Press(QWidget& window, const char* viewName, int slot, Qt::MouseButton button,
                      Qt::KeyboardModifiers keys = {}) {
        auto& view = Find<QTableView>(window, viewName);
        const QModelIndex cell = view.model()->index(slot, 1);
        view.scrollTo(cell);
        const QPoint centre = view.visualRect(cell).center();
        QCursor::setPos(view.viewport()->mapToGlobal(centre));
        QTest::mouseClick(view.viewport(), button, keys, centre);
    }

    /// The screen's pixels over a window's frame, grown to take in extra (a popup).
    void Shoot(const char* name, QWidget* window, const QRect& extra = {}) {
        QRect area = window->frameGeometry();
        if (!extra.isNull()) {
            area = area.united(extra);
        }
        QScreen* screen = window->screen();
        area = area.intersected(screen->geometry());
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        const QString path = FOutDir + "/" + name + ".png";
        Require(!shot.isNull() && shot.save(path), "a picture could not be written");
        // Without a window manager the X screen shows no title bars: the caption is told.
        std::printf("%s  (%dx%d)  caption \"%s\"\n", path.toLocal8Bit().constData(), shot.width(),
                    shot.height(), window->windowTitle().toLocal8Bit().constData());
    }

    QString FOutDir;
    TTempDir FDir;
    TQuietDialogs FDialogs;
    TVirtualMidiDriver FDriver;
    emu::TVirtualSynthDevice FSynth{FDriver};
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velcora_screenshot_tour OUTDIR\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    TVelcoraApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "velcora_screenshot_tour: cannot make %s\n", argv[1]);
        return 1;
    }
    try {
        TTour tour(outDir);
        tour.Run(app);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velcora_screenshot_tour: %s\n", e.what());
        return 1;
    }
    return 0;
}
