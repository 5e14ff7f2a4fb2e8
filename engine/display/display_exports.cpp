// The exported functions of the meters and the engine-drawn displays.

#include "engine/core/options_copy.h"
#include "engine/display/clock_display.h"
#include "engine/display/line_display_thread.h"
#include "engine/display/vu_thread.h"
#include "klv3.h"
#include "platform/ui/surface.h"

using namespace klv::engine;

int32_t klvStartVU(KlvWindow window, KlvDC dc, int32_t width, int32_t height) {
    return startVu(window, dc, width, height);
}

int32_t klvStopVU(void) {
    return stopVu();
}

int32_t klvDrawClock(KlvDC dc, int32_t hours, int32_t minutes) {
    klv::platform::SurfaceLock lock(dc);
    if (!lock)
        return 0;
    drawClock(canvasOf(lock), hours, minutes, option(&OptionsRecord::LCDLitColor),
              option(&OptionsRecord::LCDDimColor));
    lock.markChanged();
    return 0;
}

int32_t klvSetRemain(int32_t mode) {
    setRemainMode(mode);
    return 0;
}
