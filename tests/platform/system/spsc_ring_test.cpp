// The single-producer single-consumer ring under the sample, file and device queues.

#include "platform/system/spsc_ring.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

using klv::platform::SpscRing;
using klv::platform::SpscRingView;

namespace {

// A small ring with a guard of more than one item, so that the guard's arithmetic shows.
constexpr int32_t kCapacity = 16;
constexpr int32_t kGuard = 4;
using SmallView = SpscRingView<int32_t, kCapacity, kGuard>;

struct SmallRing {
    std::array<int32_t, kCapacity> items{};
    std::atomic<int32_t> read{0};
    std::atomic<int32_t> write{0};

    SmallRing(int32_t readAt = 0, int32_t writeAt = 0) : read(readAt), write(writeAt) {}
    SmallView view() { return {items.data(), read, write}; }
};

std::vector<int32_t> counting(int32_t first, int32_t count) {
    std::vector<int32_t> values(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        values[static_cast<size_t>(i)] = first + i;
    return values;
}

TEST(SpscRing, UsedAndSpaceFromTheIndicesKeepTheGuardFree) {
    struct Case {
        int32_t read;
        int32_t write;
        int32_t used;
        int32_t space;
    } cases[] = {
        {0, 0, 0, 12},  {7, 7, 0, 12},  {0, 11, 11, 1}, {0, 12, 12, 0}, {0, 15, 15, 0},
        {14, 2, 4, 8},  {3, 2, 15, 0},  {6, 2, 12, 0},  {7, 2, 11, 1},  {2, 14, 12, 0},
        {16, 0, 0, 12}, {0, 16, 0, 12}, {16, 3, 3, 9}, // an index of the capacity is the start
    };
    for (const Case& c : cases) {
        SmallRing ring(c.read, c.write);
        EXPECT_EQ(ring.view().used(), c.used) << c.read << " " << c.write;
        EXPECT_EQ(ring.view().space(), c.space) << c.read << " " << c.write;
        EXPECT_EQ(SmallView::used(ring.read, ring.write), c.used);
        EXPECT_EQ(SmallView::space(ring.read, ring.write), c.space);
    }
}

TEST(SpscRing, CopiesAcrossTheEndAndStoresWrappedIndices) {
    SmallRing ring(13, 13);
    EXPECT_EQ(ring.view().write(counting(100, 6).data(), 6), 6);
    EXPECT_EQ(ring.write.load(), 3);
    EXPECT_EQ(ring.items[15], 102);
    EXPECT_EQ(ring.items[0], 103);

    std::vector<int32_t> out(8, -1);
    EXPECT_EQ(ring.view().read(out.data(), 8), 6);
    EXPECT_EQ(out, (std::vector<int32_t>{100, 101, 102, 103, 104, 105, -1, -1}));
    EXPECT_EQ(ring.read.load(), 3);
    EXPECT_EQ(ring.view().used(), 0);
}

TEST(SpscRing, AFullRingRefusesMoreAndAnEmptyOneGivesNothing) {
    SmallRing ring(5, 5);
    EXPECT_EQ(ring.view().write(counting(0, 40).data(), 40), SmallView::kMaxItems);
    EXPECT_EQ(ring.view().space(), 0);
    EXPECT_EQ(ring.view().write(counting(0, 1).data(), 1), 0);
    EXPECT_EQ(ring.view().write(counting(0, 1).data(), -3), 0);
    EXPECT_EQ(ring.write.load(), (5 + SmallView::kMaxItems) % kCapacity);

    std::vector<int32_t> out(kCapacity, -1);
    EXPECT_EQ(ring.view().read(out.data(), -1), 0);
    EXPECT_EQ(ring.view().read(out.data(), kCapacity), SmallView::kMaxItems);
    EXPECT_EQ(out[SmallView::kMaxItems - 1], SmallView::kMaxItems - 1);
    EXPECT_EQ(out[SmallView::kMaxItems], -1);
    EXPECT_EQ(ring.view().read(out.data(), 1), 0);
    EXPECT_EQ(ring.read.load(), ring.write.load());
}

// A producer that fills the ring in place gets the space up to the end of the storage, then
// after its commit the space from the start; the consumer's spans mirror that.
TEST(SpscRing, SpansStopAtTheEndOfTheStorageAndCommitsPublishThem) {
    SmallRing ring(10, 10);
    SmallView view = ring.view();
    std::span<int32_t> room = view.writeSpan();
    ASSERT_EQ(room.size(), 6u);
    EXPECT_EQ(room.data(), ring.items.data() + 10);
    for (size_t i = 0; i < room.size(); ++i)
        room[i] = static_cast<int32_t>(i);
    EXPECT_EQ(view.readSpan().size(), 0u); // nothing is visible before the commit
    view.commitWrite(6);
    EXPECT_EQ(ring.write.load(), 0);

    room = view.writeSpan();
    ASSERT_EQ(room.size(), 6u); // 12 in all, less the 6 just written
    EXPECT_EQ(room.data(), ring.items.data());
    room[0] = 6;
    room[1] = 7;
    view.commitWrite(2);

    std::span<const int32_t> buffered = view.readSpan();
    ASSERT_EQ(buffered.size(), 6u);
    EXPECT_EQ(buffered.front(), 0);
    EXPECT_EQ(buffered.back(), 5);
    view.commitRead(4);
    EXPECT_EQ(view.readSpan().size(), 2u);
    view.commitRead(2);
    buffered = view.readSpan();
    ASSERT_EQ(buffered.size(), 2u);
    EXPECT_EQ(buffered[1], 7);

    // A commit of more than there is stops at what there is: the indices never cross.
    view.commitRead(5);
    EXPECT_EQ(ring.read.load(), 2);
    EXPECT_EQ(view.used(), 0);
    view.commitWrite(100);
    EXPECT_EQ(view.used(), SmallView::kMaxItems);
    EXPECT_EQ(view.space(), 0);
    EXPECT_EQ(view.writeSpan().size(), 0u);
}

TEST(SpscRing, OwningRingQueuesRecordsInOrderAndHoldsOneLessThanItsSize) {
    SpscRing<int32_t, 8> ring;
    int32_t item = -1;
    EXPECT_EQ(ring.front(), nullptr);
    EXPECT_FALSE(ring.pop(item));
    ring.dropFront(); // nothing to drop: stays empty
    EXPECT_EQ(ring.size(), 0);

    for (int32_t round = 0; round < 3; ++round) { // the indices wrap in the second round
        for (int32_t i = 0; i < SpscRing<int32_t, 8>::kMaxItems; ++i)
            ASSERT_TRUE(ring.push(round * 10 + i));
        EXPECT_FALSE(ring.push(99));
        EXPECT_EQ(ring.size(), 7);
        ASSERT_NE(ring.front(), nullptr);
        EXPECT_EQ(*ring.front(), round * 10);
        ring.dropFront();
        for (int32_t i = 1; i < SpscRing<int32_t, 8>::kMaxItems; ++i) {
            ASSERT_TRUE(ring.pop(item));
            EXPECT_EQ(item, round * 10 + i);
        }
        EXPECT_EQ(ring.front(), nullptr);
    }
}

// A record of two words, so that an item copied out before it was complete shows.
struct Pair {
    uint32_t value;
    uint32_t check;
};

// Producer and consumer on two threads, each switching between copying and working in place:
// every item arrives once, whole and in order (and ThreadSanitizer sees the ordering).
TEST(SpscRing, TwoThreadsHandEveryItemOverInOrder) {
    constexpr uint32_t kTotal = 300000;
    std::array<Pair, 256> storage{};
    std::atomic<int32_t> read{0};
    std::atomic<int32_t> write{0};
    SpscRingView<Pair, 256, 3> ring(storage.data(), read, write);

    std::thread producer([&] {
        uint32_t next = 0;
        std::array<Pair, 37> chunk{};
        for (uint32_t pass = 0; next < kTotal; ++pass) {
            if (pass % 2 == 0) {
                const uint32_t count = std::min<uint32_t>(chunk.size(), kTotal - next);
                for (uint32_t i = 0; i < count; ++i)
                    chunk[i] = {next + i, ~(next + i)};
                next +=
                    static_cast<uint32_t>(ring.write(chunk.data(), static_cast<int32_t>(count)));
            } else {
                const std::span<Pair> room = ring.writeSpan();
                const uint32_t count =
                    std::min<uint32_t>(static_cast<uint32_t>(room.size()), kTotal - next);
                for (uint32_t i = 0; i < count; ++i)
                    room[i] = {next + i, ~(next + i)};
                ring.commitWrite(static_cast<int32_t>(count));
                next += count;
            }
            if (ring.space() == 0)
                std::this_thread::yield();
        }
    });

    // Mismatches are counted rather than asserted, so that the producer is never left waiting.
    uint32_t expected = 0;
    uint32_t wrong = 0;
    auto check = [&](const Pair& item) {
        wrong += item.value != expected || item.check != ~expected ? 1 : 0;
        ++expected;
    };
    std::array<Pair, 53> out{};
    // The two ways of reading take turns; expected moves inside check().
    bool byCopy = true;
    while (expected < kTotal) {
        int32_t taken = 0;
        if (byCopy) {
            taken = ring.read(out.data(), static_cast<int32_t>(out.size()));
            for (int32_t i = 0; i < taken; ++i)
                check(out[static_cast<size_t>(i)]);
        } else {
            const std::span<const Pair> buffered = ring.readSpan();
            taken = static_cast<int32_t>(buffered.size());
            for (const Pair& item : buffered)
                check(item);
            ring.commitRead(taken);
        }
        byCopy = !byCopy;
        if (taken == 0)
            std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ring.used(), 0);
}

} // namespace
