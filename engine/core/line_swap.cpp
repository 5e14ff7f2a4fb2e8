#include "klv3.h"

#include <atomic>

namespace {

// The threads of an open line go on reading and writing fields of its record during the swap,
// so every field moves with an atomic load and an atomic store, the accesses KLV_LOAD_FIELD and
// KLV_STORE_FIELD make; each field arrives whole, though the swap as a whole is not atomic.
template <typename T> void swapField(T& first, T& second) {
    std::atomic_ref<T> a(first);
    std::atomic_ref<T> b(second);
    const T fromFirst = a.load(std::memory_order_acquire);
    a.store(b.load(std::memory_order_acquire), std::memory_order_release);
    b.store(fromFirst, std::memory_order_release);
}

} // namespace

extern "C" KLV_API int32_t klvSwapLines(LineHandle* h1, LineHandle* h2) {
    if (!h1 || !h2 || h1 == h2)
        return 0;
    swapField(h1->file, h2->file);
    swapField(h1->state, h2->state);
    swapField(h1->isWave, h2->isWave);
    swapField(h1->quiet, h2->quiet);
    swapField(h1->index, h2->index);
    swapField(h1->displayDC, h2->displayDC);
    swapField(h1->reserved, h2->reserved);
    swapField(h1->ownerWindow, h2->ownerWindow);
    swapField(h1->loop, h2->loop);
    swapField(h1->finished, h2->finished);
    swapField(h1->percent, h2->percent);
    swapField(h1->remaining, h2->remaining);
    swapField(h1->paused, h2->paused);
    swapField(h1->preview, h2->preview);
    swapField(h1->fileName, h2->fileName);
    swapField(h1->decoder, h2->decoder);
    swapField(h1->slot, h2->slot);
    return 0;
}
