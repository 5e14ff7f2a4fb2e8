#include "platform/ui/surface.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <vector>

namespace klv::platform {

namespace detail {

struct SurfaceState {
    explicit SurfaceState(DeviceContext context) : dc(context) {}

    const DeviceContext dc;
    std::mutex mutex; // guards the pixels and the size
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    // Written under the mutex, read without it by SurfaceRef.
    std::atomic<bool> dead{false};
    std::atomic<uint64_t> changes{0};
};

} // namespace detail

namespace {

using detail::SurfaceState;

constexpr int32_t kMaxSide = 16384;
// Contexts are counted from a value that no small integer handle of the program (a line
// number, a window id) is likely to take by mistake.
constexpr DeviceContext kFirstContext = 0x4B000001;

struct Registry {
    std::mutex mutex;
    std::map<DeviceContext, std::shared_ptr<SurfaceState>> surfaces;
    DeviceContext next = kFirstContext;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::shared_ptr<SurfaceState> find(DeviceContext dc) {
    if (dc == 0)
        return nullptr;
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    const auto it = reg.surfaces.find(dc);
    return it == reg.surfaces.end() ? nullptr : it->second;
}

bool validSize(int32_t width, int32_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

} // namespace

DeviceContext createSurface(int32_t width, int32_t height, uint32_t fill) {
    if (!validSize(width, height))
        return 0;
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    auto state = std::make_shared<SurfaceState>(reg.next++);
    state->pixels.assign(static_cast<size_t>(width) * height, fill);
    state->width = width;
    state->height = height;
    reg.surfaces.emplace(state->dc, state);
    return state->dc;
}

bool resizeSurface(DeviceContext dc, int32_t width, int32_t height, uint32_t fill) {
    if (!validSize(width, height))
        return false;
    const std::shared_ptr<SurfaceState> state = find(dc);
    if (!state)
        return false;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, fill);
    std::lock_guard<std::mutex> guard(state->mutex);
    if (state->dead.load(std::memory_order_relaxed))
        return false;
    const int32_t keepWidth = std::min(width, state->width);
    const int32_t keepHeight = std::min(height, state->height);
    for (int32_t y = 0; y < keepHeight; ++y) {
        const uint32_t* from = state->pixels.data() + static_cast<size_t>(y) * state->width;
        std::copy(from, from + keepWidth, pixels.data() + static_cast<size_t>(y) * width);
    }
    state->pixels.swap(pixels);
    state->width = width;
    state->height = height;
    state->changes.fetch_add(1, std::memory_order_release);
    return true;
}

void destroySurface(DeviceContext dc) {
    std::shared_ptr<SurfaceState> state;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> guard(reg.mutex);
        const auto it = reg.surfaces.find(dc);
        if (it == reg.surfaces.end())
            return;
        state = it->second;
        reg.surfaces.erase(it);
    }
    // Taking the surface's own lock waits for a thread that is drawing into it right now.
    std::lock_guard<std::mutex> guard(state->mutex);
    state->dead.store(true, std::memory_order_release);
    std::vector<uint32_t>().swap(state->pixels);
    state->changes.fetch_add(1, std::memory_order_release);
}

int32_t surfaceCount() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    return static_cast<int32_t>(reg.surfaces.size());
}

SurfaceRef::SurfaceRef(DeviceContext dc) : m_state(find(dc)) {}

DeviceContext SurfaceRef::dc() const {
    return m_state ? m_state->dc : 0;
}

bool SurfaceRef::alive() const {
    return m_state && !m_state->dead.load(std::memory_order_acquire);
}

uint64_t SurfaceRef::changeCount() const {
    return m_state ? m_state->changes.load(std::memory_order_acquire) : 0;
}

SurfaceLock::SurfaceLock(DeviceContext dc) : m_state(find(dc)) {
    acquire();
}

SurfaceLock::SurfaceLock(const SurfaceRef& ref) : m_state(ref.m_state) {
    acquire();
}

void SurfaceLock::acquire() {
    if (!m_state)
        return;
    m_lock = std::unique_lock<std::mutex>(m_state->mutex);
    if (m_state->dead.load(std::memory_order_relaxed)) {
        m_lock.unlock();
        return;
    }
    m_pixels = m_state->pixels.data();
    m_width = m_state->width;
    m_height = m_state->height;
    m_stride = m_state->width;
}

SurfaceLock::~SurfaceLock() = default;

uint64_t SurfaceLock::changeCount() const {
    return m_state ? m_state->changes.load(std::memory_order_acquire) : 0;
}

uint64_t SurfaceLock::markChanged() {
    if (!m_pixels)
        return changeCount();
    return m_state->changes.fetch_add(1, std::memory_order_acq_rel) + 1;
}

} // namespace klv::platform
