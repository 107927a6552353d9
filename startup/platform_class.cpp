#include "startup/platform_class.h"

PlatformClass classifyVersion(uint32_t version) {
    const uint32_t major = version & 0xFFu;
    const uint32_t high = (version >> 24) & 0xFFu;
    PlatformClass result = {};
    if (major > 3 || high > 6) {
        result.win95 = true;
    } else if ((version & 0x4000u) != 0) {
        result.winNT = true;
    } else {
        result.win31 = true;
    }
    return result;
}
