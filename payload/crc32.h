// CRC-32 (reflected, polynomial 0xEDB88320, the CRC of ISO-HDLC and IEEE 802.3), one table
// lookup per byte.
#pragma once

#include <cstdint>

extern const uint32_t CRC32_TABLE[256];

// Advances the register over length bytes (none when length <= 0) and returns it. No inversion
// happens inside: starting from 0xFFFFFFFF and complementing the final register gives the
// standard CRC-32, and feeding one result into the next call continues over the joined bytes.
uint32_t crc32Update(uint32_t crc, const unsigned char *bytes, int32_t length);
