#include "images/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string text(const Rect &r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

Rect sized(int32_t width, int32_t height) { return Rect{0, 0, width, height}; }

TEST(Layout, ArrangesTopAndTwoLowerPicturesWithMargins) {
    struct Row {
        const char *label;
        Rect top, lowerLeft, lowerRight;  // sizes in, places expected
        Rect topAt, lowerLeftAt, lowerRightAt;
        int32_t width, height;
    };
    const Row rows[] = {
        {"default resources", sized(400, 119), sized(305, 81), sized(90, 80),
         {10, 10, 410, 129}, {10, 139, 315, 220}, {320, 140, 410, 220}, 420, 230},
        {"one pixel narrower splash pictures", sized(399, 119), sized(304, 81), sized(90, 80),
         {10, 10, 409, 129}, {10, 139, 314, 220}, {319, 140, 409, 220}, 419, 230},
        {"overlapping lower pictures: corner moves right, top centred from 0", sized(400, 119), sized(400, 81),
         sized(90, 80), {50, 10, 450, 129}, {10, 139, 410, 220}, {420, 140, 510, 220}, 520, 230},
        {"lower pictures touching: nothing moves", sized(400, 119), sized(310, 81), sized(90, 80),
         {10, 10, 410, 129}, {10, 139, 320, 220}, {320, 140, 410, 220}, 420, 230},
        {"taller lower left moves the corner down", sized(400, 119), sized(305, 100), sized(90, 80),
         {10, 10, 410, 129}, {10, 139, 315, 239}, {320, 159, 410, 239}, 420, 249},
        {"taller corner moves the lower left down", sized(400, 119), sized(305, 81), sized(90, 100),
         {10, 10, 410, 129}, {10, 158, 315, 239}, {320, 139, 410, 239}, 420, 249},
        {"no pictures at all", sized(0, 0), sized(0, 0), sized(0, 0),
         {10, 10, 10, 10}, {10, 20, 10, 20}, {10, 20, 10, 20}, 20, 30},
    };
    for (const Row &row : rows) {
        Rect top = row.top, lowerLeft = row.lowerLeft, lowerRight = row.lowerRight;
        Rect box = {-1, -1, -1, -1};
        arrangeImages(&top, &lowerLeft, &lowerRight, &box);
        EXPECT_EQ(text(row.topAt), text(top)) << row.label;
        EXPECT_EQ(text(row.lowerLeftAt), text(lowerLeft)) << row.label;
        EXPECT_EQ(text(row.lowerRightAt), text(lowerRight)) << row.label;
        EXPECT_EQ(row.width, rectWidth(box)) << row.label;
        EXPECT_EQ(row.height, rectHeight(box)) << row.label;
        EXPECT_EQ(0, box.top) << row.label;
    }
}

// Draws come from a list that the test sets; the default generator is back in place afterwards.
std::vector<int> plannedDraws;
size_t nextPlannedDraw = 0;
int plannedDraw() { return nextPlannedDraw < plannedDraws.size() ? plannedDraws[nextPlannedDraw++] : 0; }

struct PlannedRandom {
    explicit PlannedRandom(std::vector<int> draws) {
        plannedDraws = std::move(draws);
        nextPlannedDraw = 0;
        randomSource = plannedDraw;
    }
    ~PlannedRandom() { randomSource = nullptr; }
    size_t used() const { return nextPlannedDraw; }
};

TEST(RandomNumbers, ScaleTheDrawIntoTheRangeWithUnsignedArithmetic) {
    struct Row {
        const char *label;
        int lo, hi, draw;
        int expected;
    };
    const Row rows[] = {
        {"empty range, lowest draw", 0, 0, 0, 0},
        {"empty range, highest draw", 0, 0, 32767, 0},
        {"empty range, middle draw", 0, 0, 12345, 0},
        {"highest draw reaches hi", 0, 100, 32767, 100},
        {"next draw stays below hi", 0, 100, 32766, 99},
        {"half way", 0, 100, 16384, 50},
        {"lowest draw gives lo", 10, 20, 0, 10},
        {"offset range, highest draw", 10, 20, 32767, 20},
        {"product wraps past 2^32", 0, 200000, 32767, 68923},
        {"negative span wraps to a large value", 0, -100, 1, 131075},
    };
    for (const Row &row : rows) {
        PlannedRandom random({row.draw});
        EXPECT_EQ(row.expected, randomInRange(row.lo, row.hi)) << row.label;
        EXPECT_EQ(1u, random.used()) << row.label;
    }
}

// The default generator is the Windows C library's: from seed 1 it gives that rand()'s well-known
// first numbers, and unseeded it seeds itself once and stays in range.
TEST(RandomNumbers, TheDefaultGeneratorDrawsTheWindowsCLibrarySequence) {
    ASSERT_EQ(nullptr, randomSource);
    randomGenerator = {true, 1};
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(expected[i], randomInRange(0, 32767)) << "draw " << i;

    randomGenerator = {false, 0};
    for (int i = 0; i < 2000; ++i) {
        const int value = randomInRange(5, 105);
        ASSERT_GE(value, 5) << "draw " << i;
        ASSERT_LE(value, 105) << "draw " << i;
    }
    EXPECT_TRUE(randomGenerator.seeded);
}

TEST(RandomPlaces, PlaceAtRandomMeasuresFromZeroAndCutsTo16Bits) {
    struct Row {
        const char *label;
        Rect outer;
        int32_t width, height;
        int drawX, drawY;
        Rect expected;
    };
    const Row rows[] = {
        {"lowest draws: top left", {0, 0, 200, 100}, 50, 40, 0, 0, {0, 0, 50, 40}},
        {"highest draws: flush with right and bottom", {0, 0, 200, 100}, 50, 40, 32767, 32767, {150, 60, 200, 100}},
        {"x is drawn before y", {0, 0, 200, 100}, 50, 40, 32767, 0, {150, 0, 200, 40}},
        {"outer's own left and top are not added", {100, 100, 300, 200}, 50, 40, 32767, 32767, {150, 60, 200, 100}},
        {"picture as large as the window", {0, 0, 200, 100}, 200, 100, 32767, 12345, {0, 0, 200, 100}},
        {"wider than the window: wraps near 0", {0, 0, 100, 100}, 200, 50, 1, 0, {3, 0, 203, 50}},
        {"wider than the window: right edge wraps below left", {0, 0, 100, 100}, 200, 50, 1311, 0,
         {65535, 0, 199, 50}},
    };
    for (const Row &row : rows) {
        PlannedRandom random({row.drawX, row.drawY});
        Rect r = {7, 9, 7 + row.width, 9 + row.height};
        placeAtRandom(row.outer, &r);
        EXPECT_EQ(text(row.expected), text(r)) << row.label;
        EXPECT_EQ(2u, random.used()) << row.label;
    }
}

// The saver window covers every monitor where the system reports the virtual screen, else the
// primary monitor that the desktop window covers.
TEST(SaverArea, TheVirtualScreenWhereThereIsOneElseTheDesktop) {
    struct Row {
        const char *label;
        Rect virtualScreen, expected;
    };
    const Rect desktop = {0, 0, 1280, 1024};
    const Row rows[] = {
        {"one monitor: the same rectangle", {0, 0, 1280, 1024}, {0, 0, 1280, 1024}},
        {"a second monitor on the left: it starts below 0", {-1920, 0, 1280, 1080}, {-1920, 0, 1280, 1080}},
        {"a second monitor above", {0, -900, 1600, 1024}, {0, -900, 1600, 1024}},
        {"Windows 95 and NT 4 know no virtual screen: all 0", {0, 0, 0, 0}, desktop},
        {"no width", {0, 0, 0, 1024}, desktop},
        {"no height", {0, 0, 1280, 0}, desktop},
    };
    for (const Row &row : rows) EXPECT_EQ(text(row.expected), text(saverArea(row.virtualScreen, desktop))) << row.label;
}

// The preview's picture in the display settings' 152 x 112 monitor and other areas.
TEST(PreviewLayout, APictureIsReducedToFitWithItsAspectAndCentred) {
    struct Row {
        const char *label;
        int32_t width, height;
        Rect area, expected;
    };
    const Rect monitor = {0, 0, 152, 112};
    const Row rows[] = {
        {"the engine's banner: the width decides", 400, 119, monitor, {0, 33, 152, 78}},
        {"a tall picture: the height decides", 100, 400, monitor, {62, 0, 90, 112}},
        {"the monitor's own shape fills it", 304, 224, monitor, {0, 0, 152, 112}},
        {"a smaller picture keeps its size", 40, 30, monitor, {56, 41, 96, 71}},
        {"exactly the area's width", 152, 20, monitor, {0, 46, 152, 66}},
        {"one pixel too wide", 153, 112, monitor, {0, 0, 152, 111}},
        {"a thin line keeps one pixel", 4000, 1, monitor, {0, 55, 152, 56}},
        {"an area away from the origin", 400, 119, {10, 20, 162, 132}, {10, 53, 162, 98}},
        {"sizes whose products pass 32 bits",
         2000000000,
         1000000000,
         {0, 0, 100000, 100000},
         {0, 25000, 100000, 75000}},
        {"a height at full width past 2^31", 1, 2147483647, {0, 0, 100, 100}, {49, 0, 50, 100}},
        {"an empty picture", 0, 10, monitor, {0, 0, 0, 0}},
        {"a negative size", -5, 10, monitor, {0, 0, 0, 0}},
        {"an empty area", 400, 119, {5, 5, 5, 50}, {5, 5, 5, 5}},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(text(row.expected), text(fitPicture(row.width, row.height, row.area))) << row.label;
    }
    EXPECT_EQ(text({9, 7, 143, 105}), text(previewBox(monitor))) << "a sixteenth less on every side";
    EXPECT_EQ(text({9, 36, 143, 75}), text(fitPicture(400, 119, previewBox(monitor))))
        << "the banner as the preview draws it first: room to move both ways";
}

}  // namespace
