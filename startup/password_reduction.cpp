#include "startup/password_reduction.h"

#include <cstring>

#include "payload/crc32.h"

uint32_t reducePassword(const char *text) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    uint32_t value = PASSWORD_REDUCTION_START;
    for (int32_t i = 0; i < length; ++i) {
        value = crc32Update(value, reinterpret_cast<const unsigned char *>(text), length);
    }
    return value;
}
