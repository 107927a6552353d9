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

// a * b / c, truncated (at most INT32_MAX), for a, b and c in [1, 2^31): the product taken in 64
// bits and divided bit by bit, which needs no 64-bit division from libgcc in the engine.
__attribute__((noinline)) int32_t scaled(int32_t a, int32_t b, int32_t c) {
    const uint64_t product = static_cast<uint64_t>(a) * static_cast<uint64_t>(b);
    const uint64_t divisor = static_cast<uint64_t>(c);
    uint64_t remainder = 0;
    uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        remainder = remainder << 1 | (product >> bit & 1u);
        quotient <<= 1;
        if (remainder >= divisor) {
            remainder -= divisor;
            quotient |= 1u;
        }
    }
    return quotient > INT32_MAX ? INT32_MAX : static_cast<int32_t>(quotient);
}

}  // namespace

Rect fitPicture(int32_t width, int32_t height, const Rect &area) {
    const int32_t areaWidth = rectWidth(area);
    const int32_t areaHeight = rectHeight(area);
    if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return Rect{area.left, area.top, area.left, area.top};
    }
    int32_t w = width;
    int32_t h = height;
    if (w > areaWidth || h > areaHeight) {
        // The width decides when the height it leaves fits (the picture is relatively wider than
        // the area), else the height does.
        const int32_t heightAtFullWidth = scaled(height, areaWidth, width);
        if (heightAtFullWidth <= areaHeight) {
            w = areaWidth;
            h = heightAtFullWidth;
        } else {
            h = areaHeight;
            w = scaled(width, areaHeight, height);
        }
        if (w < 1) w = 1;
        if (h < 1) h = 1;
    }
    const int32_t left = area.left + (areaWidth - w) / 2;
    const int32_t top = area.top + (areaHeight - h) / 2;
    return Rect{left, top, left + w, top + h};
}

Rect previewBox(const Rect &area) {
    const int32_t dx = rectWidth(area) / 16;
    const int32_t dy = rectHeight(area) / 16;
    return Rect{area.left + dx, area.top + dy, area.right - dx, area.bottom - dy};
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
