// The ring and the driver callback that fills it.

#include "Circbuf.h"

#include "MidiNotifier.h"
#include "MidiResult.h"
#include "MidiTestSupport.h"
#include "Midicallback.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace velcora {
namespace {

TMidiBufferItem Item(uint32_t n) {
    return TMidiBufferItem{n, n * 3, nullptr};
}

class CircbufCapacity : public ::testing::TestWithParam<uint16_t> {};

TEST_P(CircbufCapacity, AcceptsCapacityItemsThenRefusesUntilOneIsRemoved) {
    const uint16_t capacity = GetParam();
    auto ring = CircbufAlloc(capacity);
    ASSERT_NE(ring, nullptr);
    for (uint32_t i = 0; i < capacity; ++i) {
        ASSERT_TRUE(CircbufPutEvent(*ring, Item(i))) << i;
    }
    EXPECT_EQ(ring->EventCount(), capacity);
    EXPECT_FALSE(CircbufPutEvent(*ring, Item(999)));

    TMidiBufferItem out;
    ASSERT_TRUE(CircbufReadEvent(*ring, out));
    EXPECT_EQ(out.ItemTime, 0u);
    ASSERT_TRUE(CircbufRemoveEvent(*ring));
    EXPECT_TRUE(CircbufPutEvent(*ring, Item(capacity)));
    EXPECT_FALSE(CircbufPutEvent(*ring, Item(999)));

    // Everything comes out in arrival order across the wrap.
    for (uint32_t i = 1; i <= capacity; ++i) {
        ASSERT_TRUE(CircbufReadEvent(*ring, out));
        EXPECT_EQ(out.ItemTime, i);
        EXPECT_EQ(out.ItemShortMsg, i * 3);
        ASSERT_TRUE(CircbufRemoveEvent(*ring));
    }
    EXPECT_FALSE(CircbufReadEvent(*ring, out));
    EXPECT_FALSE(CircbufRemoveEvent(*ring));
    EXPECT_EQ(ring->EventCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CircbufCapacity, ::testing::Values(1, 2, 7, 1024, 64000, 65535));

TEST(Circbuf, WrapsManyTimesWithoutLosingOrder) {
    auto ring = CircbufAlloc(5);
    uint32_t next = 0;
    uint32_t expected = 0;
    TMidiBufferItem out;
    for (int round = 0; round < 100; ++round) {
        const int puts = round % 5 + 1;
        for (int i = 0; i < puts; ++i) {
            if (CircbufPutEvent(*ring, Item(next))) {
                ++next;
            }
        }
        while (CircbufReadEvent(*ring, out)) {
            ASSERT_EQ(out.ItemTime, expected++);
            CircbufRemoveEvent(*ring);
        }
    }
    EXPECT_EQ(expected, next);
}

TEST(Circbuf, CapacityZeroHoldsNothing) {
    auto ring = CircbufAlloc(0);
    ASSERT_NE(ring, nullptr);
    EXPECT_FALSE(CircbufPutEvent(*ring, Item(1)));
    CircbufFree(ring);
    EXPECT_EQ(ring, nullptr);
}

// The callback, with a notification target whose posts are recorded on the GUI thread.
class MidiHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureApp();
        FNotifier = std::make_unique<TMidiNotifier>([this](uint32_t code, TMidiHeader* header) {
            FPosts.push_back({code, header});
        });
        FBlock.Ring = FRing.get();
        FBlock.Target = FNotifier.get();
    }

    void Call(uint32_t message, uintptr_t param1, uintptr_t param2 = 0) {
        midiHandler(nullptr, message, reinterpret_cast<uintptr_t>(&FBlock), param1, param2);
    }
    std::vector<std::pair<uint32_t, TMidiHeader*>> Delivered() {
        FNotifier->Deliver();
        return std::exchange(FPosts, {});
    }
    /// Three notifications for a handler that raises at the first one.
    void PostThreeToAHandlerThatRaisesOnce(bool& thrown) {
        FNotifier = std::make_unique<TMidiNotifier>([this, &thrown](uint32_t code, TMidiHeader*) {
            if (!thrown) {
                thrown = true;
                throw std::runtime_error("handler failed");
            }
            FPosts.push_back({code, nullptr});
        });
        FBlock.Target = FNotifier.get();
        for (uint32_t i = 0; i < 3; ++i) {
            Call(TMidiMessage::InData, 0x90);
        }
    }

    std::unique_ptr<TCircularBuffer> FRing = CircbufAlloc(3);
    TPortCallbackBlock FBlock;
    std::unique_ptr<TMidiNotifier> FNotifier;
    std::vector<std::pair<uint32_t, TMidiHeader*>> FPosts;
};

TEST_F(MidiHandlerTest, QueuesShortAndSysexItemsAndAnnouncesEach) {
    TMidiHeader header;
    Call(TMidiMessage::InData, 0x403C90, 17);
    Call(TMidiMessage::InLongData, reinterpret_cast<uintptr_t>(&header), 18);
    Call(TMidiMessage::InLongError, reinterpret_cast<uintptr_t>(&header), 19);

    TMidiBufferItem item;
    ASSERT_TRUE(FRing->ReadEvent(item));
    EXPECT_EQ(item.ItemTime, 17u);
    EXPECT_EQ(item.ItemShortMsg, 0x403C90u);
    EXPECT_EQ(item.ItemSysexHdr, nullptr);
    FRing->RemoveEvent();
    ASSERT_TRUE(FRing->ReadEvent(item));
    EXPECT_EQ(item.ItemTime, 18u);
    EXPECT_EQ(item.ItemShortMsg, 0u);
    EXPECT_EQ(item.ItemSysexHdr, &header);
    FRing->RemoveEvent();
    ASSERT_TRUE(FRing->ReadEvent(item));
    EXPECT_EQ(item.ItemSysexHdr, &header);

    const auto posts = Delivered();
    ASSERT_EQ(posts.size(), 3u);
    for (const auto& post : posts) {
        EXPECT_EQ(post.first, TMidiMessage::InData);
    }
}

TEST_F(MidiHandlerTest, FullRingPostsOverflowInOrder) {
    for (uint32_t i = 0; i < 4; ++i) {
        Call(TMidiMessage::InData, 0x90 + i);
    }
    EXPECT_EQ(FRing->EventCount(), 3);
    const auto posts = Delivered();
    ASSERT_EQ(posts.size(), 4u);
    EXPECT_EQ(posts[2].first, TMidiMessage::InData);
    EXPECT_EQ(posts[3].first, TMidiMessage::Overflow);
}

struct TFilterCase {
    bool SysexOnly;
    bool DropF8;
    bool DropFE;
    uint32_t Packed;
    bool Queued;
};

class MidiHandlerFilter : public MidiHandlerTest,
                          public ::testing::WithParamInterface<TFilterCase> {};

TEST_P(MidiHandlerFilter, DropsOnlyWhatTheBlockSays) {
    const TFilterCase& c = GetParam();
    FBlock.SysexOnly = c.SysexOnly;
    FBlock.DropF8 = c.DropF8;
    FBlock.DropFE = c.DropFE;
    Call(TMidiMessage::InData, c.Packed);
    EXPECT_EQ(FRing->EventCount(), c.Queued ? 1 : 0);
    EXPECT_EQ(Delivered().size(), c.Queued ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, MidiHandlerFilter,
                         ::testing::Values(TFilterCase{false, true, true, 0xF8, false},
                                           TFilterCase{false, true, true, 0xFE, false},
                                           TFilterCase{false, true, true, 0xF1 | (0x23 << 8), true},
                                           TFilterCase{false, true, true, 0xFA, true},
                                           TFilterCase{false, true, true, 0x403C90, true},
                                           TFilterCase{false, false, false, 0xF8, true},
                                           TFilterCase{false, false, false, 0xFE, true},
                                           TFilterCase{false, true, false, 0xFE, true},
                                           TFilterCase{false, false, true, 0xF8, true},
                                           TFilterCase{true, false, false, 0x403C90, false},
                                           TFilterCase{true, false, false, 0xF1, false}));

TEST_F(MidiHandlerTest, SysexOnlyStillQueuesBuffers) {
    FBlock.SysexOnly = true;
    TMidiHeader header;
    Call(TMidiMessage::InLongData, reinterpret_cast<uintptr_t>(&header));
    EXPECT_EQ(FRing->EventCount(), 1);
}

TEST_F(MidiHandlerTest, IgnoresMalformedAndUnknownMessagesAndMissingRing) {
    Call(TMidiMessage::InError, 0x90);
    Call(0x3C1, 0x90);
    FBlock.Ring = nullptr;
    Call(TMidiMessage::InData, 0x90);
    midiHandler(nullptr, TMidiMessage::InData, 0, 0x90, 0); // no block at all
    EXPECT_EQ(FRing->EventCount(), 0);
    EXPECT_TRUE(Delivered().empty());
}

TEST_F(MidiHandlerTest, OutputDonePostsTheHeaderInOrder) {
    TMidiHeader a, b, c;
    for (TMidiHeader* h : {&a, &b, &c}) {
        Call(TMidiMessage::OutDone, reinterpret_cast<uintptr_t>(h));
    }
    EXPECT_EQ(FRing->EventCount(), 0);
    const auto posts = Delivered();
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0], std::make_pair(TMidiMessage::OutDone, &a));
    EXPECT_EQ(posts[1], std::make_pair(TMidiMessage::OutDone, &b));
    EXPECT_EQ(posts[2], std::make_pair(TMidiMessage::OutDone, &c));
}

TEST_F(MidiHandlerTest, AfterAHandlerRaisesTheRestIsStillDelivered) {
    bool thrown = false;
    PostThreeToAHandlerThatRaisesOnce(thrown);
    EXPECT_THROW(FNotifier->Deliver(), std::runtime_error);
    // No further post comes; the event loop alone must bring the other two.
    EXPECT_TRUE(test::PumpUntil([this] { return FPosts.size() == 2; }));
}

TEST_F(MidiHandlerTest, AHandlersErrorStaysOutOfTheEventLoop) {
    bool thrown = false;
    PostThreeToAHandlerThatRaisesOnce(thrown);
    bool delivered = false;
    EXPECT_NO_THROW(delivered = test::PumpUntil([this] { return FPosts.size() == 2; }));
    EXPECT_TRUE(thrown);
    EXPECT_TRUE(delivered) << "the items after the failing one still come";
}

TEST_F(MidiHandlerTest, NotificationsReachTheEventLoop) {
    Call(TMidiMessage::InData, 0x90);
    EXPECT_TRUE(test::PumpUntil([this] { return !FPosts.empty(); }));
}

} // namespace
} // namespace velcora
