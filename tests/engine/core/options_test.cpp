#include "engine/core/options_copy.h"
#include "engine/core/user_message.h"
#include "klv3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using klv::engine::option;
using klv::engine::optionsSnapshot;

std::vector<uint8_t> bytesOf(const OptionsRecord& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return {p, p + sizeof(record)};
}

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

OptionsRecord recordFrom(const std::vector<uint8_t>& bytes) {
    OptionsRecord record{};
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof(record)));
    return record;
}

// A record whose every byte is 0x5A, so a call that forgets to clear it is seen at once.
OptionsRecord dirtyRecord() {
    OptionsRecord record;
    std::memset(&record, 0x5A, sizeof(record));
    return record;
}

TEST(Options, FreshInstallationLoadsNothingAndTheFirstSaveCreatesTheValue) {
    klvDelReg("Settings", "Options");
    OptionsRecord record = dirtyRecord();
    EXPECT_EQ(klvLoadOptions(&record, 0), -1);
    EXPECT_EQ(bytesOf(record), std::vector<uint8_t>(KLV_OPTIONS_SIZE, 0));

    OptionsRecord defaults = recordFrom(pattern(KLV_OPTIONS_SIZE, 1));
    ASSERT_EQ(klvSaveOptions(&defaults), 0);
    std::vector<uint8_t> stored(KLV_OPTIONS_SIZE + 8);
    EXPECT_EQ(klvGetReg("Settings", "Options", stored.data(), static_cast<int32_t>(stored.size())),
              KLV_OPTIONS_SIZE);
    stored.resize(KLV_OPTIONS_SIZE);
    EXPECT_EQ(stored, bytesOf(defaults));
}

TEST(Options, SavedRecordLoadsBackInAll452Bytes) {
    const OptionsRecord saved = recordFrom(pattern(KLV_OPTIONS_SIZE, 3));
    ASSERT_EQ(klvSaveOptions(&saved), 0);
    OptionsRecord loaded = dirtyRecord();
    ASSERT_EQ(klvLoadOptions(&loaded, 0), 0);
    EXPECT_EQ(bytesOf(loaded), bytesOf(saved));
    EXPECT_EQ(bytesOf(optionsSnapshot()), bytesOf(saved));
}

// What is stored as "Options" before the load: nothing, or these bytes.
struct StoredOptions {
    const char* what;
    bool present;
    size_t size;
    int32_t result;
};

void PrintTo(const StoredOptions& c, std::ostream* os) {
    *os << c.what;
}

class StoredOptionsLoad : public testing::TestWithParam<StoredOptions> {};

TEST_P(StoredOptionsLoad, AcceptsOnlyANonEmptyValueThatFits) {
    const StoredOptions& c = GetParam();
    // The engine's copy before the load, to see whether a failed load leaves it alone.
    const OptionsRecord before = recordFrom(pattern(KLV_OPTIONS_SIZE, 9));
    ASSERT_EQ(klvSaveOptions(&before), 0);
    const std::vector<uint8_t> stored = pattern(c.size, 200);
    if (c.present)
        ASSERT_EQ(klvSetReg("Settings", "Options", stored.data(), static_cast<int32_t>(c.size)), 0);
    else
        ASSERT_EQ(klvDelReg("Settings", "Options"), 0);

    OptionsRecord loaded = dirtyRecord();
    EXPECT_EQ(klvLoadOptions(&loaded, 0), c.result);
    if (c.result == 0) {
        std::vector<uint8_t> expected(KLV_OPTIONS_SIZE, 0);
        std::copy(stored.begin(), stored.end(), expected.begin());
        EXPECT_EQ(bytesOf(loaded), expected) << "zero tail after a short value";
        EXPECT_EQ(bytesOf(optionsSnapshot()), expected);
    } else {
        EXPECT_EQ(bytesOf(loaded), std::vector<uint8_t>(KLV_OPTIONS_SIZE, 0));
        EXPECT_EQ(bytesOf(optionsSnapshot()), bytesOf(before));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredOptionsLoad,
                         testing::Values(StoredOptions{"missing", false, 0, -1},
                                         StoredOptions{"empty", true, 0, -1},
                                         StoredOptions{"one_byte_too_long", true, 453, -1},
                                         StoredOptions{"far_too_long", true, 2000, -1},
                                         StoredOptions{"one_byte", true, 1, 0},
                                         StoredOptions{"older_record", true, 226, 0},
                                         StoredOptions{"exact", true, 452, 0}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(Options, LoadRemembersTheOwnerEvenWhenNothingIsStored) {
    klvDelReg("Settings", "Options");
    OptionsRecord record{};
    EXPECT_EQ(klvLoadOptions(&record, 0x4242), -1);
    EXPECT_EQ(klv::engine::ownerWindow(), 0x4242);
    klvLoadOptions(&record, 0);
}

TEST(Options, EngineThreadsReadFieldsOfTheCopyWhileItIsReplaced) {
    OptionsRecord a{};
    OptionsRecord b{};
    a.SilenceThreshold = 15;
    a.TimeScale = 0;
    b.SilenceThreshold = 40;
    b.TimeScale = 1;
    ASSERT_EQ(klvSaveOptions(&a), 0);

    std::atomic<bool> stop{false};
    std::atomic<int> oddValues{0};
    std::thread reader([&] {
        while (!stop.load(std::memory_order_acquire)) {
            const int32_t threshold = option(&OptionsRecord::SilenceThreshold);
            const int32_t scale = option(&OptionsRecord::TimeScale);
            if ((threshold != 15 && threshold != 40) || (scale != 0 && scale != 1))
                oddValues.fetch_add(1);
        }
    });
    for (int i = 0; i < 100; ++i)
        klvSaveOptions(i % 2 ? &a : &b);
    stop.store(true, std::memory_order_release);
    reader.join();
    EXPECT_EQ(oddValues.load(), 0);
    EXPECT_EQ(option(&OptionsRecord::SilenceThreshold), 15);
    EXPECT_EQ(option(&OptionsRecord::TimeScale), 0);
}

TEST(Options, SetOptionChangesOneFieldOfTheCopy) {
    OptionsRecord record = recordFrom(pattern(KLV_OPTIONS_SIZE, 5));
    ASSERT_EQ(klvSaveOptions(&record), 0);
    klv::engine::setOption(&OptionsRecord::UseSecondary, 0);
    record.UseSecondary = 0;
    EXPECT_EQ(bytesOf(optionsSnapshot()), bytesOf(record));
}

} // namespace
