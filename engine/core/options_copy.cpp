#include "engine/core/options_copy.h"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace klv::engine {

namespace {

// The copy is kept as the record's 113 words, each its own atomic, so the engine's threads read
// a field while the ui thread replaces the record without a lock and never see half a word.
// Release stores and acquire loads let a reader that sees a new value also see everything the
// ui thread wrote before it.
constexpr size_t kWords = KLV_OPTIONS_SIZE / sizeof(int32_t);
static_assert(KLV_OPTIONS_SIZE % sizeof(int32_t) == 0);

std::atomic<int32_t> g_words[kWords];

size_t wordOf(int32_t OptionsRecord::*field) {
    static const OptionsRecord probe{};
    const auto offset =
        reinterpret_cast<const char*>(&(probe.*field)) - reinterpret_cast<const char*>(&probe);
    return static_cast<size_t>(offset) / sizeof(int32_t);
}

} // namespace

int32_t option(int32_t OptionsRecord::*field) {
    return g_words[wordOf(field)].load(std::memory_order_acquire);
}

void setOption(int32_t OptionsRecord::*field, int32_t value) {
    g_words[wordOf(field)].store(value, std::memory_order_release);
}

void replaceOptions(const OptionsRecord& record) {
    int32_t words[kWords];
    std::memcpy(words, &record, sizeof(words));
    for (size_t i = 0; i < kWords; ++i)
        g_words[i].store(words[i], std::memory_order_release);
}

OptionsRecord optionsSnapshot() {
    int32_t words[kWords];
    for (size_t i = 0; i < kWords; ++i)
        words[i] = g_words[i].load(std::memory_order_acquire);
    OptionsRecord record;
    std::memcpy(&record, words, sizeof(record));
    return record;
}

} // namespace klv::engine
