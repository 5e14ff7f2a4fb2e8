#pragma once
// The table of contents of a Xing header as the line's seek table. The header is looked for at
// byte 36 only: right behind the header and side information of a stereo first frame at the
// very start of the file.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Fills slot.seekTable from the table of contents, scaled to slot.dataEnd. 0 when it did, -1
// when there is no usable table (the table may then be partly written and the caller fills it
// evenly). The descriptor's offset is not changed. [ui-thread]
int32_t readXingSeekTable(int fd, LineSlot& slot);

} // namespace klv::engine
