#include "klv3.h"

extern "C" KLV_API int32_t klvGetDLLVersion(void) {
    return KLV_DLL_VERSION;
}
