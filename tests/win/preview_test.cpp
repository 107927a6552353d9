// The preview in the display settings' little monitor as the engine draws it, into device contexts
// of the test's own: a memory bitmap read back pixel by pixel, and an enhanced metafile that keeps
// every drawing call in order. (A window of another process, as the monitor is, shows nothing on
// Wine's screen, so the drawing is checked here and the window's life end to end.)
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "images/drawing_win.h"
#include "resources/resource_ids.h"
#include "saver/preview_run_win.h"
#include "support.h"

namespace {

constexpr int MONITOR_WIDTH = 152, MONITOR_HEIGHT = 112;  // the monitor of the display settings
const Rect MONITOR = {0, 0, MONITOR_WIDTH, MONITOR_HEIGHT};

std::string rectText(const Rect &r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}
RECT toRECT(const Rect &r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A copy of a BMP file image's packed DIB in a locked moveable global block: a picture as the
// entry point reads it from the engine file.
BITMAPINFOHEADER *fileDib(const std::vector<unsigned char> &bmp) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bmp.size() - 14);
    void *address = block != nullptr ? GlobalLock(block) : nullptr;
    if (address != nullptr) std::memcpy(address, bmp.data() + 14, bmp.size() - 14);
    return static_cast<BITMAPINFOHEADER *>(address);
}

bool isBlack(COLORREF c) { return c == RGB(0, 0, 0); }

// A 32-bit memory bitmap of the monitor's size in a memory context, read back after drawing.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits_), nullptr, 0);
        if (bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
        for (int i = 0; bits_ != nullptr && i < width * height; ++i) bits_[i] = 0x00808080;  // grey: not yet drawn
    }
    ~MemoryCanvas() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryCanvas(const MemoryCanvas &) = delete;
    MemoryCanvas &operator=(const MemoryCanvas &) = delete;
    HDC dc() const { return dc_; }
    bool ready() const { return bits_ != nullptr; }
    COLORREF at(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * width_ + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
    // The smallest rectangle around every pixel that is not black.
    Rect drawnBox() const {
        Rect box = {width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (isBlack(at(x, y))) continue;
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
        return box;
    }
    int count(bool (*test)(COLORREF)) const {
        int n = 0;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) n += test(at(x, y));
        }
        return n;
    }
    // The canvas as a PNG file (RGB), for the README's picture.
    bool writePng(const std::string &path) const {
        std::vector<unsigned char> rgb;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const COLORREF c = at(x, y);
                rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
            }
        }
        std::vector<unsigned char> png;
        const auto collect = [](void *into, void *data, int size) {
            const auto *bytes = static_cast<const unsigned char *>(data);
            static_cast<std::vector<unsigned char> *>(into)->insert(
                static_cast<std::vector<unsigned char> *>(into)->end(), bytes, bytes + size);
        };
        return stbi_write_png_to_func(collect, &png, width_, height_, 3, rgb.data(), width_ * 3) != 0 &&
               writeBytes(path, png);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t *bits_ = nullptr;
};

// A preview run over the engine's own pictures, which a test may replace by pictures "from the
// file", as the entry point puts them.
class PreviewPicture : public ::testing::Test {
protected:
    void SetUp() override {
        engine.instance = GetModuleHandleA(nullptr);
        loadImageSet(engine.instance, &images.imageSet(), BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
    }
    void fromFile(ImageSlot *slot, const std::vector<unsigned char> &bmp) {
        releaseImageSlot(slot);
        slot->dib = fileDib(bmp);
        ASSERT_NE(nullptr, slot->dib);
    }
    ImageSet &set() { return images.imageSet(); }
    void draw(HDC dc) {
        drawPreview(dc, toRECT(MONITOR), toRECT(run.place), run.picture != nullptr ? run.picture->bitmap : nullptr,
                    set().palette);
    }

    Engine engine;
    OwnedImages images;
    PreviewRun run{engine, images};
};

bool isMagenta(COLORREF c) { return c == RGB(255, 0, 255); }

TEST_F(PreviewPicture, AWideAndATallPictureAreFittedAndCentredOnBlack) {
    struct Row {
        const char *label;
        int width, height;
        Rect expected;  // where the picture goes: fitted into the monitor less a sixteenth a side
    };
    const Row rows[] = {
        {"wide: the banner's shape", 400, 119, {9, 36, 143, 75}},
        {"tall", 100, 400, {64, 7, 88, 105}},
        {"small: kept at its size", 40, 30, {56, 41, 96, 71}},
    };
    for (const Row &row : rows) {
        fromFile(&set().splash2, bitmapFileImage(row.width, row.height, 1, RGB(255, 0, 255)));
        ASSERT_TRUE(run.preparePicture(MONITOR)) << row.label;
        EXPECT_EQ(rectText(row.expected), rectText(run.place)) << row.label;
        MemoryCanvas canvas(MONITOR_WIDTH, MONITOR_HEIGHT);
        ASSERT_TRUE(canvas.ready());
        draw(canvas.dc());
        EXPECT_EQ(rectText(row.expected), rectText(canvas.drawnBox())) << row.label << ": where the picture is";
        const int area = (row.expected.right - row.expected.left) * (row.expected.bottom - row.expected.top);
        EXPECT_EQ(area, canvas.count(isMagenta)) << row.label << ": the picture fills its place";
        EXPECT_EQ(MONITOR_WIDTH * MONITOR_HEIGHT - area, canvas.count(isBlack)) << row.label << ": black around it";
    }
}

TEST_F(PreviewPicture, TheFilesPicturesArePreferredOverTheEngines) {
    struct Row {
        const char *label;
        bool splash1FromFile, splash2FromFile;
        const char *expected;
    };
    const Row rows[] = {
        {"only the engine's pictures: its banner", false, false, "splash2"},
        {"the file carries its first picture only", true, false, "splash1"},
        {"the file carries its banner only", false, true, "splash2"},
        {"the file carries both: its banner", true, true, "splash2"},
    };
    for (const Row &row : rows) {
        freeImageSet(&set());
        loadImageSet(engine.instance, &set(), BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
        if (row.splash1FromFile) fromFile(&set().splash1, bitmapFileImage(30, 20, 1, RGB(255, 0, 255)));
        if (row.splash2FromFile) fromFile(&set().splash2, bitmapFileImage(40, 20, 1, RGB(255, 0, 255)));
        const BITMAPINFOHEADER *chosenDib = previewSlot(&set())->dib;
        ASSERT_TRUE(run.preparePicture(MONITOR)) << row.label;
        const char *shown = run.picture == &set().splash1 ? "splash1" : run.picture == &set().splash2 ? "splash2" : "?";
        EXPECT_STREQ(row.expected, shown) << row.label;
        EXPECT_EQ(chosenDib, run.picture->dib) << row.label << ": the picture itself is kept";
        int slotsHeld = 0;
        for (const ImageSlot *slot : {&set().splash1, &set().splash2, &set().corner}) slotsHeld += slot->dib != nullptr;
        EXPECT_EQ(1, slotsHeld) << row.label << ": the pictures not shown are released";
    }
    freeImageSet(&set());
    EXPECT_EQ(nullptr, previewSlot(&set())) << "no picture at all";
    EXPECT_FALSE(run.preparePicture(MONITOR)) << "no picture: no preview";
}

// What a metafile kept of one drawing: the palettes it created and selected, and the stretch.
struct Recorded {
    std::vector<DWORD> createdPalettes;   // object table places of the palettes created
    std::vector<DWORD> selectedPalettes;  // before the stretch: places, or stock objects (high bit)
    bool stretched = false;
    RECT stretchedTo = {};
};

int CALLBACK keepRecord(HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM data) {
    Recorded &seen = *reinterpret_cast<Recorded *>(data);
    if (record->iType == EMR_CREATEPALETTE) {
        seen.createdPalettes.push_back(reinterpret_cast<const EMRCREATEPALETTE *>(record)->ihPal);
    } else if (record->iType == EMR_SELECTPALETTE && !seen.stretched) {
        seen.selectedPalettes.push_back(reinterpret_cast<const EMRSELECTPALETTE *>(record)->ihPal);
    } else if (record->iType == EMR_STRETCHBLT) {
        const auto *stretch = reinterpret_cast<const EMRSTRETCHBLT *>(record);
        seen.stretched = true;
        seen.stretchedTo = {stretch->xDest, stretch->yDest, stretch->xDest + stretch->cxDest,
                            stretch->yDest + stretch->cyDest};
    }
    return 1;
}

// On a 256-colour display the picture shows its own colours only if its palette is realised in
// the context when it is drawn. The metafile shows what a palette device would be given.
TEST_F(PreviewPicture, ThePicturesOwnPaletteIsSelectedWhenItIsDrawn) {
    ASSERT_TRUE(run.preparePicture(MONITOR));
    ASSERT_NE(nullptr, set().palette);
    WORD entries = 0;
    GetObjectA(set().palette, sizeof entries, &entries);
    EXPECT_EQ(256, entries) << "the banner's own 256 colours, not the three pictures' 768";

    HDC metafile = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, metafile);
    const HGDIOBJ paletteBefore = GetCurrentObject(metafile, OBJ_PAL);
    draw(metafile);
    EXPECT_EQ(paletteBefore, GetCurrentObject(metafile, OBJ_PAL)) << "the context gets its own palette back";
    HENHMETAFILE drawing = CloseEnhMetaFile(metafile);
    ASSERT_NE(nullptr, drawing);
    Recorded seen;
    EnumEnhMetaFile(nullptr, drawing, keepRecord, &seen, nullptr);
    DeleteEnhMetaFile(drawing);
    ASSERT_TRUE(seen.stretched) << "no picture drawn";
    ASSERT_EQ(1u, seen.createdPalettes.size()) << "the picture's palette";
    EXPECT_EQ(seen.createdPalettes, seen.selectedPalettes) << "it alone is selected before the picture is drawn";
    EXPECT_EQ(rectText({9, 36, 143, 75}),
              rectText({seen.stretchedTo.left, seen.stretchedTo.top, seen.stretchedTo.right, seen.stretchedTo.bottom}));
}

// The engine's own banner as the preview first shows it; with --preview-picture=PATH the drawing
// is also written there (docs/preview.png in the README).
TEST_F(PreviewPicture, TheEnginesOwnBannerFirstComesCentred) {
    ASSERT_TRUE(run.preparePicture(MONITOR));
    EXPECT_EQ(&set().splash2, run.picture);
    MemoryCanvas canvas(MONITOR_WIDTH, MONITOR_HEIGHT);
    ASSERT_TRUE(canvas.ready());
    draw(canvas.dc());
    EXPECT_EQ(rectText({9, 36, 143, 75}), rectText(canvas.drawnBox()));
    const std::string picture = testOption("preview-picture");
    if (!picture.empty()) {
        EXPECT_TRUE(canvas.writePng(picture)) << picture;
    }
}

TEST_F(PreviewPicture, WithoutABitmapTheMonitorIsBlack) {
    MemoryCanvas canvas(MONITOR_WIDTH, MONITOR_HEIGHT);
    ASSERT_TRUE(canvas.ready());
    drawPreview(canvas.dc(), toRECT(MONITOR), RECT{10, 10, 50, 50}, nullptr, nullptr);
    EXPECT_EQ(MONITOR_WIDTH * MONITOR_HEIGHT, canvas.count(isBlack));
}

}  // namespace
