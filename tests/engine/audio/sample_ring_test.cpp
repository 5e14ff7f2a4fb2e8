// The sample ring between a line's decoder and the output thread.

#include "engine/audio/sample_ring.h"
#include "tests/engine/audio/output_fixture.h"

#include <thread>

namespace klv::test {
namespace {

using engine::sampleRingFree;
using engine::sampleRingRead;
using engine::sampleRingUsed;
using engine::sampleRingWrite;

std::vector<Frame> numbered(int32_t first, int32_t count) {
    std::vector<Frame> frames(count);
    for (int32_t i = 0; i < count; ++i)
        frames[i] = {static_cast<float>(first + i), -static_cast<float>(first + i)};
    return frames;
}

TEST(SampleRing, FreeSpaceKeepsASixteenFrameGuard) {
    struct Case {
        int32_t read;
        int32_t write;
        int32_t used;
        int32_t free;
    } cases[] = {
        {0, 0, 0, 65520},     {100, 100, 0, 65520},     {0, 65519, 65519, 1},
        {0, 65520, 65520, 0}, {0, 65535, 65535, 0},     {10, 5, 65531, 0},
        {30, 5, 65511, 9},    {65000, 100, 636, 64884}, {65536, 0, 0, 65520},
    };
    TestLine line;
    for (const Case& c : cases) {
        line.slot().sampleRead.store(c.read);
        line.slot().sampleWrite.store(c.write);
        EXPECT_EQ(sampleRingUsed(line.slot()), c.used) << c.read << " " << c.write;
        EXPECT_EQ(sampleRingFree(line.slot()), c.free) << c.read << " " << c.write;
    }
}

TEST(SampleRing, WritesWhatFitsAndWrapsAroundTheEnd) {
    TestLine line;
    line.slot().sampleRead.store(65000);
    line.slot().sampleWrite.store(65000);
    EXPECT_EQ(sampleRingWrite(line.handle(), numbered(0, 1000).data(), 1000), 1000);
    EXPECT_EQ(line.slot().sampleWrite.load(), 464); // wrapped
    // Everything else but the guard fits; more does not.
    EXPECT_EQ(sampleRingWrite(line.handle(), numbered(1000, 70000).data(), 70000), 64520);
    EXPECT_EQ(sampleRingFree(line.slot()), 0);
    EXPECT_EQ(sampleRingWrite(line.handle(), numbered(0, 1).data(), 1), 0);

    std::vector<Frame> out(2048);
    EXPECT_EQ(sampleRingRead(line.slot(), out.data(), 2048), 2048);
    for (int32_t i = 0; i < 2048; ++i)
        ASSERT_EQ(out[i].left, static_cast<float>(i)) << i;
    EXPECT_EQ(line.slot().sampleRead.load(), 1512);
}

TEST(SampleRing, WriteWithoutSlotOrRingWritesNothing) {
    LineHandle closed{};
    EXPECT_EQ(sampleRingWrite(&closed, numbered(0, 4).data(), 4), 0);
    EXPECT_EQ(sampleRingWrite(nullptr, numbered(0, 4).data(), 4), 0);
    TestLine line;
    EXPECT_EQ(sampleRingWrite(line.handle(), numbered(0, 4).data(), -4), 0);
    EXPECT_EQ(line.slot().sampleWrite.load(), 0);
}

TEST(SampleRing, ReadTakesWhatIsThereAndAdvancesThePosition) {
    TestLine line;
    sampleRingWrite(line.handle(), numbered(0, 300).data(), 300);
    std::vector<Frame> out(1024, Frame{9.0f, 9.0f});
    EXPECT_EQ(sampleRingRead(line.slot(), out.data(), 1024), 300);
    EXPECT_EQ(out[299].left, 299.0f);
    EXPECT_EQ(out[300].left, 9.0f); // beyond what was taken: untouched
    EXPECT_EQ(line.slot().position.load(), 300);
    EXPECT_EQ(sampleRingRead(line.slot(), out.data(), 1024), 0);
    EXPECT_EQ(line.slot().position.load(), 300);
}

// A looping line's position stays within (0, length].
TEST(SampleRing, PositionWrapsAtTheSongLength) {
    struct Case {
        int32_t position;
        int32_t length;
        int32_t taken;
        int32_t expected;
    } cases[] = {
        {0, 0, 1024, 1024},    {900, 1000, 100, 1000}, {900, 1000, 101, 1},
        {990, 1000, 1024, 14}, {10, 100, 1024, 34},    {0, 1, 1024, 1},
    };
    for (const Case& c : cases) {
        TestLine line;
        sampleRingWrite(line.handle(), numbered(0, c.taken).data(), c.taken);
        line.slot().position.store(c.position);
        line.slot().length.store(c.length);
        std::vector<Frame> out(c.taken);
        ASSERT_EQ(sampleRingRead(line.slot(), out.data(), c.taken), c.taken);
        EXPECT_EQ(line.slot().position.load(), c.expected)
            << c.position << " " << c.length << " " << c.taken;
    }
}

// A producer and a consumer on two threads see every frame once, in order, whatever the
// interleaving (and ThreadSanitizer sees the ordering of data and indices).
TEST(SampleRing, ProducerAndConsumerThreadsHandEveryFrameOverInOrder) {
    TestLine line;
    constexpr int32_t kTotal = 400000;
    std::thread producer([&] {
        int32_t next = 0;
        while (next < kTotal) {
            const int32_t chunk = std::min(777, kTotal - next);
            next += sampleRingWrite(line.handle(), numbered(next, chunk).data(), chunk);
            if (sampleRingFree(line.slot()) == 0)
                std::this_thread::yield();
        }
    });
    std::vector<Frame> out(1500);
    int32_t expected = 0;
    while (expected < kTotal) {
        const int32_t taken = sampleRingRead(line.slot(), out.data(), 1500);
        for (int32_t i = 0; i < taken; ++i, ++expected)
            ASSERT_EQ(out[i].left, static_cast<float>(expected));
        if (taken == 0)
            std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(sampleRingUsed(line.slot()), 0);
}

} // namespace
} // namespace klv::test
