#pragma once
// Access to the LineHandle fields that the line's threads and the program share. The program
// reads them with KLV_LOAD_FIELD and writes its own with KLV_STORE_FIELD; the library does the
// same through std::atomic_ref, so both sides use the same atomic accesses on the plain int32
// fields of the record.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <atomic>
#include <cstdint>

namespace klv::engine {

inline int32_t loadField(int32_t& field) {
    return std::atomic_ref<int32_t>(field).load(std::memory_order_acquire);
}

inline void storeField(int32_t& field, int32_t value) {
    std::atomic_ref<int32_t>(field).store(value, std::memory_order_release);
}

// The handle's slot. Only klvOpen and klvClose change it, on the ui thread, while the line's
// threads are not running; the threads read it freely.
inline LineSlot* lineSlot(LineHandle* h) {
    return std::atomic_ref<LineSlot*>(h->slot).load(std::memory_order_acquire);
}

inline void setLineSlot(LineHandle* h, LineSlot* slot) {
    std::atomic_ref<LineSlot*>(h->slot).store(slot, std::memory_order_release);
}

} // namespace klv::engine
