#include "klv3.h"

extern "C" KLV_API int32_t klvSwapLines(LineHandle* h1, LineHandle* h2) {
    if (!h1 || !h2 || h1 == h2)
        return 0;
    const LineHandle temporary = *h1;
    *h1 = *h2;
    *h2 = temporary;
    return 0;
}
