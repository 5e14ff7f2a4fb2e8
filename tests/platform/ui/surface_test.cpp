// Pixel surfaces behind device contexts: sizes, colours, and the guarantee that a drawing
// thread never writes into a surface the program has resized or destroyed.

#include "platform/ui/surface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace klv::platform {
namespace {

TEST(Surface, ColourReferencesBecomePixelsWithRedAndBlueSwapped) {
    struct Case {
        uint32_t colorRef;
        uint32_t pixel;
    };
    for (const Case& c : std::vector<Case>{{0x000000FF, 0xFFFF0000},
                                           {0x0000FF00, 0xFF00FF00},
                                           {0x00FF0000, 0xFF0000FF},
                                           {0x00123456, 0xFF563412},
                                           {0xAB000000, 0xFF000000}})
        EXPECT_EQ(pixelFromColorRef(c.colorRef), c.pixel) << std::hex << c.colorRef;
}

TEST(Surface, BadSizesMakeNoSurface) {
    const int before = surfaceCount();
    for (auto [w, h] :
         std::vector<std::pair<int32_t, int32_t>>{{0, 5}, {5, 0}, {-1, 5}, {20000, 2}})
        EXPECT_EQ(createSurface(w, h, 0), 0) << w << "x" << h;
    EXPECT_EQ(surfaceCount(), before);
}

TEST(Surface, ContextsAreNeverReused) {
    const DeviceContext a = createSurface(2, 2, 0);
    destroySurface(a);
    const DeviceContext b = createSurface(2, 2, 0);
    EXPECT_NE(a, 0);
    EXPECT_NE(b, a);
    EXPECT_FALSE(SurfaceLock(a)); // the old context stays dead
    EXPECT_TRUE(SurfaceLock(b));
    destroySurface(b);
}

TEST(Surface, ResizeKeepsTheOverlapAndFillsTheRest) {
    const DeviceContext dc = createSurface(3, 2, 0xFF000001u);
    {
        SurfaceLock lock(dc);
        ASSERT_TRUE(lock);
        lock.pixels()[1 * lock.stride() + 2] = 0xFFABCDEFu;
        lock.markChanged();
    }
    ASSERT_TRUE(resizeSurface(dc, 5, 4, 0xFF000002u));
    {
        SurfaceLock lock(dc);
        ASSERT_EQ(lock.width(), 5);
        ASSERT_EQ(lock.height(), 4);
        EXPECT_EQ(lock.pixels()[0], 0xFF000001u);
        EXPECT_EQ(lock.pixels()[1 * lock.stride() + 2], 0xFFABCDEFu);
        EXPECT_EQ(lock.pixels()[1 * lock.stride() + 3], 0xFF000002u);
        EXPECT_EQ(lock.pixels()[3 * lock.stride() + 0], 0xFF000002u);
    }
    ASSERT_TRUE(resizeSurface(dc, 2, 1, 0));
    {
        SurfaceLock lock(dc);
        EXPECT_EQ(lock.width(), 2);
        EXPECT_EQ(lock.pixels()[1], 0xFF000001u);
    }
    EXPECT_FALSE(resizeSurface(dc, 0, 1, 0));
    destroySurface(dc);
    EXPECT_FALSE(resizeSurface(dc, 2, 2, 0));
}

// Every kind of change moves the count, so a drawing thread can tell its own last change from
// someone else's.
TEST(Surface, ChangesAreCounted) {
    const DeviceContext dc = createSurface(4, 4, 0);
    const SurfaceRef ref(dc);
    uint64_t count = ref.changeCount();
    {
        SurfaceLock lock(ref);
        EXPECT_EQ(lock.changeCount(), count);
        EXPECT_EQ(lock.markChanged(), count + 1);
    }
    EXPECT_EQ(ref.changeCount(), ++count);
    { SurfaceLock reading(ref); } // a look without a change
    EXPECT_EQ(ref.changeCount(), count);
    resizeSurface(dc, 5, 5, 0);
    EXPECT_GT(ref.changeCount(), count);
    count = ref.changeCount();
    EXPECT_TRUE(ref.alive());
    destroySurface(dc);
    EXPECT_GT(ref.changeCount(), count);
    EXPECT_FALSE(ref.alive());
    EXPECT_FALSE(SurfaceLock(ref));
}

TEST(Surface, UnknownContextsGiveNothing) {
    EXPECT_FALSE(SurfaceLock(DeviceContext{0}));
    EXPECT_FALSE(SurfaceLock(DeviceContext{12345}));
    EXPECT_FALSE(SurfaceRef(DeviceContext{12345}));
    destroySurface(12345); // ignored
}

// A thread keeps drawing while the program resizes and finally destroys the surface. Under the
// address sanitizer a write into released pixels would stop the test.
TEST(Surface, DrawingWhileTheProgramResizesAndDestroys) {
    const DeviceContext dc = createSurface(64, 64, 0);
    const SurfaceRef ref(dc);
    std::atomic<int> frames{0};
    std::thread painter([&] {
        for (;;) {
            SurfaceLock lock(ref);
            if (!lock)
                break; // destroyed: from now on there is nothing to draw into
            EXPECT_TRUE(ref.alive());
            for (int32_t y = 0; y < lock.height(); ++y)
                for (int32_t x = 0; x < lock.width(); ++x)
                    lock.pixels()[y * lock.stride() + x] = 0xFFFFFFFFu;
            lock.markChanged();
            frames.fetch_add(1);
        }
    });
    // Resize until the painter has drawn a few frames among the resizes, then destroy.
    for (int i = 0; i < 200 || frames.load() < 20; ++i)
        resizeSurface(dc, 16 + i % 80, 90 - i % 70, 0);
    destroySurface(dc);
    painter.join();
    EXPECT_FALSE(ref.alive());
}

} // namespace
} // namespace klv::platform
