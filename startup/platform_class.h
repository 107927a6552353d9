// The three platform classes the engine tells apart, and their derivation from a version value.
#pragma once

#include <cstdint>

struct PlatformClass {
    bool win95;
    bool winNT;
    bool win31;
};

// Classifies a value in the layout of the system's version query: major version in bits 0-7,
// bits 24-31 above 6 or a major version above 3 mean win95; else bit 0x4000 means winNT;
// else win31. Exactly one flag is set.
PlatformClass classifyVersion(uint32_t version);
