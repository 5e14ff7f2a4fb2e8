#pragma once
// Whole reads and writes on a file descriptor: they go on after EINTR and short transfers, so
// callers never handle a partial record themselves. [thread-safe]

#include "platform/platform_api.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace klv::platform {

// Reads up to size bytes at offset without moving the descriptor's offset. Returns the bytes
// read: fewer than size at the end of the file or after an error.
KLV_PLATFORM_API int32_t readAt(int fd, void* buffer, int32_t size, off_t offset);

// Writes all size bytes at the descriptor's offset. false with errno set on failure; a write
// that makes no progress counts as a full disk (ENOSPC).
KLV_PLATFORM_API bool writeAll(int fd, const void* data, size_t size);

// The same at offset, without moving the descriptor's offset.
KLV_PLATFORM_API bool writeAllAt(int fd, const void* data, size_t size, off_t offset);

} // namespace klv::platform
