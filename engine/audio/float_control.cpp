#include "engine/audio/float_control.h"

#include <cfenv>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

namespace klv::engine {

void setEngineFloatControl() {
    fedisableexcept(FE_ALL_EXCEPT);
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t word;
    _FPU_GETCW(word);
    word = (word & ~_FPU_EXTENDED) | _FPU_DOUBLE | _FPU_MASK_IM | _FPU_MASK_DM | _FPU_MASK_ZM |
           _FPU_MASK_OM | _FPU_MASK_UM | _FPU_MASK_PM;
    _FPU_SETCW(word);
#endif
}

} // namespace klv::engine
