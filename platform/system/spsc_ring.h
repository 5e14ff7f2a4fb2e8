#pragma once
// A ring between exactly one producing and one consuming thread, without a lock.
//
// Memory order, for every ring built on this: the producer copies its items in and then stores
// the write index with release; the consumer loads the write index with acquire, so the items
// it then copies out are complete. In turn the consumer stores the read index with release
// after it has copied the items out, and the producer loads it with acquire before it writes
// over that space again. Each index has a single writer, so that side may load its own index
// relaxed. Callers that fill or drain the ring in place (writeSpan, readSpan) keep the same
// order by touching the items only between the span call and the commit.
//
// Indices run from 0 to Capacity - 1 and are stored wrapped (Capacity is a power of two; an
// index of Capacity, the end, is read as 0). Guard items are always left free, so that a full
// ring never looks empty: equal indices always mean empty, and at most Capacity - Guard items
// are buffered.
//
// SpscRingView works on storage and indices that live elsewhere (a line's rings are allocated
// when a file opens, their indices are fields of the line's slot); SpscRing owns both.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <type_traits>

namespace klv::platform {

template <typename T, int32_t Capacity, int32_t Guard = 1> class SpscRingView {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "indices wrap by masking");
    static_assert(Guard >= 1 && Guard < Capacity, "a full ring must not look empty");
    static_assert(std::is_trivially_copyable_v<T>, "items are plain data, copied in and out");

public:
    static constexpr int32_t kCapacity = Capacity;
    static constexpr int32_t kGuard = Guard;
    static constexpr int32_t kMask = Capacity - 1;
    static constexpr int32_t kMaxItems = Capacity - Guard;

    SpscRingView(T* items, std::atomic<int32_t>& read, std::atomic<int32_t>& write)
        : m_items(items), m_read(read), m_write(write) {}

    static int32_t wrap(int32_t index) { return index & kMask; }

    // Items buffered and not yet read. Exact on the consumer's side; a lower bound elsewhere.
    // Also for holders of the indices alone (a const slot). [any thread]
    static int32_t used(const std::atomic<int32_t>& read, const std::atomic<int32_t>& write) {
        return (write.load(std::memory_order_acquire) - read.load(std::memory_order_acquire)) &
               kMask;
    }

    // Items the producer may write now, never below 0. Exact on the producer's side.
    // [any thread]
    static int32_t space(const std::atomic<int32_t>& read, const std::atomic<int32_t>& write) {
        int32_t gap =
            (read.load(std::memory_order_acquire) - write.load(std::memory_order_acquire)) & kMask;
        if (gap == 0)
            gap = Capacity;
        return std::max(gap - Guard, 0);
    }

    int32_t used() const { return used(m_read, m_write); }
    int32_t space() const { return space(m_read, m_write); }

    // [producer] Copies min(count, space()) items in, publishes them and returns how many.
    int32_t write(const T* items, int32_t count) {
        const int32_t written = std::min(std::max(count, 0), space());
        const int32_t at = wrap(m_write.load(std::memory_order_relaxed));
        const int32_t first = std::min(written, Capacity - at);
        std::copy_n(items, first, m_items + at);
        std::copy_n(items + first, written - first, m_items);
        m_write.store(wrap(at + written), std::memory_order_release);
        return written;
    }

    // [consumer] Copies min(wanted, used()) items out, frees their space and returns how many.
    int32_t read(T* out, int32_t wanted) {
        const int32_t taken = std::min(std::max(wanted, 0), used());
        const int32_t at = wrap(m_read.load(std::memory_order_relaxed));
        const int32_t first = std::min(taken, Capacity - at);
        std::copy_n(m_items + at, first, out);
        std::copy_n(m_items, taken - first, out + first);
        m_read.store(wrap(at + taken), std::memory_order_release);
        return taken;
    }

    // [producer] The free space from the write index up to the end of the storage, for a
    // producer that fills the ring in place (a file read straight into it). Space that wraps to
    // the start comes with the next call, after commitWrite.
    std::span<T> writeSpan() const {
        const int32_t at = wrap(m_write.load(std::memory_order_relaxed));
        return {m_items + at, static_cast<size_t>(std::min(space(), Capacity - at))};
    }
    // [producer] Publishes count items written in place at writeSpan(). More than the space
    // there is counts as all of it rather than overtaking the consumer.
    void commitWrite(int32_t count) {
        const int32_t at = m_write.load(std::memory_order_relaxed);
        m_write.store(wrap(at + std::clamp(count, 0, space())), std::memory_order_release);
    }

    // [consumer] The buffered items from the read index up to the end of the storage, for a
    // consumer that reads them in place; the rest, wrapped to the start, comes after commitRead.
    std::span<const T> readSpan() const {
        const int32_t at = wrap(m_read.load(std::memory_order_relaxed));
        return {m_items + at, static_cast<size_t>(std::min(used(), Capacity - at))};
    }
    // [consumer] Frees count items read in place at readSpan(). More than is buffered counts as
    // all of it, so the read index never passes the write index.
    void commitRead(int32_t count) {
        const int32_t at = m_read.load(std::memory_order_relaxed);
        m_read.store(wrap(at + std::clamp(count, 0, used())), std::memory_order_release);
    }

private:
    T* m_items;
    std::atomic<int32_t>& m_read;
    std::atomic<int32_t>& m_write;
};

// A ring that owns its storage and indices, for small records handed from one thread to
// another (queued sound buffers, work the output thread leaves to another thread).
template <typename T, int32_t Capacity> class SpscRing {
public:
    using View = SpscRingView<T, Capacity, 1>;
    // At most this many items are buffered at once (one place stays free).
    static constexpr int32_t kMaxItems = View::kMaxItems;

    // [producer] false when full.
    bool push(const T& item) { return view().write(&item, 1) == 1; }
    // [consumer] false when empty.
    bool pop(T& item) { return view().read(&item, 1) == 1; }
    // [consumer] The oldest item, left in the ring; null when empty.
    const T* front() const {
        if (View::used(m_read, m_write) == 0)
            return nullptr;
        return &m_items[View::wrap(m_read.load(std::memory_order_relaxed))];
    }
    // [consumer] Drops the oldest item (after front() returned it); nothing when empty.
    void dropFront() { view().commitRead(1); }
    // [any thread] Exact on the consumer's side.
    int32_t size() const { return View::used(m_read, m_write); }

private:
    View view() { return View(m_items, m_read, m_write); }

    T m_items[Capacity]{};
    // Apart, so that the producer's and the consumer's stores do not share a cache line.
    alignas(64) std::atomic<int32_t> m_read{0};
    alignas(64) std::atomic<int32_t> m_write{0};
};

} // namespace klv::platform
