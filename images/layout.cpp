#include "images/layout.h"

#include "payload/system_io.h"

RandomSource randomSource = nullptr;
RandomGenerator randomGenerator = {false, 0};

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

Rect saverArea(const Rect &virtualScreen, const Rect &desktop) {
    return rectWidth(virtualScreen) > 0 && rectHeight(virtualScreen) > 0 ? virtualScreen : desktop;
}

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
    if (!randomGenerator.seeded) {
        randomGenerator.state = randomSeed();
        randomGenerator.seeded = true;
    }
    randomGenerator.state = randomGenerator.state * 214013u + 2531011u;
    return static_cast<int>((randomGenerator.state >> 16) & RANDOM_TOP);
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
