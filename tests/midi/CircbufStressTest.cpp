// One producer thread and one consumer thread on the ring, as the driver thread and the GUI
// thread use it: nothing may be lost, duplicated or reordered. Also run under ThreadSanitizer.

#include "Circbuf.h"

#include <gtest/gtest.h>
#include <thread>

namespace velcora {
namespace {

TEST(CircbufStress, TwoThreadsLoseDuplicateAndReorderNothing) {
    constexpr uint32_t kItems = 3'000'000;
    // A small ring keeps both threads running into the full and empty edges all the time.
    auto ring = CircbufAlloc(61);
    ASSERT_NE(ring, nullptr);

    std::thread producer([&ring] {
        for (uint32_t n = 0; n < kItems; ++n) {
            const TMidiBufferItem item{n, ~n, reinterpret_cast<TMidiHeader*>(uintptr_t(n) << 4)};
            while (!CircbufPutEvent(*ring, item)) {
                std::this_thread::yield();
            }
        }
    });

    uint32_t expected = 0;
    uint32_t bad = 0;
    TMidiBufferItem item;
    while (expected < kItems) {
        if (!CircbufReadEvent(*ring, item)) {
            std::this_thread::yield();
            continue;
        }
        if (item.ItemTime != expected || item.ItemShortMsg != ~expected ||
            item.ItemSysexHdr != reinterpret_cast<TMidiHeader*>(uintptr_t(expected) << 4)) {
            ++bad;
        }
        ASSERT_TRUE(CircbufRemoveEvent(*ring));
        ++expected;
    }
    producer.join();
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(ring->EventCount(), 0);
    EXPECT_FALSE(CircbufReadEvent(*ring, item));
}

} // namespace
} // namespace velcora
