// Putting the pictures on the screen: the settings window's layout, blitting with the shared
// palette, and the two animations of the saver's error screen.
#pragma once

#include <windows.h>

#include <cstdint>

#include "images/image_set_win.h"
#include "images/layout.h"

// Where the error screen's two animations are: the picture drawn last, and the scrolling text,
// whose box is measured on its first step from the window's text metrics.
struct Animation {
    RECT picturePlace = {};      // where the picture was last drawn
    bool pictureDrawn = false;   // it has been drawn at all
    bool textStarted = false;    // the text has taken its first step
    int32_t textBoxWidth = 0;    // characters * average character width + 10
    int32_t textLineHeight = 0;  // character height + external leading + 5
    RECT textBox = {};           // where the text was last drawn
};

// The size of a bitmap; 0 x 0 for null or a handle that is no bitmap. Either output may be null.
void bitmapSize(HBITMAP bitmap, int *height, int *width);
// Measures the three device bitmaps, places them (splash2 on top, splash1 below on the left,
// corner below on the right) into the set's rectangles and gives the size of the area they need.
void layoutImages(ImageSet *set, int *height, int *width);
// Copies the whole bitmap to dc at (x, y), with the palette (if given) selected and realised in
// both contexts; dc gets its previous palette back. The outputs, when given, receive the size.
// A handle that is no bitmap draws nothing and gives nothing back.
void blitBitmap(HDC dc, HBITMAP bitmap, int x, int y, int *height, int *width, HPALETTE palette);
// One step of the picture animation: the picture at a random place of the client area, the
// place of the previous step painted black.
void drawBitmapAtRandom(HWND window, HBITMAP bitmap, HPALETTE palette, Animation *animation);
// The slot whose picture the display settings' preview shows: the banner the engine file carries
// (splash2), else its other picture (splash1), else the engine's own banner, else its other
// picture; null when the set holds none.
ImageSlot *previewSlot(ImageSet *set);
// Draws the preview into `area` of any device context: the bitmap reduced (or copied) to `place`,
// with the palette (when given) selected and realised, and the rest of the area black. A handle
// that is no bitmap leaves the whole area black.
void drawPreview(HDC dc, const RECT &area, const RECT &place, HBITMAP bitmap, HPALETTE palette);
// One step of the text animation: white text on black along the top of the client area, one
// pixel further left than before, starting again at the right edge once it has left the window.
void scrollMessage(HWND window, const char *text, Animation *animation);
