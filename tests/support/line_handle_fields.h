#pragma once
// The fields of a LineHandle as one comparable, printable value. Comparing the bytes instead
// would compare the padding before each pointer too, which a copy need not keep.

#include "klv3.h"

#include <tuple>

namespace klv::test {

inline auto handleFields(const LineHandle& h) {
    return std::tie(h.file, h.state, h.isWave, h.quiet, h.index, h.displayDC, h.reserved,
                    h.ownerWindow, h.loop, h.finished, h.percent, h.remaining, h.paused, h.preview,
                    h.fileName, h.decoder, h.slot);
}

} // namespace klv::test
