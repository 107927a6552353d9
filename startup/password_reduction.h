// The 32-bit value a password is kept as: CRC-32 steps over its text, repeated once per byte.
#pragma once

#include <cstdint>

constexpr uint32_t PASSWORD_REDUCTION_START = 0x5A00u;

// Starting from 0x5A00, runs the CRC-32 table step over all n bytes of the text n times (n its
// length). An empty text gives 0x5A00.
uint32_t reducePassword(const char *text);
