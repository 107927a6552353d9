// Numbers kept as decimal text in INI files.
#pragma once

#include <cstdint>

constexpr int PROFILE_NUMBER_BUFFER = 24;

// Unsigned base-10 conversion that stops at the first character that is not a digit.
// Leading blanks are skipped and a leading sign is taken as the C runtime's unsigned
// conversion takes it; a value past 2^32 - 1 reads as 2^32 - 1.
uint32_t parseProfileNumber(const char *text);

// Writes the decimal digits of value, NUL-terminated, into a buffer of PROFILE_NUMBER_BUFFER.
void formatProfileNumber(uint32_t value, char *out);
