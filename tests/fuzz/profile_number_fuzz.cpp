// Numbers kept as decimal text in INI files: any text, and every value written and read back.
#include <cstdint>
#include <cstring>
#include <string>

#include "promise.h"
#include "startup/profile_number.h"

namespace {

// The C runtime's unsigned conversion as the engine documents it, in wide arithmetic.
uint32_t expectedValue(const char *p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned __int128 value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    const uint32_t result = static_cast<uint32_t>(value);
    return negative ? 0u - result : result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    PROMISE(parseProfileNumber(text.c_str()) == expectedValue(text.c_str()));
    if (size >= 4) {
        uint32_t value = 0;
        std::memcpy(&value, data, 4);
        char digits[PROFILE_NUMBER_BUFFER];
        formatProfileNumber(value, digits);
        PROMISE(std::strlen(digits) < PROFILE_NUMBER_BUFFER && parseProfileNumber(digits) == value);
    }
    return 0;
}
