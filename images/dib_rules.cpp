#include "images/dib_rules.h"

namespace {

constexpr uint32_t BI_RGB_CODE = 0;
constexpr uint32_t BI_BITFIELDS_CODE = 3;
constexpr uint32_t MASK_BYTES = 12;
// Headers of this size and more (BITMAPV2INFOHEADER onwards) hold the bit-field masks.
constexpr uint32_t HEADER_WITH_MASKS = 52;

uint32_t read16(const unsigned char *p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
uint32_t read32(const unsigned char *p) { return read16(p) | read16(p + 2) << 16; }

// The parts of a packed DIB by the rules in dib_rules.h. Offsets and sizes are 64-bit so that no
// header value, however large, wraps them.
struct DibParts {
    uint32_t headerSize;
    uint64_t tableEntries;
    uint64_t tableOffset;
    uint64_t bitsOffset;
    bool bitsKnown;    // false: the bits' size cannot be told (negative width, no image size)
    uint64_t rowSize;  // bytes a row of bits takes
    uint64_t rows;     // rows of bits; encoded bits count as one row of the image size
};

uint64_t rowBytes(uint64_t width, uint32_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Reads the header size and then only the fields that the header size covers, so nothing past
// the header; the caller makes sure the header lies in readable memory.
DibParts describeDib(const unsigned char *dib) {
    DibParts parts = {};
    parts.headerSize = read32(dib);
    const uint32_t size = parts.headerSize;
    uint64_t entryBytes = 4;
    uint64_t maskBytes = 0;
    if (size == DIB_CORE_HEADER_SIZE) {
        const uint32_t bitCount = read16(dib + 10);
        entryBytes = 3;
        parts.tableEntries = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
        parts.bitsKnown = true;
        parts.rowSize = rowBytes(read16(dib + 4), bitCount);
        parts.rows = read16(dib + 6);
    } else {
        const uint32_t bitCount = size >= 16 ? read16(dib + 14) : 0;
        const uint32_t compression = size >= 20 ? read32(dib + 16) : BI_RGB_CODE;
        const uint32_t imageSize = size >= 24 ? read32(dib + 20) : 0;
        const uint32_t coloursUsed = size >= 36 ? read32(dib + 32) : 0;
        const int32_t width = size >= 8 ? static_cast<int32_t>(read32(dib + 4)) : 0;
        const int32_t height = size >= 12 ? static_cast<int32_t>(read32(dib + 8)) : 0;
        if (coloursUsed != 0) {
            parts.tableEntries = coloursUsed;
        } else {
            parts.tableEntries = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
        }
        if (compression == BI_BITFIELDS_CODE && size < HEADER_WITH_MASKS) maskBytes = MASK_BYTES;
        if (compression == BI_RGB_CODE || compression == BI_BITFIELDS_CODE) {
            // A top-down picture has a negative height; |INT32_MIN| is taken in 64 bits.
            parts.rows = height < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(height))
                                    : static_cast<uint64_t>(height);
            parts.bitsKnown = width >= 0;
            // At most 2^31 * 65535 bits: a row size stays below 2^45.
            parts.rowSize = parts.bitsKnown ? rowBytes(static_cast<uint64_t>(width), bitCount) : 0;
        } else {
            // Run-length and other encoded bits end where the image size says; without it the
            // decoder would be bounded by nothing but the end markers inside the data.
            parts.bitsKnown = imageSize != 0;
            parts.rowSize = imageSize;
            parts.rows = 1;
        }
    }
    parts.tableOffset = uint64_t{size} + maskBytes;
    parts.bitsOffset = parts.tableOffset + parts.tableEntries * entryBytes;
    return parts;
}

size_t toSize(uint64_t value) { return value > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(value); }

}  // namespace

int paletteEntryCountOf(const unsigned char *dib) {
    if (dib == nullptr || read32(dib) < DIB_INFO_HEADER_SIZE) return 0;
    const uint64_t entries = describeDib(dib).tableEntries;
    return entries > INT32_MAX ? INT32_MAX : static_cast<int>(entries);
}

size_t dibTableOffset(const unsigned char *dib) { return dib == nullptr ? 0 : toSize(describeDib(dib).tableOffset); }

size_t dibBitsOffset(const unsigned char *dib) { return dib == nullptr ? 0 : toSize(describeDib(dib).bitsOffset); }

bool dibDrawable(const unsigned char *dib) {
    if (dib == nullptr) return false;
    const uint32_t size = read32(dib);
    return size == DIB_CORE_HEADER_SIZE || size >= DIB_INFO_HEADER_SIZE;
}

bool dibFitsBlock(const unsigned char *dib, uint32_t blockSize) {
    if (dib == nullptr || blockSize < 4) return false;
    const uint32_t size = read32(dib);
    if (size != DIB_CORE_HEADER_SIZE && size < 16) return false;
    if (size > blockSize) return false;
    const DibParts parts = describeDib(dib);
    if (!parts.bitsKnown || parts.bitsOffset > blockSize) return false;
    // rows * rowSize <= room. Once each factor is at most room (below 2^32), the product stays
    // below 2^64; asked so, it needs no 64-bit division, which the engine would take from libgcc.
    const uint64_t room = blockSize - parts.bitsOffset;
    if (parts.rows == 0 || parts.rowSize == 0) return true;
    return parts.rows <= room && parts.rowSize <= room && parts.rows * parts.rowSize <= room;
}
