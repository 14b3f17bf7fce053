// The splash window's start-up search, tick by tick, against a device that answers only when
// the test makes it; its labels; and the JPEG decoder its picture goes through.
#include "JpegImage.h"
#include "SysexMessages.h"
#include "VirtualSynthWorkspace.h"
#include "WindowTestSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <mutex>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TWidgetApp);

std::vector<uint8_t> ShippedSplash() {
    return ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/splash.jpg");
}

class SplashTest : public TVirtualSynthWorkspace {
protected:
    SplashTest() {
        Listener = Driver.AddDevice(ListenerPort, [this](std::span<const uint8_t> message) {
            const std::lock_guard lock(FLock);
            FHeard.emplace_back(message.begin(), message.end());
        });
    }
    ~SplashTest() override {
        Windows.Splash = nullptr;
        Splash.reset();
    }
    /// The workspace and the splash; the ports on the listener unless told otherwise.
    void MakeSplash(bool openPorts = true) {
        Ws = std::make_unique<TWorkspace>(Dialogs, Windows, IniPath(), Dir.Path(), Dir.Path(),
                                          &Driver);
        Splash = std::make_unique<TfSplash>(
            *Ws, [this](bool withSetup) { Finished.push_back(withSetup); });
        Windows.Splash = Splash.get();
        if (openPorts) {
            Ws->lbMidiOutClick(Entry(TPort::SynthOutput, ListenerPort));
            Ws->lbMidiInClick(Entry(TPort::SynthInput, ListenerPort));
        }
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            Splash->TimerTimer();
        }
    }
    /// The listener answers the Device Inquiry as a Proteus 2000 would.
    void Answer() {
        const std::vector<uint8_t> reply = {0xF0, 0x7E, 0x00, 0x06, 0x02, 0x18, 0x04, 0x04,
                                            0x03, 0x00, '1',  '.',  '0',  '4',  0xF7};
        Driver.Emit(Listener, reply);
        ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound; }));
    }
    /// How many times the listener heard this message since the last call of Forget.
    int Heard(const std::vector<uint8_t>& message) {
        Driver.Sync();
        const std::lock_guard lock(FLock);
        return static_cast<int>(std::count(FHeard.begin(), FHeard.end(), message));
    }
    void Forget() {
        Driver.Sync();
        const std::lock_guard lock(FLock);
        FHeard.clear();
    }
    QLabel* Label(const char* name) const {
        QLabel* label = Splash->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label;
    }
    QColor Colour(const char* name) const {
        return Label(name)->palette().color(QPalette::WindowText);
    }

    static inline const std::string ListenerPort = "Listener";
    const std::string Looking = "Looking for Synth";
    const std::string FoundText = " ---- Found Synth ---- ";
    const std::string NotFound = " ---- Can't Find Synth ---- \n **** Check Midi Setup ****";
    const std::vector<uint8_t> Inquiry = sysex::DeviceInquiry();
    const std::vector<uint8_t> InitParam = sysex::InitialParameter(0);

    int Listener = -1;
    TWindowView Windows;
    std::unique_ptr<TfSplash> Splash;
    std::vector<bool> Finished;

private:
    std::mutex FLock;
    std::vector<std::vector<uint8_t>> FHeard;
};

} // namespace

TEST_F(SplashTest, WithoutPortsTheSetupComesUpAtTheFirstTick) {
    MakeSplash(false);
    Splash->show();
    Ticks(1);
    EXPECT_EQ(Finished, std::vector<bool>{true});
    EXPECT_FALSE(Splash->isVisible());
    Ticks(100);
    EXPECT_EQ(Finished, std::vector<bool>{true}) << "done for the rest of the run";
    EXPECT_EQ(Heard(Inquiry), 0);
}

TEST_F(SplashTest, ShowingItCentredStartsTheSchedule) {
    MakeSplash(false);
    EXPECT_TRUE(Splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    // Its size, or on a smaller screen the largest of the same proportions that it holds.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size = Splash->size();
    if (area.width() >= TfSplash::Width && area.height() >= TfSplash::Height) {
        EXPECT_EQ(size, QSize(TfSplash::Width, TfSplash::Height));
    } else {
        EXPECT_TRUE(size.width() <= area.width() && size.height() <= area.height());
        EXPECT_NEAR(size.width() * TfSplash::Height, size.height() * TfSplash::Width,
                    TfSplash::Width);
    }
    EXPECT_LE((Splash->frameGeometry().center() - area.center()).manhattanLength(), 2);
    Splash->show();
    ASSERT_TRUE(PumpUntil([&] { return !Finished.empty(); }, std::chrono::seconds(5)))
        << "the showing starts the timer";
    EXPECT_EQ(Finished, std::vector<bool>{true});
    EXPECT_FALSE(Splash->isVisible());
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(Finished, std::vector<bool>{true}) << "the timer stopped";
}

TEST_F(SplashTest, ASynthThatNeverAnswersBringsTheSetupAtTheSixtyFirstTick) {
    MakeSplash();
    EXPECT_EQ(Label("lLooking")->text().toStdString(), Looking);
    EXPECT_EQ(Label("lTitleColour")->text(), "EMU Synth");
    EXPECT_EQ(Label("lTitleShadow")->text(), "EMU Synth");
    SaveScreenshot(*Splash, "splash-looking.png");
    Forget();
    Ticks(15);
    EXPECT_EQ(Heard(Inquiry), 0);
    Ticks(1);
    EXPECT_EQ(Heard(Inquiry), 1) << "the 16th tick asks again";
    Ticks(24);
    EXPECT_EQ(Label("lLooking")->text().toStdString(), Looking);
    Ticks(1);
    EXPECT_EQ(Label("lLooking")->text().toStdString(), NotFound) << "the 41st tick";
    EXPECT_GT(Colour("lLooking").red(), 200);
    EXPECT_LT(Colour("lLooking").green(), 100);
    SaveScreenshot(*Splash, "splash-notfound.png");
    Ticks(19);
    EXPECT_TRUE(Finished.empty());
    Ticks(1);
    EXPECT_EQ(Finished, std::vector<bool>{true}) << "the 61st tick";
    Ticks(60);
    EXPECT_EQ(Finished, std::vector<bool>{true});
    EXPECT_EQ(Heard(Inquiry), 1);
    EXPECT_EQ(Heard(InitParam), 0);
}

TEST_F(SplashTest, AnAnswerTurnsTheLabelGreenAndEndsTenTicksLater) {
    const struct {
        const char* Name;
        int TicksBefore;         ///< ticks before the synth answers
        int InquiriesFromSplash; ///< Device Inquiries the schedule sends
        std::string Before;      ///< the status text before the answer
    } cases[] = {
        {"before the 15th tick", 5, 0, Looking},
        {"after the 40th tick", 45, 1, NotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MakeSplash();
        Forget();
        Ticks(c.TicksBefore);
        EXPECT_EQ(Label("lLooking")->text().toStdString(), c.Before);
        Answer();
        EXPECT_EQ(Label("lTitleColour")->text(), "Proteus 2000");
        EXPECT_EQ(Label("lTitleShadow")->text(), "Proteus 2000");
        Ticks(1);
        EXPECT_EQ(Label("lLooking")->text().toStdString(), FoundText);
        EXPECT_GT(Colour("lLooking").green(), 200);
        EXPECT_LT(Colour("lLooking").red(), 100);
        EXPECT_EQ(Colour("lTitleShadow"), QColor(Qt::black));
        if (c.TicksBefore == 5) {
            SaveScreenshot(*Splash, "splash-found.png");
        }
        Ticks(9);
        EXPECT_TRUE(Finished.empty());
        Ticks(1);
        EXPECT_EQ(Finished, std::vector<bool>{false});
        Ticks(30);
        EXPECT_EQ(Finished, std::vector<bool>{false});
        EXPECT_EQ(Heard(Inquiry), c.InquiriesFromSplash);
        EXPECT_EQ(Heard(InitParam), 1) << "sent once";
        Windows.Splash = nullptr;
        Splash.reset();
        Ws.reset();
        Finished.clear();
    }
}

TEST(JpegImage, DecodesTheShippedPicture) {
    const std::vector<uint8_t> bytes = ShippedSplash();
    const QImage image = JpegToImage(bytes);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(800, 476));
    // Qt's own JPEG reader, where installed, sees the same picture.
    QImage qt;
    if (qt.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "JPEG")) {
        const QImage ours = image.convertToFormat(QImage::Format_RGB32);
        qt = qt.convertToFormat(QImage::Format_RGB32);
        int worst = 0;
        for (int y = 0; y < ours.height(); y += 7) {
            for (int x = 0; x < ours.width(); x += 7) {
                const QRgb a = ours.pixel(x, y);
                const QRgb b = qt.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        EXPECT_LE(worst, 4);
    }
}

TEST(JpegImage, DamagedFilesGiveNoPicture) {
    const std::vector<uint8_t> good = ShippedSplash();
    ASSERT_GT(good.size(), 1000u);
    // The frame header (SOF0..SOF2): its height and width follow the marker, length and
    // precision.
    const auto sof = std::find_if(good.begin(), good.end() - 1, [&](const uint8_t& b) {
        const uint8_t next = *(&b + 1);
        return b == 0xFF && next >= 0xC0 && next <= 0xC2;
    });
    ASSERT_NE(sof, good.end() - 1);
    const size_t dims = static_cast<size_t>(sof - good.begin()) + 5;
    const auto withDims = [&](uint8_t h1, uint8_t h0, uint8_t w1, uint8_t w0) {
        std::vector<uint8_t> bytes = good;
        bytes[dims] = h1;
        bytes[dims + 1] = h0;
        bytes[dims + 2] = w1;
        bytes[dims + 3] = w0;
        return bytes;
    };
    const auto cut = [&](size_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size));
    };
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
    } cases[] = {
        {"empty", {}},
        {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"the start marker alone", {0xFF, 0xD8}},
        {"cut in the headers", cut(dims + 2)},
        {"cut after the headers", cut(dims + 300)},
        {"cut in half", cut(good.size() / 2)},
        {"without its end marker", cut(good.size() - 2)},
        {"a height of 0", withDims(0, 0, 0x03, 0x20)},
        {"larger than the limit", withDims(0xFF, 0xFF, 0xFF, 0xFF)},
        {"one side over the limit", withDims(0x10, 0x01, 0x03, 0x20)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(JpegToImage(c.Bytes).isNull()) << c.Name;
    }
    EXPECT_FALSE(JpegToImage(good).isNull()) << "the cases start from a good file";
}

TEST(JpegImage, ThePicturesAreCompiledIntoTheProgram) {
    QFile splash(QString::fromLatin1(TfSplash::PicturePath));
    ASSERT_TRUE(splash.open(QIODevice::ReadOnly));
    const QByteArray bytes = splash.readAll();
    EXPECT_EQ(JpegToImage(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                    static_cast<size_t>(bytes.size())))
                  .size(),
              QSize(800, 476));
    TWidgetApp::Instance();
    const QImage exit = QIcon(QStringLiteral(":/velcora/icons/exit.svg")).pixmap(32).toImage();
    ASSERT_FALSE(exit.isNull()) << "the svg icon engine draws it";
    EXPECT_GT(qAlpha(exit.pixel(16, 16)), 0);
}

TEST_F(SplashTest, ALongModelNameTakesASmallerFaceRatherThanLosingItsEnds) {
    MakeSplash(false);
    const std::string name = "Planet Earth Turbo Planet Earth Turbo";
    Splash->ShowSplashModel(name);
    for (const char* title : {"lTitleColour", "lTitleShadow"}) {
        const QLabel* label = Label(title);
        EXPECT_EQ(label->text().toStdString(), name);
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), Splash->width()) << title;
        EXPECT_LE(label->geometry().right(), Splash->width() + 3) << title;
    }
}
