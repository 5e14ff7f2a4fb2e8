#include "engine/audio/output_thread.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/engine/core/transport_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using klv::engine::clearSlot;
using klv::engine::outputBlockCount;
using klv::engine::slotTable;
using klv::engine::takeSlot;

// A stand-in for the sample ring that klvOpen allocates: any non-null address marks a slot
// taken.
Frame g_ringMark;

ptrdiff_t indexOf(const LineSlot* slot) {
    return slot ? slot - slotTable() : -1;
}

// Takes a slot the way klvOpen does, marking it taken.
LineSlot* open() {
    LineSlot* slot = takeSlot();
    if (slot)
        slot->sampleRing = &g_ringMark;
    return slot;
}

class SlotPoolTest : public testing::Test {
protected:
    void TearDown() override {
        for (int i = 0; i < kLineSlotCount; ++i)
            clearSlot(slotTable()[i]);
    }
};

// Gives every field of a slot a value other than zero.
void dirty(LineSlot& slot) {
    static uint8_t buffer[4];
    slot.fileRing = buffer;
    slot.fileRead = 1;
    slot.fileWrite = 2;
    slot.resampleBuffer = buffer;
    slot.sampleRing = &g_ringMark;
    slot.sampleRead = 3;
    slot.sampleWrite = 4;
    slot.position = 5;
    slot.playing = 1;
    slot.filePos = 6;
    slot.volume = 1.5f;
    slot.currentVolume = 0.5f;
    slot.pitch = 1000;
    slot.pan = -30;
    slot.preview = 1;
    slot.pcmSmooth[1] = 0.25f;
    slot.pcmSmoothPrev[0] = 0.75f;
    slot.songEqState[39] = 2.0f;
    slot.songEq[4] = 1.0f;
    slot.peakLeft[7] = 0.9f;
    slot.peakRight[0] = 0.8f;
    slot.readerRunning = 1;
    slot.decoderRunning = 1;
    slot.displayRunning = 1;
    slot.pcmPhase = 0.5f;
    slot.dataEnd = 7;
    slot.channels = 2;
    slot.sampleRate = 44100;
    slot.bitsPerSample = 16;
    slot.byteRateSum = 8;
    slot.byteRateCount = 9;
    slot.byteRate = 10;
    slot.length = 11;
    slot.seekTable[99] = 12;
    slot.resampleState[5] = 3.0f;
    slot.stretch.hopCounter = 13;
    slot.endOfFile = 1;
}

void expectClear(const LineSlot& slot) {
    EXPECT_EQ(slot.fileRing, nullptr);
    EXPECT_EQ(slot.fileRead, 0);
    EXPECT_EQ(slot.fileWrite, 0);
    EXPECT_EQ(slot.resampleBuffer, nullptr);
    EXPECT_EQ(slot.sampleRing, nullptr);
    EXPECT_EQ(slot.sampleRead, 0);
    EXPECT_EQ(slot.sampleWrite, 0);
    EXPECT_EQ(slot.position, 0);
    EXPECT_EQ(slot.playing, 0);
    EXPECT_EQ(slot.filePos, 0);
    EXPECT_EQ(slot.volume, 0.0f);
    EXPECT_EQ(slot.currentVolume, 0.0f);
    EXPECT_EQ(slot.pitch, 0);
    EXPECT_EQ(slot.pan, 0);
    EXPECT_EQ(slot.preview, 0);
    EXPECT_EQ(slot.pcmSmooth[1], 0.0f);
    EXPECT_EQ(slot.pcmSmoothPrev[0], 0.0f);
    EXPECT_EQ(slot.songEqState[39], 0.0f);
    EXPECT_EQ(slot.songEq[4], 0.0f);
    EXPECT_EQ(slot.peakLeft[7], 0.0f);
    EXPECT_EQ(slot.peakRight[0], 0.0f);
    EXPECT_EQ(slot.readerRunning, 0);
    EXPECT_EQ(slot.decoderRunning, 0);
    EXPECT_EQ(slot.displayRunning, 0);
    EXPECT_EQ(slot.pcmPhase, 0.0f);
    EXPECT_EQ(slot.dataEnd, 0);
    EXPECT_EQ(slot.channels, 0);
    EXPECT_EQ(slot.sampleRate, 0);
    EXPECT_EQ(slot.bitsPerSample, 0);
    EXPECT_EQ(slot.byteRateSum, 0);
    EXPECT_EQ(slot.byteRateCount, 0);
    EXPECT_EQ(slot.byteRate, 0);
    EXPECT_EQ(slot.length, 0);
    EXPECT_EQ(slot.seekTable[99], 0);
    EXPECT_EQ(slot.resampleState[5], 0.0f);
    EXPECT_EQ(slot.stretch.hopCounter, 0);
    EXPECT_EQ(slot.endOfFile, 0);
}

TEST_F(SlotPoolTest, AFreedSlotIsTheNextOneTaken) {
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(indexOf(open()), i);
    clearSlot(slotTable()[3]);
    EXPECT_EQ(indexOf(open()), 3);
    EXPECT_EQ(indexOf(open()), 6);
}

TEST_F(SlotPoolTest, ATakenSlotIsHandedOutCleared) {
    ASSERT_EQ(indexOf(open()), 0);
    // A slot whose ring is gone is free, whatever else it still holds.
    dirty(slotTable()[1]);
    slotTable()[1].sampleRing = nullptr;
    LineSlot* slot = takeSlot();
    ASSERT_EQ(indexOf(slot), 1);
    expectClear(*slot);
}

TEST_F(SlotPoolTest, ClearSlotResetsEveryField) {
    LineSlot& slot = slotTable()[5];
    dirty(slot);
    clearSlot(slot);
    expectClear(slot);
}

TEST_F(SlotPoolTest, AllTwentyFourTakenLeavesNoneToTake) {
    for (int i = 0; i < kLineSlotCount; ++i)
        ASSERT_EQ(indexOf(open()), i);
    EXPECT_EQ(takeSlot(), nullptr);
    clearSlot(slotTable()[kLineSlotCount - 1]);
    EXPECT_EQ(indexOf(open()), kLineSlotCount - 1);
}

// The output thread loads the playing flag of every slot in every block, free slots too, so a
// slot being cleared while it runs must be written with atomic stores (ThreadSanitizer reports
// a clear that constructs the slot anew).
class SlotClearTest : public klv::test::LineTest {
protected:
    void TearDown() override {
        klvKillAudio();
        LineTest::TearDown();
    }
};

TEST_F(SlotClearTest, ClearingWhileTheOutputThreadRunsRacesNothing) {
    klv::platform::wavetest::configure(1);
    // Buffers complete at once: the output thread runs free, as on a sound card, not in step
    // with the test.
    klv::platform::wavetest::setAutoComplete(0, true);
    ASSERT_EQ(klvStartAudio(), 0);
    const uint64_t start = outputBlockCount();
    ASSERT_TRUE(klv::test::eventually([&] { return outputBlockCount() > start + 10; }));
    for (int i = 0; i < 2000; ++i) {
        LineSlot* slot = takeSlot();
        ASSERT_NE(slot, nullptr);
        clearSlot(*slot);
    }
    EXPECT_GT(outputBlockCount(), start + 10);
}

// Run in a process of its own, so that this is the first take of the process.
TEST(SlotPoolDeathTest, FirstTakeOfTheProcessClearsTheWholeTable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (int i = 0; i < kLineSlotCount; ++i)
                dirty(slotTable()[i]);
            LineSlot* first = takeSlot();
            bool tableClear = indexOf(first) == 0;
            for (int i = 1; i < kLineSlotCount; ++i)
                tableClear = tableClear && slotTable()[i].sampleRing == nullptr &&
                             slotTable()[i].position == 0;
            std::exit(tableClear ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

void expectSameFields(const LineHandle& x, const LineHandle& y) {
    EXPECT_EQ(x.file, y.file);
    EXPECT_EQ(x.state, y.state);
    EXPECT_EQ(x.isWave, y.isWave);
    EXPECT_EQ(x.quiet, y.quiet);
    EXPECT_EQ(x.index, y.index);
    EXPECT_EQ(x.displayDC, y.displayDC);
    EXPECT_EQ(x.reserved, y.reserved);
    EXPECT_EQ(x.ownerWindow, y.ownerWindow);
    EXPECT_EQ(x.loop, y.loop);
    EXPECT_EQ(x.finished, y.finished);
    EXPECT_EQ(x.percent, y.percent);
    EXPECT_EQ(x.remaining, y.remaining);
    EXPECT_EQ(x.paused, y.paused);
    EXPECT_EQ(x.preview, y.preview);
    EXPECT_EQ(x.fileName, y.fileName);
    EXPECT_EQ(x.decoder, y.decoder);
    EXPECT_EQ(x.slot, y.slot);
}

TEST(LineHandles, SwapExchangesEveryField) {
    char nameA[KLV_PATH_BUFFER] = "/music/a.mp3";
    char nameB[KLV_PATH_BUFFER] = "/music/b.wav";
    int decoderA = 0;
    int decoderB = 0;
    LineHandle a{3, 1,  0,    1, 4, 0x100, 7,         0x200,          1,
                 0, 42, 1234, 1, 0, nameA, &decoderA, &slotTable()[2]};
    LineHandle b{5, 2,  1, 0, 24, 0x300, 8,         0x400,          0,
                 1, 99, 5, 0, 1,  nameB, &decoderB, &slotTable()[9]};
    const LineHandle oldA = a;
    const LineHandle oldB = b;
    EXPECT_EQ(klvSwapLines(&a, &b), 0);
    expectSameFields(a, oldB);
    expectSameFields(b, oldA);

    EXPECT_EQ(klvSwapLines(&a, &a), 0);
    expectSameFields(a, oldB);
    EXPECT_EQ(klvSwapLines(&a, nullptr), 0);
    expectSameFields(a, oldB);
}

// The line's threads keep reading and writing fields of both records while they are swapped:
// each field is moved whole, with the accesses KLV_LOAD_FIELD makes (a plain copy would be a
// data race that ThreadSanitizer reports).
TEST(LineHandles, SwapMovesFieldsWholeWhileAThreadReadsThem) {
    LineHandle a{};
    LineHandle b{};
    a.remaining = 0x11111111;
    b.remaining = 0x22222222;
    a.fileName = reinterpret_cast<char*>(0x1000);
    b.fileName = reinterpret_cast<char*>(0x2000);
    std::atomic<bool> done{false};
    int32_t torn = 0;
    std::thread reader([&] {
        while (!done.load(std::memory_order_acquire)) {
            const int32_t remaining = KLV_LOAD_FIELD(a.remaining);
            const char* name = KLV_LOAD_FIELD(b.fileName);
            torn += remaining != 0x11111111 && remaining != 0x22222222 ? 1 : 0;
            torn +=
                name != reinterpret_cast<char*>(0x1000) && name != reinterpret_cast<char*>(0x2000)
                    ? 1
                    : 0;
        }
    });
    for (int i = 0; i < 2001; ++i)
        klvSwapLines(&a, &b);
    done.store(true, std::memory_order_release);
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(a.remaining, 0x22222222);
    EXPECT_EQ(b.fileName, reinterpret_cast<char*>(0x1000));
}

} // namespace
