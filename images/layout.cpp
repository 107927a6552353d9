#include "images/layout.h"

#include <cstdlib>
#include <ctime>

RandomSource randomSource = nullptr;
bool randomSeeded = false;

int32_t rectWidth(const Rect &r) { return r.right - r.left; }
int32_t rectHeight(const Rect &r) { return r.bottom - r.top; }

namespace {

// Puts the rectangle's top-left corner at (left, top), keeping its width and height.
void moveTo(Rect *r, int32_t left, int32_t top) {
    const int32_t width = rectWidth(*r);
    const int32_t height = rectHeight(*r);
    r->left = left;
    r->top = top;
    r->right = left + width;
    r->bottom = top + height;
}

}  // namespace

void placeAtMargin(Rect *r) { moveTo(r, LAYOUT_MARGIN, LAYOUT_MARGIN); }

void placeBelowLeft(const Rect &anchor, Rect *r) { moveTo(r, anchor.left, anchor.bottom + LAYOUT_MARGIN); }

void placeBelowRight(const Rect &anchor, Rect *r) {
    moveTo(r, anchor.right - rectWidth(*r), anchor.bottom + LAYOUT_MARGIN);
}

void placeRightOf(const Rect &anchor, Rect *r) { moveTo(r, anchor.right + LAYOUT_MARGIN, r->top); }

void centreAcross(Rect *r, int32_t from, int32_t to) { moveTo(r, (to - from) / 2 - rectWidth(*r) / 2, r->top); }

void alignBottom(const Rect &source, Rect *r) {
    const int32_t height = rectHeight(*r);
    r->bottom = source.bottom;
    r->top = source.bottom - height;
}

int32_t minLeft(const Rect &a, const Rect &b) { return a.left < b.left ? a.left : b.left; }
int32_t minTop(const Rect &a, const Rect &b) { return a.top < b.top ? a.top : b.top; }
int32_t maxRight(const Rect &a, const Rect &b) { return a.right > b.right ? a.right : b.right; }
int32_t maxBottom(const Rect &a, const Rect &b) { return a.bottom > b.bottom ? a.bottom : b.bottom; }

void boundingBoxWithMargin(Rect *box, const Rect &top, const Rect &lowerLeft, const Rect &lowerRight) {
    box->left = minLeft(top, lowerLeft) - LAYOUT_MARGIN;
    box->top = top.top - LAYOUT_MARGIN;
    box->right = maxRight(top, lowerRight) + LAYOUT_MARGIN;
    box->bottom = maxBottom(lowerLeft, lowerRight) + LAYOUT_MARGIN;
}

void arrangeImages(Rect *top, Rect *lowerLeft, Rect *lowerRight, Rect *box) {
    placeAtMargin(top);
    placeBelowRight(*top, lowerRight);
    placeBelowLeft(*top, lowerLeft);
    if (lowerRight->bottom > lowerLeft->bottom) {
        alignBottom(*lowerRight, lowerLeft);
    } else {
        alignBottom(*lowerLeft, lowerRight);
    }
    if (lowerLeft->right > lowerRight->left) {
        placeRightOf(*lowerLeft, lowerRight);
        centreAcross(top, lowerLeft->left, lowerRight->right);
    }
    boundingBoxWithMargin(box, *top, *lowerLeft, *lowerRight);
}

namespace {

constexpr uint32_t RANDOM_TOP = 32767;

int nextRandom() {
    if (randomSource != nullptr) return randomSource();
    if (!randomSeeded) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        randomSeeded = true;
    }
    // Cut to 15 bits: the Windows C library gives 0 to 32767 already, a C library with a larger
    // RAND_MAX would otherwise push the scaled result out of its range.
    return std::rand() & static_cast<int>(RANDOM_TOP);
}

int32_t low16(uint32_t value) { return static_cast<int32_t>(value & 0xFFFFu); }

}  // namespace

int randomInRange(int lo, int hi) {
    const uint32_t r = static_cast<uint32_t>(nextRandom());
    const uint32_t span = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo);
    const uint32_t step = r * span / RANDOM_TOP;
    return static_cast<int>(static_cast<uint32_t>(lo) + step);
}

void placeAtRandom(const Rect &outer, Rect *r) {
    const int32_t width = rectWidth(*r);
    const int32_t height = rectHeight(*r);
    const int32_t x = randomInRange(0, rectWidth(outer) - width);
    const int32_t y = randomInRange(0, rectHeight(outer) - height);
    const uint32_t ux = static_cast<uint32_t>(x);
    const uint32_t uy = static_cast<uint32_t>(y);
    r->left = low16(ux);
    r->top = low16(uy);
    r->right = low16(ux + static_cast<uint32_t>(width));
    r->bottom = low16(uy + static_cast<uint32_t>(height));
}

// Packed DIBs.

namespace {

constexpr uint32_t BI_RGB_CODE = 0;
constexpr uint32_t BI_BITFIELDS_CODE = 3;
constexpr uint32_t MASK_BYTES = 12;
// Headers of this size and more (BITMAPV2INFOHEADER onwards) hold the bit-field masks.
constexpr uint32_t HEADER_WITH_MASKS = 52;

uint32_t read16(const unsigned char *p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
uint32_t read32(const unsigned char *p) { return read16(p) | read16(p + 2) << 16; }

// The parts of a packed DIB by the rules in layout.h. Offsets and sizes are 64-bit so that no
// header value, however large, wraps them.
struct DibParts {
    uint32_t headerSize;
    uint64_t tableEntries;
    uint64_t tableOffset;
    uint64_t bitsOffset;
    bool bitsKnown;     // false: the bits' size cannot be told (negative width, no image size)
    uint64_t rowSize;   // bytes a row of bits takes
    uint64_t rows;      // rows of bits; encoded bits count as one row of the image size
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
    // rows * rowSize <= room, asked without forming a product that could pass 2^64.
    const uint64_t room = blockSize - parts.bitsOffset;
    return parts.rows == 0 || parts.rowSize <= room / parts.rows;
}
