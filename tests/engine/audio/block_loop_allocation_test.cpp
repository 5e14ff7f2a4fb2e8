// The output thread's block loop must not allocate: this test binary counts every allocation
// made by any thread other than the test's own while the loop runs through all its paths.

#include "tests/engine/audio/output_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_counting{false};
std::atomic<uint64_t> g_allocations{0};
thread_local bool t_exempt = false; // initial-exec TLS: reading it never allocates

void noteAllocation() {
    if (g_counting.load(std::memory_order_relaxed) && !t_exempt)
        g_allocations.fetch_add(1, std::memory_order_relaxed);
}

void* allocate(std::size_t size) {
    noteAllocation();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    noteAllocation();
    const auto align = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(align, (size + align - 1) / align * align))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t a) {
    return allocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return allocateAligned(size, a);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

// C allocations too, where no sanitizer owns malloc already.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
// glibc's own allocator entry points, which the replacements below pass on to.
// NOLINTBEGIN(bugprone-reserved-identifier)
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
// NOLINTEND(bugprone-reserved-identifier)
void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    noteAllocation();
    return __libc_realloc(p, size);
}
}
#define KLV_COUNTS_MALLOC 1
#endif

namespace klv::test {
namespace {

class BlockLoopAllocation : public OutputTest {
protected:
    void SetUp() override {
        t_exempt = true;
        OutputTest::SetUp();
    }
    void TearDown() override {
        g_counting.store(false);
        OutputTest::TearDown();
    }
};

TEST_F(BlockLoopAllocation, TwentyFourLinesThroughEveryPathAllocateNothing) {
    m_options.UseSecondary = 1;
    m_options.SecondaryDevice = 1;
    applyOptions();
    std::vector<std::unique_ptr<TestLine>> lines;
    for (int i = 0; i < kLineSlotCount; ++i) {
        lines.push_back(std::make_unique<TestLine>());
        lines.back()->feedConstant(0.01f * i, -0.01f * i, 30000);
        lines.back()->setPreview(i % 3 == 0);
        lines.back()->play();
    }
    m_lockstep = true;
    start();
    step(20); // past the start-up countdown of the secondary

    g_counting.store(true);
    for (int block = 0; block < 240; ++block) {
        for (int i = 0; i < kLineSlotCount; ++i) {
            LineHandle* h = lines[i]->handle();
            klvSetPitch(h, (block * 37 + i * 101) % 2100);
            klvSetVolume(h, (block + i) % 4 * 0.5f);
            klvSetPan(h, (block * 13 + i * 7) % 201 - 100);
        }
        m_options.HeadphoneMode = block % 3;
        m_options.PreFader = block % 2;
        m_options.OverSample = (block / 2) % 2;
        m_options.TimeScale = (block / 4) % 2;
        applyOptions();
        klvSetMainVol(block % 5 * 0.3f, block % 7 * 0.2f, block % 3 * 0.5f);
        // The secondary drifts now and then (drops and duplicates), the primary fails a write.
        platform::wavetest::failWrites(0, block % 50 == 49 ? platform::kWaveError : 0);
        if (block % 40 == 10) {
            while (platform::wavetest::playOldest(1)) {
            }
        }
        m_lockstep = block % 40 < 30;
        step();
        if (block % 8 == 0) {
            for (auto& line : lines)
                line->feedConstant(0.02f, 0.01f, 1024);
        }
    }
    g_counting.store(false);
    EXPECT_EQ(g_allocations.load(), 0u);
    EXPECT_EQ(engine::outputState(), 1);
#ifdef KLV_COUNTS_MALLOC
    // The hooks are live: an allocation on another thread is seen.
    g_counting.store(true);
    std::thread([] { std::free(std::malloc(16)); }).join();
    g_counting.store(false);
    EXPECT_GT(g_allocations.load(), 0u);
#endif
}

} // namespace
} // namespace klv::test
