// The rules of packed DIBs over any block of bytes, and the layout arithmetic over any sizes.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "images/dib_rules.h"
#include "images/layout.h"
#include "promise.h"

namespace {

std::vector<int> draws;
size_t nextDraw = 0;
int fixedDraw() { return draws.empty() ? 0 : draws[nextDraw++ % draws.size()]; }

uint64_t width(const Rect &r) { return static_cast<uint64_t>(static_cast<int64_t>(r.right) - r.left); }
uint64_t height(const Rect &r) { return static_cast<uint64_t>(static_cast<int64_t>(r.bottom) - r.top); }

// A picture's size as the system can give it: 0 to 32767 on each side.
Rect pictureOf(FuzzedDataProvider &input) {
    return Rect{0, 0, input.ConsumeIntegralInRange<int32_t>(0, 32767), input.ConsumeIntegralInRange<int32_t>(0, 32767)};
}

bool inside(const Rect &r, const Rect &box) {
    return r.left >= box.left && r.top >= box.top && r.right <= box.right && r.bottom <= box.bottom;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);

    // Layout: the three pictures keep their sizes, never overlap, and lie inside the box with a
    // margin around them.
    Rect top = pictureOf(input), lowerLeft = pictureOf(input), lowerRight = pictureOf(input);
    const Rect sizes[3] = {top, lowerLeft, lowerRight};
    Rect box = {};
    arrangeImages(&top, &lowerLeft, &lowerRight, &box);
    const Rect placed[3] = {top, lowerLeft, lowerRight};
    for (int i = 0; i < 3; ++i) {
        PROMISE(width(placed[i]) == width(sizes[i]) && height(placed[i]) == height(sizes[i]));
        PROMISE(placed[i].left >= box.left + LAYOUT_MARGIN && placed[i].top >= box.top + LAYOUT_MARGIN);
        PROMISE(placed[i].right <= box.right - LAYOUT_MARGIN && placed[i].bottom <= box.bottom - LAYOUT_MARGIN);
    }
    PROMISE(top.bottom + LAYOUT_MARGIN <= lowerLeft.top && top.bottom + LAYOUT_MARGIN <= lowerRight.top);
    PROMISE(lowerLeft.right <= lowerRight.left || lowerLeft.right == lowerLeft.left || lowerRight.right == lowerRight.left);

    // Random places: inside the outer area whenever the picture fits it.
    draws.assign({input.ConsumeIntegralInRange(0, 32767), input.ConsumeIntegralInRange(0, 32767)});
    nextDraw = 0;
    randomSource = fixedDraw;
    const Rect outer = {0, 0, input.ConsumeIntegralInRange<int32_t>(0, 32767), input.ConsumeIntegralInRange<int32_t>(0, 32767)};
    Rect picture = pictureOf(input);
    const Rect before = picture;
    placeAtRandom(outer, &picture);
    if (width(before) <= width(outer) && height(before) <= height(outer)) {
        PROMISE(inside(picture, outer));
        PROMISE(width(picture) == width(before) && height(picture) == height(before));
    }
    randomSource = nullptr;

    // DIB rules: whatever the engine accepts lies inside its block, and the parts are in order.
    const std::string block = input.ConsumeRemainingBytesAsString();
    std::vector<unsigned char> dib(block.begin(), block.end());
    if (dib.size() < 4) return 0;
    if (!dibFitsBlock(dib.data(), static_cast<uint32_t>(dib.size()))) return 0;
    const size_t table = dibTableOffset(dib.data());
    const size_t bits = dibBitsOffset(dib.data());
    const int entries = paletteEntryCountOf(dib.data());
    PROMISE(table <= bits && bits <= dib.size());
    if (entries > 0) {
        PROMISE(table + 4 * static_cast<size_t>(entries) <= bits);
        volatile unsigned char last = dib[table + 4 * static_cast<size_t>(entries) - 1];  // inside the block
        (void)last;
    }
    return 0;
}
