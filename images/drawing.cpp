#include "images/drawing.h"

#include <cstring>

RECT picturePlace = {};
bool pictureDrawn = false;

bool textStarted = false;
int32_t textBoxWidth = 0;
int32_t textLineHeight = 0;
RECT textBox = {};
TEXTMETRICA textMetrics = {};

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
    HDC memory = CreateCompatibleDC(dc);
    if (memory != nullptr) {
        HPALETTE previous = nullptr;
        HPALETTE previousInMemory = nullptr;
        if (palette != nullptr) {
            previous = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
            previousInMemory = SelectPalette(memory, palette, FALSE);
            RealizePalette(memory);
        }
        HGDIOBJ previousBitmap = SelectObject(memory, bitmap);
        if (previousBitmap != nullptr) {
            BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previousBitmap);
        }
        if (previousInMemory != nullptr) SelectPalette(memory, previousInMemory, FALSE);
        DeleteDC(memory);
        if (previous != nullptr) SelectPalette(dc, previous, FALSE);
    }
    if (height != nullptr) *height = info.bmHeight;
    if (width != nullptr) *width = info.bmWidth;
}

void drawBitmapAtRandom(HWND window, HBITMAP bitmap, HPALETTE palette) {
    RECT client = {};
    GetClientRect(window, &client);
    int height = 0;
    int width = 0;
    bitmapSize(bitmap, &height, &width);
    Rect place = {0, 0, width, height};
    placeAtRandom(toRect(client), &place);

    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    HDC memory = CreateCompatibleDC(dc);
    HPALETTE previous = nullptr;
    HPALETTE previousInMemory = nullptr;
    if (palette != nullptr) {
        previous = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
        if (memory != nullptr) {
            previousInMemory = SelectPalette(memory, palette, FALSE);
            RealizePalette(memory);
        }
    }
    HGDIOBJ previousBitmap = memory != nullptr && bitmap != nullptr ? SelectObject(memory, bitmap) : nullptr;
    // The old place is erased only now, just before the new blit, so the picture is gone from
    // the screen for as short a time as possible.
    if (pictureDrawn) FillRect(dc, &picturePlace, blackBrush());
    if (previousBitmap != nullptr) {
        BitBlt(dc, place.left, place.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previousBitmap);
    }
    if (memory != nullptr) {
        if (previousInMemory != nullptr) SelectPalette(memory, previousInMemory, FALSE);
        DeleteDC(memory);
    }
    // The window's context is handed back with its own palette, so that the shared palette is
    // never held selected in it (a class or private context keeps what is selected).
    if (previous != nullptr) SelectPalette(dc, previous, FALSE);
    ReleaseDC(window, dc);
    picturePlace = toRECT(place);
    pictureDrawn = true;
}

void scrollMessage(HWND window, const char *text) {
    if (text == nullptr) return;
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    const size_t length = std::strlen(text);
    const int count = length > INT32_MAX ? INT32_MAX : static_cast<int>(length);
    if (!textStarted) {
        textMetrics = TEXTMETRICA{};
        GetTextMetricsA(dc, &textMetrics);
        textBoxWidth = count * textMetrics.tmAveCharWidth + 10;
        textLineHeight = textMetrics.tmHeight + textMetrics.tmExternalLeading + 5;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const RECT last = textBox;

    int32_t left = textBox.left - 1;
    if (left < -textBoxWidth) left = client.right;
    if (!textStarted) left = client.right - textBoxWidth;  // the text starts fully visible
    textBox = RECT{left, 0, left + textBoxWidth + 5, textLineHeight};

    if (textStarted) FillRect(dc, &last, blackBrush());
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    TextOutA(dc, textBox.left, textBox.top, text, count);
    textStarted = true;
    ReleaseDC(window, dc);
}
