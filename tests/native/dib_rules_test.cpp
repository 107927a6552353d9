#include "images/dib_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Packed DIB headers, little-endian, with only the fields the header size holds.
void put16(std::vector<unsigned char> &b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(std::vector<unsigned char> &b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFFu);
    put16(b, at + 2, v >> 16);
}

std::vector<unsigned char> infoHeader(uint32_t size, int32_t width, int32_t height, uint32_t bpp,
                                      uint32_t compression = 0, uint32_t imageSize = 0, uint32_t coloursUsed = 0) {
    std::vector<unsigned char> b(size);
    put32(b, 0, size);
    if (size >= 8) put32(b, 4, static_cast<uint32_t>(width));
    if (size >= 12) put32(b, 8, static_cast<uint32_t>(height));
    if (size >= 14) put16(b, 12, 1);
    if (size >= 16) put16(b, 14, bpp);
    if (size >= 20) put32(b, 16, compression);
    if (size >= 24) put32(b, 20, imageSize);
    if (size >= 36) put32(b, 32, coloursUsed);
    return b;
}

std::vector<unsigned char> coreHeader(uint32_t width, uint32_t height, uint32_t bpp) {
    std::vector<unsigned char> b(12);
    put32(b, 0, 12);
    put16(b, 4, width);
    put16(b, 6, height);
    put16(b, 8, 1);
    put16(b, 10, bpp);
    return b;
}

constexpr uint32_t RLE8 = 1;
constexpr uint32_t BITFIELDS = 3;

TEST(DibArithmetic, PaletteEntriesTableAndBitsOffsets) {
    struct Row {
        const char *label;
        std::vector<unsigned char> header;
        int entries;
        size_t table, bits;
    };
    const Row rows[] = {
        {"8 bpp, full table", infoHeader(40, 4, 2, 8), 256, 40, 40 + 1024},
        {"8 bpp, 16 colours used", infoHeader(40, 4, 2, 8, 0, 0, 16), 16, 40, 40 + 16 * 4},
        {"4 bpp", infoHeader(40, 4, 2, 4), 16, 40, 40 + 64},
        {"1 bpp", infoHeader(40, 4, 2, 1), 2, 40, 40 + 8},
        {"24 bpp, no table", infoHeader(40, 4, 2, 24), 0, 40, 40},
        {"24 bpp, optional table of 5", infoHeader(40, 4, 2, 24, 0, 0, 5), 5, 40, 60},
        {"16 bpp carries no table of 2^16", infoHeader(40, 4, 2, 16), 0, 40, 40},
        {"32 bpp bit fields: masks after the header", infoHeader(40, 4, 2, 32, BITFIELDS), 0, 52, 52},
        {"bit fields with a table", infoHeader(40, 4, 2, 16, BITFIELDS, 0, 3), 3, 52, 64},
        {"bit fields inside a 124-byte header", infoHeader(124, 4, 2, 16, BITFIELDS), 0, 124, 124},
        {"8 bpp after a 124-byte header", infoHeader(124, 4, 2, 8), 256, 124, 124 + 1024},
        {"8 bpp run-length encoded", infoHeader(40, 4, 2, 8, RLE8, 100), 256, 40, 40 + 1024},
        {"core 8 bpp: three-byte entries, none for the palette", coreHeader(4, 2, 8), 0, 12, 12 + 768},
        {"core 1 bpp", coreHeader(4, 2, 1), 0, 12, 18},
        {"core 24 bpp", coreHeader(4, 2, 24), 0, 12, 12},
        {"16-byte header: table after it, none for the palette", infoHeader(16, 4, 2, 8), 0, 16, 16 + 1024},
        {"36-byte header with 10 colours used", infoHeader(36, 4, 2, 8, 0, 0, 10), 0, 36, 76},
        {"colours used beyond int", infoHeader(40, 4, 2, 8, 0, 0, 0xFFFFFFFFu), INT32_MAX, 40,
         sizeof(size_t) == 8 ? static_cast<size_t>(40 + 4 * 0xFFFFFFFFull) : SIZE_MAX},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(row.entries, paletteEntryCountOf(row.header.data())) << row.label;
        EXPECT_EQ(row.table, dibTableOffset(row.header.data())) << row.label;
        EXPECT_EQ(row.bits, dibBitsOffset(row.header.data())) << row.label;
    }
    EXPECT_EQ(0, paletteEntryCountOf(nullptr)) << "null";
    EXPECT_EQ(0u, dibBitsOffset(nullptr)) << "null";
}

TEST(DibArithmetic, DrawableOnlyForCoreAndFullInformationHeaders) {
    struct Row {
        const char *label;
        uint32_t headerSize;
        bool drawable;
    };
    const Row rows[] = {
        {"core", 12, true}, {"OS/2 style 16", 16, false}, {"39", 39, false},
        {"information", 40, true}, {"version 5", 124, true}, {"larger", 200, true},
    };
    for (const Row &row : rows) {
        const std::vector<unsigned char> header = infoHeader(row.headerSize, 1, 1, 8);
        EXPECT_EQ(row.drawable, dibDrawable(header.data())) << row.label;
    }
    EXPECT_FALSE(dibDrawable(nullptr)) << "null";
}

// Calls dibFitsBlock with only the bytes of the header that lie inside the block, so that the
// sanitizer catches any read past blockSize (or past the header, which is all it may read).
bool fits(const std::vector<unsigned char> &header, uint32_t blockSize) {
    std::vector<unsigned char> inside(header.begin(), header.begin() + std::min<size_t>(header.size(), blockSize));
    return dibFitsBlock(inside.empty() ? nullptr : inside.data(), blockSize);
}

TEST(DibArithmetic, FitsBlockOnlyWhenHeaderTableAndBitsLieInside) {
    struct Row {
        const char *label;
        std::vector<unsigned char> header;
        uint32_t needed;  // the smallest block that holds it; 0: no block does
    };
    const Row rows[] = {
        {"8 bpp 4 x 2", infoHeader(40, 4, 2, 8), 40 + 1024 + 8},
        {"top-down 8 bpp 4 x 2", infoHeader(40, 4, -2, 8), 40 + 1024 + 8},
        {"24 bpp rows padded to 4 bytes", infoHeader(40, 3, 2, 24), 40 + 12 * 2},
        {"1 bpp 33 pixels take 8 bytes a row", infoHeader(40, 33, 1, 1), 40 + 8 + 8},
        {"16 colours used", infoHeader(40, 4, 2, 8, 0, 0, 16), 40 + 64 + 8},
        {"colours used above 2^bpp", infoHeader(40, 4, 2, 8, 0, 0, 300), 40 + 1200 + 8},
        {"bit fields: masks count", infoHeader(40, 2, 1, 16, BITFIELDS), 40 + 12 + 4},
        {"bit fields inside a 124-byte header", infoHeader(124, 1, 1, 32, BITFIELDS), 124 + 4},
        {"run-length bits end at the image size", infoHeader(40, 4, 2, 8, RLE8, 100), 40 + 1024 + 100},
        {"core 8 bpp", coreHeader(4, 2, 8), 12 + 768 + 8},
        {"core 24 bpp", coreHeader(1, 1, 24), 12 + 4},
        {"8 bpp after a 124-byte header", infoHeader(124, 4, 2, 8), 124 + 1024 + 8},
        {"16-byte header", infoHeader(16, 4, 2, 8), 16 + 1024 + 8},
        {"no rows: header and table only", infoHeader(40, 4, 0, 8), 40 + 1024},
        {"24 bpp without pixels: the header alone", infoHeader(40, 0, 0, 24), 40},
        {"run-length without an image size", infoHeader(40, 4, 2, 8, RLE8, 0), 0},
        {"negative width", infoHeader(40, -4, 2, 8), 0},
        {"colours used past any block", infoHeader(40, 4, 2, 8, 0, 0, 0xFFFFFFFFu), 0},
        {"rows times row size past 2^64", infoHeader(40, INT32_MAX, INT32_MIN, 0xFFFF), 0},
        {"image size past any block", infoHeader(40, 4, 2, 8, RLE8, 0xFFFFFFFFu), 0},
        {"header size 13", infoHeader(13, 4, 2, 8), 0},
        {"header size 8", infoHeader(8, 4, 2, 8), 0},
    };
    for (const Row &row : rows) {
        if (row.needed == 0) {
            EXPECT_FALSE(fits(row.header, UINT32_MAX)) << row.label;
            continue;
        }
        EXPECT_TRUE(fits(row.header, row.needed)) << row.label << ": " << row.needed << " bytes";
        EXPECT_FALSE(fits(row.header, row.needed - 1)) << row.label << ": " << row.needed - 1 << " bytes";
    }
    EXPECT_FALSE(fits(coreHeader(0, 0, 24), 3)) << "a block too short for the header size";
}

}  // namespace
