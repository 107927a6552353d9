// Bitmaps read from files and resources, palettes, device bitmaps, the image set's life and the
// error screen's animations, against the real GDI.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "images/drawing_win.h"
#include "images/image_set_win.h"
#include "images/layout.h"
#include "resources/resource_ids.h"
#include "support.h"

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

}  // namespace

void PrintTo(DibResult result, std::ostream *out) { *out << "DibResult " << static_cast<int>(result); }

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes &b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(Bytes &b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFFu);
    put16(b, at + 2, v >> 16);
}

// Colour-table entry j of a picture made with `seed`: blue j, green seed, red 255 - j.
RGBQUAD tableColour(unsigned char seed, int j) {
    return RGBQUAD{static_cast<BYTE>(j), seed, static_cast<BYTE>(255 - j), 0};
}

struct DibShape {
    uint32_t headerSize;  // 12: core header
    int32_t width, height;
    uint32_t bpp;
    uint32_t coloursUsed;
    int tableEntries;     // entries written after the header
    uint32_t compression;
    uint32_t imageSize;
};

// A packed DIB of the given shape: its table entries by tableColour, its bits zero.
Bytes makeDib(const DibShape &s, unsigned char seed = 1) {
    const bool core = s.headerSize == 12;
    const size_t entryBytes = core ? 3 : 4;
    const uint32_t rows = static_cast<uint32_t>(s.height < 0 ? -s.height : s.height);
    const size_t bits = s.compression == BI_RGB ? (static_cast<size_t>(s.width) * s.bpp + 31) / 32 * 4 * rows
                                                : s.imageSize;
    Bytes b(s.headerSize + entryBytes * static_cast<size_t>(s.tableEntries) + bits);
    put32(b, 0, s.headerSize);
    if (core) {
        put16(b, 4, static_cast<uint32_t>(s.width));
        put16(b, 6, static_cast<uint32_t>(s.height));
        put16(b, 8, 1);
        put16(b, 10, s.bpp);
    } else {
        put32(b, 4, static_cast<uint32_t>(s.width));
        put32(b, 8, static_cast<uint32_t>(s.height));
        put16(b, 12, 1);
        put16(b, 14, s.bpp);
        if (s.headerSize >= 24) {
            put32(b, 16, s.compression);
            put32(b, 20, s.imageSize);
        }
        if (s.headerSize >= 36) put32(b, 32, s.coloursUsed);
    }
    for (int j = 0; j < s.tableEntries; ++j) {
        const RGBQUAD q = tableColour(seed, j);
        const size_t at = s.headerSize + entryBytes * static_cast<size_t>(j);
        b[at] = q.rgbBlue;
        b[at + 1] = q.rgbGreen;
        b[at + 2] = q.rgbRed;
    }
    return b;
}

const DibShape EIGHT_BIT = {40, 4, 2, 8, 0, 256, BI_RGB, 0};
const DibShape SIXTEEN_COLOURS = {40, 4, 2, 8, 16, 16, BI_RGB, 0};
const DibShape ONE_BIT = {40, 8, 2, 1, 0, 2, BI_RGB, 0};
const DibShape TRUE_COLOUR = {40, 3, 2, 24, 0, 0, BI_RGB, 0};
const DibShape VERSION5_ONE_BIT = {124, 8, 2, 1, 0, 2, BI_RGB, 0};
const DibShape CORE_EIGHT_BIT = {12, 4, 2, 8, 0, 256, BI_RGB, 0};
const DibShape SHORT_HEADER = {16, 4, 2, 8, 0, 256, BI_RGB, 0};

// A BMP file image: the 14-byte file header (total size as given, or the true one) and the DIB.
// The bits offset at 10 stays 0: the reader finds the bits from the header, not from it.
Bytes bmpFile(const Bytes &dib, uint32_t total = 0) {
    Bytes file(14 + dib.size());
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, total != 0 ? total : static_cast<uint32_t>(14 + dib.size()));
    if (!dib.empty()) std::memcpy(file.data() + 14, dib.data(), dib.size());
    return file;
}

Bytes joined(const Bytes &a, const Bytes &b) {
    Bytes both(a.size() + b.size());
    if (!a.empty()) std::memcpy(both.data(), a.data(), a.size());
    if (!b.empty()) std::memcpy(both.data() + a.size(), b.data(), b.size());
    return both;
}

// A copy of the DIB in a locked moveable global block, as readDibAtOffset gives it.
BITMAPINFOHEADER *globalDib(const Bytes &dib) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    void *address = block != nullptr ? GlobalLock(block) : nullptr;
    if (address != nullptr) std::memcpy(address, dib.data(), dib.size());
    return static_cast<BITMAPINFOHEADER *>(address);
}

int paletteSize(HPALETTE palette) {
    WORD count = 0;
    return GetObjectA(palette, sizeof count, &count) != 0 ? count : -1;
}

std::vector<PALETTEENTRY> paletteEntries(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(static_cast<size_t>(paletteSize(palette) > 0 ? paletteSize(palette) : 0));
    if (!entries.empty()) GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

std::string colourText(BYTE red, BYTE green, BYTE blue) {
    return std::to_string(red) + "," + std::to_string(green) + "," + std::to_string(blue);
}
std::string colourText(const PALETTEENTRY &e) { return colourText(e.peRed, e.peGreen, e.peBlue) + "/" + std::to_string(e.peFlags); }
std::string colourText(const RGBQUAD &q) { return colourText(q.rgbRed, q.rgbGreen, q.rgbBlue) + "/0"; }

std::string rectText(const RECT &r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

bool gdiObjectAlive(HGDIOBJ object) { return GetObjectType(object) != 0; }

TEST(ReadDibAtOffset, ReadsTheBlockWhereverTheFileImageLies) {
    TempDirectory dir;
    const Bytes filler(300, 0x5A);
    struct Row {
        const char *label;
        Bytes dib;
        bool atEnd;  // after the filler, else before it
    };
    const Row rows[] = {
        {"offset 0, more data after it", makeDib(EIGHT_BIT), false},
        {"last bytes of the file", makeDib(EIGHT_BIT), true},
        {"core header of 12 bytes", makeDib(CORE_EIGHT_BIT), true},
        {"124-byte header", makeDib(VERSION5_ONE_BIT), false},
        {"16 colours used", makeDib(SIXTEEN_COLOURS), true},
    };
    for (const Row &row : rows) {
        const std::string path = dir.file("engine.scr");
        ASSERT_TRUE(writeBytes(path, row.atEnd ? joined(filler, bmpFile(row.dib)) : joined(bmpFile(row.dib), filler))) << row.label;
        BITMAPINFOHEADER *dib = nullptr;
        ASSERT_EQ(DibResult::Ok, readDibAtOffset(path.c_str(), row.atEnd ? static_cast<long>(filler.size()) : 0, &dib)) << row.label;
        ASSERT_NE(nullptr, dib) << row.label;
        EXPECT_EQ(0, std::memcmp(row.dib.data(), dib, row.dib.size())) << row.label;
        EXPECT_LE(row.dib.size(), GlobalSize(GlobalHandle(dib))) << row.label;
        freeDibBlock(&dib);
        EXPECT_EQ(nullptr, dib) << row.label;
        freeDibBlock(&dib);  // a cleared pointer frees nothing
    }
}

TEST(ReadDibAtOffset, FailuresGiveTheirCodeAndNoBlock) {
    TempDirectory dir;
    const Bytes good = makeDib(EIGHT_BIT);
    Bytes header13 = good, header14 = good, header15 = good;
    put32(header13, 0, 13);
    put32(header14, 0, 14);
    put32(header15, 0, 15);
    const Bytes shortTable = makeDib(SIXTEEN_COLOURS);  // 16 entries written, colours used raised below
    Bytes tablePastBlock = shortTable;
    put32(tablePastBlock, 32, 17);
    const Bytes rleWithoutSize = makeDib({40, 4, 2, 8, 0, 256, BI_RLE8, 0});
    Bytes coreCut = makeDib(CORE_EIGHT_BIT);
    coreCut.resize(12 + 767);
    Bytes notBm = bmpFile(good);
    notBm[0] = 'M';
    notBm[1] = 'B';
    struct Row {
        const char *label;
        Bytes file;
        long offset;
        DibResult expected;
    };
    const Row rows[] = {
        {"offset before the start", bmpFile(good), -10, DibResult::SeekFailed},
        {"offset at the end of the file", bmpFile(good), static_cast<long>(bmpFile(good).size()), DibResult::NotABitmap},
        {"fewer than 14 header bytes", Bytes{'B', 'M', 0x40, 0, 0, 0, 0, 0, 0, 0}, 0, DibResult::NotABitmap},
        {"type is not BM", notBm, 0, DibResult::NotABitmap},
        {"header size 13", bmpFile(header13), 0, DibResult::NotABitmap},
        {"header size 14", bmpFile(header14), 0, DibResult::NotABitmap},
        {"header size 15", bmpFile(header15), 0, DibResult::NotABitmap},
        {"block of 3 bytes", bmpFile(Bytes{12, 0, 0}), 0, DibResult::NotABitmap},
        {"total size 14", bmpFile(good, 14), 0, DibResult::NoBlock},
        {"total size 10 wraps", bmpFile(good, 10), 0, DibResult::NoBlock},
        {"file ends inside the DIB", bmpFile(good, static_cast<uint32_t>(14 + good.size() + 1)), 0, DibResult::ShortRead},
        {"total size cuts the bits short", bmpFile(good, static_cast<uint32_t>(14 + good.size() - 1)), 0, DibResult::NotABitmap},
        {"colours used reach past the block", bmpFile(tablePastBlock), 0, DibResult::NotABitmap},
        {"run-length bits without an image size", bmpFile(rleWithoutSize), 0, DibResult::NotABitmap},
        {"core table cut short", bmpFile(coreCut), 0, DibResult::NotABitmap},
    };
    for (const Row &row : rows) {
        const std::string path = dir.file("engine.scr");
        ASSERT_TRUE(writeBytes(path, row.file)) << row.label;
        BITMAPINFOHEADER sentinel = {};
        BITMAPINFOHEADER *dib = &sentinel;  // must be cleared
        EXPECT_EQ(row.expected, readDibAtOffset(path.c_str(), row.offset, &dib)) << row.label;
        EXPECT_EQ(nullptr, dib) << row.label;
    }
    BITMAPINFOHEADER *dib = nullptr;
    EXPECT_EQ(DibResult::NoFile, readDibAtOffset(dir.file("missing.scr").c_str(), 0, &dib)) << "missing file";
    EXPECT_EQ(nullptr, dib) << "missing file";
}

TEST(Palettes, CombinedPaletteOfTheDefaultResourcesHas768EntriesInListOrder) {
    HGLOBAL handles[3] = {};
    const int ids[3] = {BITMAP_CORNER, BITMAP_SPLASH2, BITMAP_SPLASH1};
    BITMAPINFOHEADER *dibs[3] = {};
    for (int i = 0; i < 3; ++i) {
        dibs[i] = loadBitmapResource(self(), ids[i], &handles[i]);
        ASSERT_NE(nullptr, dibs[i]) << "bitmap " << ids[i];
    }
    int total = -1;
    HPALETTE palette = createCombinedPalette(dibs, 3, &total);
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(768, total);
    const std::vector<PALETTEENTRY> entries = paletteEntries(palette);
    ASSERT_EQ(768u, entries.size());
    for (int i = 0; i < 3; ++i) {
        const RGBQUAD *table = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(dibs[i]) + 40);
        for (int j : {0, 1, 77, 254, 255}) {
            EXPECT_EQ(colourText(table[j]), colourText(entries[static_cast<size_t>(256 * i + j)]))
                << "bitmap " << ids[i] << " entry " << j;
        }
    }
    DeleteObject(palette);
    for (HGLOBAL handle : handles) freeBitmapResource(handle);
}

// Pictures of different shapes in one list: each gives its own table's entries, in list order,
// read where the table really lies; pictures without a palette table give none.
TEST(Palettes, EntriesFollowEachPicturesTableInListOrder) {
    const Bytes sixteen = makeDib(SIXTEEN_COLOURS, 10);
    const Bytes trueColour = makeDib(TRUE_COLOUR, 20);
    const Bytes version5 = makeDib(VERSION5_ONE_BIT, 30);
    const Bytes core = makeDib(CORE_EIGHT_BIT, 40);
    const Bytes oneBit = makeDib(ONE_BIT, 50);
    auto header = [](const Bytes &b) { return reinterpret_cast<BITMAPINFOHEADER *>(const_cast<unsigned char *>(b.data())); };
    BITMAPINFOHEADER *const list[] = {header(sixteen), nullptr, header(trueColour), header(version5), header(core),
                                      header(oneBit)};
    struct Expected {
        unsigned char seed;
        int j;
    };
    std::vector<Expected> expected;
    for (int j = 0; j < 16; ++j) expected.push_back({10, j});
    for (int j = 0; j < 2; ++j) expected.push_back({30, j});
    for (int j = 0; j < 2; ++j) expected.push_back({50, j});

    int total = -1;
    HPALETTE palette = createCombinedPalette(list, 6, &total);
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(20, total);
    const std::vector<PALETTEENTRY> entries = paletteEntries(palette);
    ASSERT_EQ(expected.size(), entries.size());
    for (size_t k = 0; k < entries.size(); ++k) {
        EXPECT_EQ(colourText(tableColour(expected[k].seed, expected[k].j)), colourText(entries[k]))
            << "entry " << k << ": picture " << int(expected[k].seed) << " entry " << expected[k].j;
    }
    DeleteObject(palette);
}

TEST(Palettes, DibPaletteCountsTheEntriesOfOnePicture) {
    struct Row {
        const char *label;
        Bytes dib;  // empty: null
        int count;
    };
    const Row rows[] = {
        {"8 bpp, full table", makeDib(EIGHT_BIT), 256},
        {"8 bpp, 16 colours used", makeDib(SIXTEEN_COLOURS), 16},
        {"24 bpp, no table", makeDib(TRUE_COLOUR), 0},
        {"core header", makeDib(CORE_EIGHT_BIT), 0},
        {"16-byte header", makeDib(SHORT_HEADER), 0},
        {"null", Bytes{}, 0},
    };
    for (const Row &row : rows) {
        const BITMAPINFOHEADER *dib = row.dib.empty() ? nullptr : reinterpret_cast<const BITMAPINFOHEADER *>(row.dib.data());
        EXPECT_EQ(row.count, paletteEntryCount(dib)) << row.label;
        int count = -1;
        HPALETTE palette = createDibPalette(dib, &count);
        EXPECT_EQ(row.count, count) << row.label;
        EXPECT_EQ(row.count > 0 ? row.count : -1, palette != nullptr ? paletteSize(palette) : -1) << row.label;
        if (palette != nullptr) DeleteObject(palette);
    }
}

// An image set of the test's own, freed when the test ends.
class ImageSetTest : public ::testing::Test {
protected:
    void TearDown() override { freeImageSet(&imageSet); }
    void loadDefaults() {
        loadImageSet(self(), &imageSet, BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
        rebuildPaletteOfPictures(&imageSet);
    }
    ImageSet imageSet = {};
};

TEST_F(ImageSetTest, RebuildSharedPaletteDropsTrailingNullsAndSkipsInnerOnes) {
    const Bytes a = makeDib(SIXTEEN_COLOURS, 10);
    const Bytes b = makeDib(ONE_BIT, 20);
    BITMAPINFOHEADER *pa = reinterpret_cast<BITMAPINFOHEADER *>(const_cast<unsigned char *>(a.data()));
    BITMAPINFOHEADER *pb = reinterpret_cast<BITMAPINFOHEADER *>(const_cast<unsigned char *>(b.data()));
    struct Row {
        const char *label;
        BITMAPINFOHEADER *d[4];
        int count;  // -1: no palette
        unsigned char firstSeed, lastSeed;
    };
    const Row rows[] = {
        {"a, null, b, null", {pa, nullptr, pb, nullptr}, 18, 10, 20},
        {"four nulls", {nullptr, nullptr, nullptr, nullptr}, -1, 0, 0},
        {"only the last place", {nullptr, nullptr, nullptr, pb}, 2, 20, 20},
        {"b before a", {pb, pa, nullptr, nullptr}, 18, 20, 10},
        {"all four", {pa, pb, pa, pb}, 36, 10, 20},
    };
    for (const Row &row : rows) {
        HPALETTE before = imageSet.palette;
        rebuildSharedPalette(&imageSet, row.d[0], row.d[1], row.d[2], row.d[3]);
        EXPECT_EQ(row.count, imageSet.palette != nullptr ? paletteSize(imageSet.palette) : -1) << row.label;
        if (before != nullptr && before != imageSet.palette) {
            EXPECT_FALSE(gdiObjectAlive(before)) << row.label << ": the replaced palette is deleted";
        }
        if (imageSet.palette == nullptr) continue;
        const std::vector<PALETTEENTRY> entries = paletteEntries(imageSet.palette);
        const int lastIndex = row.lastSeed == 10 ? 15 : 1;
        EXPECT_EQ(colourText(tableColour(row.firstSeed, 0)), colourText(entries.front())) << row.label;
        EXPECT_EQ(colourText(tableColour(row.lastSeed, lastIndex)), colourText(entries.back())) << row.label;
    }
}

TEST_F(ImageSetTest, DeviceBitmapsAreMadeWithoutPaletteFor24BitPictures) {
    const DibShape shapes[3] = {{40, 3, 2, 24, 0, 0, BI_RGB, 0}, {40, 5, 4, 24, 0, 0, BI_RGB, 0}, {40, 7, 1, 24, 0, 0, BI_RGB, 0}};
    ImageSlot *slots[3] = {&imageSet.splash1, &imageSet.splash2, &imageSet.corner};
    for (int i = 0; i < 3; ++i) {
        slots[i]->dib = globalDib(makeDib(shapes[i]));
        ASSERT_NE(nullptr, slots[i]->dib);
    }
    rebuildPaletteOfPictures(&imageSet);
    EXPECT_EQ(nullptr, imageSet.palette);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(nullptr, slots[i]->bitmap) << "slot " << i;
        int height = -1, width = -1;
        bitmapSize(slots[i]->bitmap, &height, &width);
        EXPECT_EQ(shapes[i].width, width) << "slot " << i;
        EXPECT_EQ(shapes[i].height, height) << "slot " << i;
    }
    HBITMAP first = imageSet.splash1.bitmap;
    makeDeviceBitmaps(&imageSet);
    EXPECT_NE(nullptr, imageSet.splash1.bitmap);
    if (first != imageSet.splash1.bitmap) {
        EXPECT_FALSE(gdiObjectAlive(first)) << "the replaced bitmap is deleted";
    }
}

TEST_F(ImageSetTest, DefaultResourcesLayOutIn420By230) {
    loadDefaults();
    ASSERT_NE(nullptr, imageSet.palette);
    EXPECT_EQ(768, paletteSize(imageSet.palette));
    int height = -1, width = -1;
    layoutImages(&imageSet, &height, &width);
    EXPECT_EQ(230, height);
    EXPECT_EQ(420, width);
    EXPECT_EQ(rectText({10, 10, 410, 129}), rectText(imageSet.splash2Rect));
    EXPECT_EQ(rectText({10, 139, 315, 220}), rectText(imageSet.splash1Rect));
    EXPECT_EQ(rectText({320, 140, 410, 220}), rectText(imageSet.cornerRect));
}

TEST_F(ImageSetTest, ReloadKeepsTheSplashPicturesAndEmptiesTheCorner) {
    loadDefaults();
    layoutImages(&imageSet, nullptr, nullptr);
    const ImageSet before = imageSet;
    ASSERT_NE(nullptr, before.corner.bitmap);
    reloadImageSet(self(), &imageSet, 0, 0);
    EXPECT_EQ(before.splash1.dib, imageSet.splash1.dib);
    EXPECT_EQ(before.splash1.bitmap, imageSet.splash1.bitmap);
    EXPECT_EQ(before.splash2.dib, imageSet.splash2.dib);
    EXPECT_EQ(before.splash2.bitmap, imageSet.splash2.bitmap);
    EXPECT_EQ(nullptr, imageSet.corner.dib);
    EXPECT_EQ(nullptr, imageSet.corner.resourceHandle);
    EXPECT_EQ(nullptr, imageSet.corner.bitmap);
    EXPECT_FALSE(gdiObjectAlive(before.corner.bitmap)) << "corner bitmap deleted";
    EXPECT_EQ(nullptr, imageSet.palette);
    EXPECT_FALSE(gdiObjectAlive(before.palette)) << "palette deleted";
    EXPECT_EQ(rectText({0, 0, 0, 0}), rectText(imageSet.splash2Rect));
    EXPECT_EQ(rectText({0, 0, 0, 0}), rectText(imageSet.cornerRect));

    // A non-zero id replaces that slot's picture; its old device bitmap goes with it.
    reloadImageSet(self(), &imageSet, BITMAP_SPLASH2, 0);
    ASSERT_NE(nullptr, imageSet.splash1.dib);
    EXPECT_EQ(400, imageSet.splash1.dib->biWidth) << "splash1 now holds bitmap 201";
    EXPECT_EQ(nullptr, imageSet.splash1.bitmap);
    EXPECT_FALSE(gdiObjectAlive(before.splash1.bitmap)) << "old splash1 bitmap deleted";
    EXPECT_EQ(before.splash2.bitmap, imageSet.splash2.bitmap) << "splash2 kept";
}

TEST_F(ImageSetTest, FreeingTwiceReleasesEverythingOnce) {
    loadDefaults();
    // splash1 from a file, as the entry point puts it: a global block the slot owns.
    releaseImageSlot(&imageSet.splash1);
    imageSet.splash1.dib = globalDib(makeDib(EIGHT_BIT));
    ASSERT_NE(nullptr, imageSet.splash1.dib);
    makeDeviceBitmaps(&imageSet);
    const ImageSet before = imageSet;
    for (int round = 1; round <= 2; ++round) {
        freeImageSet(&imageSet);
        for (const ImageSlot *slot : {&imageSet.splash1, &imageSet.splash2, &imageSet.corner}) {
            EXPECT_EQ(nullptr, slot->dib) << "round " << round;
            EXPECT_EQ(nullptr, slot->resourceHandle) << "round " << round;
            EXPECT_EQ(nullptr, slot->bitmap) << "round " << round;
        }
        EXPECT_EQ(nullptr, imageSet.palette) << "round " << round;
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(before.splash1.bitmap), static_cast<HGDIOBJ>(before.splash2.bitmap),
                           static_cast<HGDIOBJ>(before.corner.bitmap), static_cast<HGDIOBJ>(before.palette)}) {
        ASSERT_NE(nullptr, object);
        EXPECT_FALSE(gdiObjectAlive(object));
    }
}

TEST_F(ImageSetTest, RemakeSlotBitmapPutsTheSlotsOwnPaletteInAHolderThatHasOne) {
    struct Row {
        const char *label;
        Bytes dib;           // empty: a slot without a picture
        bool holderHasPalette;
        int paletteAfter;    // entries of the holder's palette afterwards; -1: none
        bool newBitmap;
    };
    const Row rows[] = {
        {"holder with a palette", makeDib(SIXTEEN_COLOURS), true, 16, true},
        {"empty holder stays empty", makeDib(SIXTEEN_COLOURS), false, -1, true},
        {"24-bit picture empties the holder", makeDib(TRUE_COLOUR), true, -1, true},
        {"picture not handed to the system keeps the old bitmap", makeDib(SHORT_HEADER), false, -1, false},
        {"slot without a picture: nothing happens", Bytes{}, true, 256, false},
    };
    const Bytes other = makeDib(EIGHT_BIT);
    for (const Row &row : rows) {
        HDC dc = CreateCompatibleDC(nullptr);
        ASSERT_NE(nullptr, dc) << row.label;
        ImageSlot slot = {};
        slot.dib = row.dib.empty() ? nullptr : globalDib(row.dib);
        slot.bitmap = CreateBitmap(2, 2, 1, 1, nullptr);
        const HBITMAP oldBitmap = slot.bitmap;
        HPALETTE holder = row.holderHasPalette ? createDibPalette(reinterpret_cast<const BITMAPINFOHEADER *>(other.data()), nullptr) : nullptr;
        const HPALETTE oldPalette = holder;
        const HGDIOBJ dcPalette = GetCurrentObject(dc, OBJ_PAL);

        remakeSlotBitmap(dc, &slot, &holder);
        EXPECT_EQ(row.paletteAfter, holder != nullptr ? paletteSize(holder) : -1) << row.label;
        EXPECT_EQ(dcPalette, GetCurrentObject(dc, OBJ_PAL)) << row.label << ": dc gets its own palette back";
        if (oldPalette != nullptr && holder != oldPalette) {
            EXPECT_FALSE(gdiObjectAlive(oldPalette)) << row.label << ": old palette deleted";
        }
        EXPECT_EQ(row.newBitmap, slot.bitmap != oldBitmap) << row.label;
        EXPECT_NE(nullptr, slot.bitmap) << row.label;
        if (row.newBitmap) {
            EXPECT_FALSE(gdiObjectAlive(oldBitmap)) << row.label << ": old bitmap deleted";
        }

        if (holder != nullptr && row.holderHasPalette && slot.dib != nullptr) {
            // A second call replaces the slot's palette again and deletes the first one.
            const HPALETTE selected = holder;
            remakeSlotBitmap(dc, &slot, &holder);
            EXPECT_FALSE(gdiObjectAlive(selected)) << row.label << ": palette replaced while selected";
        }
        DeleteDC(dc);
        if (holder != nullptr) DeleteObject(holder);
        releaseImageSlot(&slot);
    }
}

// A hidden pop-up window of the given client size, destroyed with the object.
struct TestWindow {
    TestWindow(int width, int height)
        : handle(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, self(), nullptr)) {}
    ~TestWindow() {
        if (handle != nullptr) DestroyWindow(handle);
    }
    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;
    HWND handle;
};

TEST(ImageAnimation, ScrollMessageStartsAtTheRightEdgeAndWrapsOnceGone) {
    TestWindow window(200, 50);
    ASSERT_NE(nullptr, window.handle);
    const char text[] = "Lumivex";
    TEXTMETRICA metrics = {};
    HDC dc = GetDC(window.handle);
    ASSERT_NE(nullptr, dc);
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(window.handle, dc);
    const int boxWidth = 7 * metrics.tmAveCharWidth + 10;
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading + 5;

    Animation animation;  // the first step of this animation
    scrollMessage(window.handle, text, &animation);
    EXPECT_EQ(rectText({200 - boxWidth, 0, 200 + 5, lineHeight}), rectText(animation.textBox)) << "first step";
    for (int step = 1; step <= 200; ++step) scrollMessage(window.handle, text, &animation);
    EXPECT_EQ(-boxWidth, animation.textBox.left) << "200 steps later: just gone";
    scrollMessage(window.handle, text, &animation);
    EXPECT_EQ(rectText({200, 0, 200 + boxWidth + 5, lineHeight}), rectText(animation.textBox))
        << "201 steps later: back at the right";
    scrollMessage(window.handle, text, &animation);
    EXPECT_EQ(199, animation.textBox.left) << "and moving again";
}

int fixedDraws[2];
int fixedDrawIndex = 0;
int fixedDraw() { return fixedDraws[fixedDrawIndex++ % 2]; }

TEST(ImageAnimation, DrawBitmapAtRandomPlacesThePictureInTheClientArea) {
    TestWindow window(200, 50);
    ASSERT_NE(nullptr, window.handle);
    HBITMAP picture = CreateBitmap(50, 40, 1, 1, nullptr);
    ASSERT_NE(nullptr, picture);
    struct Row {
        const char *label;
        HBITMAP bitmap;
        int drawX, drawY;
        RECT expected;
    };
    const Row rows[] = {
        {"highest draws: bottom right", picture, 32767, 32767, {150, 10, 200, 50}},
        {"x drawn first", picture, 0, 32767, {0, 10, 50, 50}},
        {"no bitmap: an empty place", nullptr, 32767, 32767, {200, 50, 200, 50}},
    };
    randomSource = fixedDraw;
    Animation animation;
    for (const Row &row : rows) {
        fixedDraws[0] = row.drawX;
        fixedDraws[1] = row.drawY;
        fixedDrawIndex = 0;
        drawBitmapAtRandom(window.handle, row.bitmap, nullptr, &animation);
        EXPECT_EQ(rectText(row.expected), rectText(animation.picturePlace)) << row.label;
        EXPECT_EQ(2, fixedDrawIndex) << row.label;
        EXPECT_TRUE(animation.pictureDrawn) << row.label;
    }
    randomSource = nullptr;
    DeleteObject(picture);
}

}  // namespace
