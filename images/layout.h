// The arithmetic of the images that needs no Win32: rectangles and the settings window's layout,
// and random places for the error screen's picture.
#pragma once

#include <cstddef>
#include <cstdint>

// A rectangle with the field order and widths of the system's RECT; right and bottom exclusive.
struct Rect {
    int32_t left, top, right, bottom;
};

// Where the saver window goes: the virtual screen, which spans every monitor, where the system
// reports one (a width and a height above 0: from Windows 98 and 2000 on), else the desktop
// window's rectangle (the primary monitor).
Rect saverArea(const Rect &virtualScreen, const Rect &desktop);

// The gap between the pictures of the settings window and the border around them.
constexpr int32_t LAYOUT_MARGIN = 10;

int32_t rectWidth(const Rect &r);
int32_t rectHeight(const Rect &r);
// Moves r to (LAYOUT_MARGIN, LAYOUT_MARGIN), keeping its size.
void placeAtMargin(Rect *r);
// Moves r a margin below anchor, left edges aligned; keeps its size.
void placeBelowLeft(const Rect &anchor, Rect *r);
// Moves r a margin below anchor, right edges aligned; keeps its size.
void placeBelowRight(const Rect &anchor, Rect *r);
// Moves r a margin to the right of anchor; its top and bottom stay.
void placeRightOf(const Rect &anchor, Rect *r);
// Moves r horizontally to (to - from) / 2 - width / 2 (truncating divisions): note that the
// left edge is measured from 0, not from `from`.
void centreAcross(Rect *r, int32_t from, int32_t to);
// Moves r vertically so that its bottom equals source's bottom.
void alignBottom(const Rect &source, Rect *r);
int32_t minLeft(const Rect &a, const Rect &b);
int32_t minTop(const Rect &a, const Rect &b);
int32_t maxRight(const Rect &a, const Rect &b);
int32_t maxBottom(const Rect &a, const Rect &b);
// The box around the three pictures, a margin wider on every side.
void boundingBoxWithMargin(Rect *box, const Rect &top, const Rect &lowerLeft, const Rect &lowerRight);

// Lays out three pictures given by their sizes (left and top 0): top at the margin, lowerLeft and
// lowerRight a margin below it, flush with its left and right edges, bottoms aligned; lower
// pictures that would overlap are set side by side and the top picture is moved across them.
// box receives the area they need, margins included.
void arrangeImages(Rect *top, Rect *lowerLeft, Rect *lowerRight, Rect *box);

// The preview in the display settings' little monitor: where a picture of width x height goes in
// the area. A picture larger than the area is reduced to fit with its aspect kept (no side below
// one pixel); a smaller one keeps its size, which reads better than one blown up. Centred. Empty
// for an empty picture or area.
Rect fitPicture(int32_t width, int32_t height, const Rect &area);
// Where the preview fits its picture: the area less a sixteenth of its width and of its height on
// every side, so that the picture always has room to move in both directions.
Rect previewBox(const Rect &area);
// Where the random numbers come from: a function that returns 0 to 32767, like the C library's
// rand() on Windows. Null (the default) means randomGenerator.
using RandomSource = int (*)();
extern RandomSource randomSource;

// The default source: the linear congruential generator of the Windows C library's rand()
// (state * 214013 + 2531011, bits 16 to 30 of the new state), seeded from randomSeed() on first use.
struct RandomGenerator {
    bool seeded;
    uint32_t state;
};
extern RandomGenerator randomGenerator;

// lo + r * (hi - lo) / 32767 with r the next random number, the product and quotient taken as
// unsigned 32-bit numbers: for hi >= lo a value in [lo, hi] that is hi only for r = 32767. A
// negative span wraps into large values.
int randomInRange(int lo, int hi);
// Moves r (keeping its size) to a random place in a rectangle of outer's size measured from 0;
// each edge is cut to its low 16 bits, so a picture larger than outer may land partly or wholly
// outside it.
void placeAtRandom(const Rect &outer, Rect *r);
