#include "EventWait.h"

#include "TestApp.h"

#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace velcora::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(RunEventsUntil, EndsWhenDoneOrWhenTheTimeIsUp) {
    EnsureApp();
    {
        const auto t0 = Clock::now();
        EXPECT_TRUE(RunEventsUntil([] { return true; }, 5s));
        EXPECT_LT(Clock::now() - t0, 1s) << "already done: no wait";
    }
    {
        bool fired = false;
        QTimer::singleShot(20ms, [&fired] { fired = true; });
        const auto t0 = Clock::now();
        EXPECT_TRUE(RunEventsUntil([&] { return fired; }, 5s));
        EXPECT_LT(Clock::now() - t0, 2s) << "done in an event handler ends the wait";
    }
    {
        const auto t0 = Clock::now();
        EXPECT_FALSE(RunEventsUntil([] { return false; }, 50ms));
        EXPECT_GE(Clock::now() - t0, 50ms) << "never done: the whole limit";
    }
}

TEST(RunEventsUntil, LooksAgainAtWhatAnotherThreadChangesWithoutAnEvent) {
    EnsureApp();
    std::atomic<bool> flag{false};
    std::thread other([&flag] {
        std::this_thread::sleep_for(20ms);
        flag.store(true);
    });
    const auto t0 = Clock::now();
    const bool done = RunEventsUntil([&] { return flag.load(); }, 5s, 5ms);
    const auto took = Clock::now() - t0;
    other.join();
    EXPECT_TRUE(done);
    EXPECT_LT(took, 2s) << "the flag is seen on the next look, not at the limit";
}

} // namespace
} // namespace velcora::test
