// The virtual synth on the in-process driver, reached through the program's own ports.

#include "VirtualSynthDevice.h"

#include "EmuTestSupport.h"
#include "Midiin.h"
#include "Midiout.h"
#include "PortExchange.h"
#include "TestApp.h"
#include "VirtualMidiDriver.h"

#include <QCoreApplication>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace velcora::emu {
namespace {

using namespace std::chrono_literals;
using test::ToHex;

using test::EnsureApp;

class VirtualSynthDeviceTest : public ::testing::Test {
protected:
    void Start(const TVirtualSynthOptions& options = {}) {
        EnsureApp();
        FSynth = std::make_unique<TVirtualSynthDevice>(FDriver, options);
        FOut = std::make_unique<TMidiOutput>(FDriver);
        FIn = std::make_unique<TMidiInput>(FDriver);
        FOut->SetProductName(TVirtualSynthDevice::kDefaultName);
        FIn->SetProductName(TVirtualSynthDevice::kDefaultName);
        ASSERT_TRUE(FOut->Open());
        FIn->OpenAndStart();
    }
    void TearDown() override {
        if (FIn) {
            FIn->StopAndClose();
        }
        FIn.reset();
        FOut.reset();
        FSynth.reset();
    }

    /// Sends one message and collects what comes back until count messages are in or the
    /// time is up.
    std::vector<TBytes> Exchange(const TBytes& message, size_t count,
                                 std::chrono::milliseconds limit = 5000ms) {
        return test::ExchangeSysex(*FOut, *FIn, message, count, limit);
    }

    TVirtualMidiDriver FDriver;
    std::unique_ptr<TVirtualSynthDevice> FSynth;
    std::unique_ptr<TMidiOutput> FOut;
    std::unique_ptr<TMidiInput> FIn;
};

TEST_F(VirtualSynthDeviceTest, ListedAsInputAndOutputAndAnswersTheInquiry) {
    Start();
    EXPECT_EQ(FIn->ProductName(), "Velcora Virtual Synth");
    EXPECT_EQ(FOut->ProductName(), "Velcora Virtual Synth");
    const auto reply = Exchange(BuildDeviceInquiry(), 1);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(ToHex(reply[0]), "F0 7E 00 06 02 18 04 04 03 00 31 2E 32 30 F7");
}

TEST_F(VirtualSynthDeviceTest, FetchesAWholeBankAndStoresASentDump) {
    TVirtualSynthOptions options;
    options.MemberCode = 13;
    Start(options);
    const TSynthModel& model =
        FSynth->With([](TVirtualSynth& s) -> const TSynthModel& { return s.Model(); });
    for (uint8_t slot = 0; slot < 128; ++slot) {
        const auto dump = Exchange(BuildDumpRequest(0, {false, uint16_t(slot | 3 << 7), 0}), 8);
        ASSERT_EQ(dump.size(), 8u) << "slot " << int(slot);
        EXPECT_EQ(dump[0].size(), 36u);
        EXPECT_EQ(dump[0][7], slot);
        EXPECT_EQ(dump[0][8], 3);
        for (size_t k = 1; k < 8; ++k) {
            EXPECT_EQ(dump[k].size(), k < 7 ? model.PacketSize() : 61u);
            EXPECT_EQ(dump[k][7], k);
        }
    }

    const auto sent = FSynth->With([](TVirtualSynth& s) {
        return s.DumpMessages(*s.RomPreset(14, 600), 17 + 2 * 128, 0, false);
    });
    for (const auto& message : sent) {
        FOut->PutLong(message);
    }
    const auto back = Exchange(BuildDumpRequest(0, {false, 17 + 2 * 128, 0}), 8);
    EXPECT_EQ(back, sent);
}

TEST_F(VirtualSynthDeviceTest, EditBufferMethodOverShortMessages) {
    TVirtualSynthOptions options;
    options.MemberCode = 13;
    options.Channel = 2;
    Start(options);
    EXPECT_EQ(Exchange(BuildDumpRequest(0, {false, 5 | 4 << 7, 14}), 1).size(), 1u);
    for (const TBytes& m : {TBytes{0xB2, 0x00, 14}, TBytes{0xB2, 0x20, 4}, TBytes{0xC2, 5}}) {
        Exchange(m, 0, 0ms);
    }
    const auto dump = Exchange(BuildDumpRequest(0, {false, kEditBufferPreset, 0}), 8);
    ASSERT_EQ(dump.size(), 8u);
    const auto wanted = FSynth->With([](TVirtualSynth& s) {
        return s.DumpMessages(*s.RomPreset(14, 4 * 128 + 5), kEditBufferPreset, 0, false);
    });
    EXPECT_EQ(dump, wanted);
}

TEST_F(VirtualSynthDeviceTest, ReplyDelayAndSilence) {
    TVirtualSynthOptions options;
    options.ReplyDelay = 150ms;
    Start(options);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Exchange(BuildDeviceInquiry(), 1).size(), 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);

    FSynth->With([](TVirtualSynth& s) { s.Faults().Silent = true; });
    EXPECT_TRUE(Exchange(BuildDeviceInquiry(), 1, 400ms).empty());
}

TEST_F(VirtualSynthDeviceTest, OutlivedByTheDriverWithRepliesPending) {
    TVirtualSynthOptions options;
    options.ReplyDelay = 200ms;
    Start(options);
    FOut->PutLong(BuildDeviceInquiry());
    FDriver.Sync();
    FIn->StopAndClose();
    FIn.reset();
    FOut.reset();
    FSynth.reset(); // the reply not yet due is dropped
    // The driver still calls the device's receiver; it must find nothing to do.
    FDriver.Sync();
}

} // namespace
} // namespace velcora::emu
