#include "images/drawing_win.h"

#include <cstring>

#include "startup/scoped_win.h"

namespace {

static_assert(sizeof(Rect) == sizeof(RECT), "Rect and RECT have the same four 32-bit fields");

Rect toRect(const RECT &r) { return Rect{r.left, r.top, r.right, r.bottom}; }
RECT toRECT(const Rect &r) { return RECT{r.left, r.top, r.right, r.bottom}; }

Rect measured(HBITMAP bitmap) {
    int height = 0;
    int width = 0;
    bitmapSize(bitmap, &height, &width);
    return Rect{0, 0, width, height};
}

HBRUSH blackBrush() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

// Copies the whole bitmap (width x height) to the rectangle `to` of dc, reduced or enlarged to its
// size, through a memory context with the palette (if given) in it.
void copyBitmap(HDC dc, HBITMAP bitmap, const RECT &to, int width, int height, HPALETTE palette) {
    MemoryDC memory(dc);
    if (memory.get() == nullptr) return;
    PaletteSelection inMemory(memory.get(), palette);
    ObjectSelection picture(memory.get(), bitmap);
    if (picture.selected()) {
        StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, memory.get(), 0, 0, width, height,
                   SRCCOPY);
    }
}

// A picture reduced with averaging (HALFTONE) keeps its thin lines and letters, where dropping
// rows and columns (COLORONCOLOR) breaks them up. Averaging makes colours that a palette does not
// hold, so a palette device, and a system without the mode (Windows 95), drop rows instead. The
// caller restores the context.
void chooseStretchMode(HDC dc) {
    if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) == 0 && SetStretchBltMode(dc, HALFTONE) != 0) {
        SetBrushOrgEx(dc, 0, 0, nullptr);  // the halftone pattern starts at the context's origin
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
    }
}

bool fromFile(const ImageSlot &slot) { return slot.dib != nullptr && slot.resourceHandle == nullptr; }

}  // namespace

void bitmapSize(HBITMAP bitmap, int *height, int *width) {
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) info = BITMAP{};
    if (height != nullptr) *height = info.bmHeight;
    if (width != nullptr) *width = info.bmWidth;
}

void layoutImages(ImageSet *set, int *height, int *width) {
    Rect top = measured(set->splash2.bitmap);
    Rect lowerLeft = measured(set->splash1.bitmap);
    Rect lowerRight = measured(set->corner.bitmap);
    Rect box = {};
    arrangeImages(&top, &lowerLeft, &lowerRight, &box);
    set->splash2Rect = toRECT(top);
    set->splash1Rect = toRECT(lowerLeft);
    set->cornerRect = toRECT(lowerRight);
    if (height != nullptr) *height = rectHeight(box);
    if (width != nullptr) *width = rectWidth(box);
}

void blitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int *height, int *width, HPALETTE palette) {
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return;
    {
        PaletteSelection onScreen(dc, palette);
        copyBitmap(dc, bitmap, RECT{x, y, x + info.bmWidth, y + info.bmHeight}, info.bmWidth, info.bmHeight, palette);
    }
    if (height != nullptr) *height = info.bmHeight;
    if (width != nullptr) *width = info.bmWidth;
}

void drawBitmapAtRandom(HWND window, HBITMAP bitmap, HPALETTE palette, Animation *animation) {
    RECT client = {};
    GetClientRect(window, &client);
    int height = 0;
    int width = 0;
    bitmapSize(bitmap, &height, &width);
    Rect place = {0, 0, width, height};
    placeAtRandom(toRect(client), &place);
    {
        // The window's context is handed back with its own palette, so that the shared palette is
        // never held selected in it (a class or private context keeps what is selected).
        WindowDC dc(window);
        if (dc.get() == nullptr) return;
        PaletteSelection onScreen(dc.get(), palette);
        // The old place is erased only now, just before the new blit, so the picture is gone from
        // the screen for as short a time as possible.
        if (animation->pictureDrawn) FillRect(dc.get(), &animation->picturePlace, blackBrush());
        if (bitmap != nullptr) copyBitmap(dc.get(), bitmap, toRECT(place), width, height, palette);
    }
    animation->picturePlace = toRECT(place);
    animation->pictureDrawn = true;
}

void scrollMessage(HWND window, const char *text, Animation *animation) {
    if (text == nullptr) return;
    WindowDC dc(window);
    if (dc.get() == nullptr) return;
    const size_t length = std::strlen(text);
    const int count = length > INT32_MAX ? INT32_MAX : static_cast<int>(length);
    if (!animation->textStarted) {
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc.get(), &metrics);
        animation->textBoxWidth = count * metrics.tmAveCharWidth + 10;
        animation->textLineHeight = metrics.tmHeight + metrics.tmExternalLeading + 5;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const RECT last = animation->textBox;

    int32_t left = animation->textBox.left - 1;
    if (left < -animation->textBoxWidth) left = client.right;
    if (!animation->textStarted) left = client.right - animation->textBoxWidth;  // the text starts fully visible
    animation->textBox = RECT{left, 0, left + animation->textBoxWidth + 5, animation->textLineHeight};

    if (animation->textStarted) FillRect(dc.get(), &last, blackBrush());
    SetTextColor(dc.get(), RGB(255, 255, 255));
    SetBkColor(dc.get(), RGB(0, 0, 0));
    TextOutA(dc.get(), animation->textBox.left, animation->textBox.top, text, count);
    animation->textStarted = true;
}

ImageSlot *previewSlot(ImageSet *set) {
    if (fromFile(set->splash2)) return &set->splash2;
    if (fromFile(set->splash1)) return &set->splash1;
    if (set->splash2.dib != nullptr) return &set->splash2;
    if (set->splash1.dib != nullptr) return &set->splash1;
    return nullptr;
}

void drawPreview(HDC dc, const RECT &area, const RECT &place, HBITMAP bitmap, HPALETTE palette) {
    // Everything this changes in dc (palette, stretch mode, brush origin, clip region) goes back
    // with the saved state.
    const int saved = SaveDC(dc);
    BITMAP info = {};
    if (bitmap != nullptr && GetObjectA(bitmap, sizeof info, &info) != 0) {
        PaletteSelection onScreen(dc, palette);
        chooseStretchMode(dc);
        copyBitmap(dc, bitmap, place, info.bmWidth, info.bmHeight, palette);
        // The black goes round the picture, never under it: nothing flickers when it moves.
        ExcludeClipRect(dc, place.left, place.top, place.right, place.bottom);
    }
    FillRect(dc, &area, blackBrush());
    RestoreDC(dc, saved);
}

