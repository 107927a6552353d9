#include "startup/platform_class.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformClass, VersionValuesClassifyIntoExactlyOneClass) {
    enum Expected { WIN95, WINNT, WIN31 };
    struct Row {
        const char *label;
        uint32_t version;
        Expected expected;
    };
    const Row rows[] = {
        {"Windows 7 value of the default Wine", 0x1db10106u, WIN95},
        {"major 4", 0x00000004u, WIN95},
        {"major 4 with bit 0x4000", 0x00004004u, WIN95},
        {"major 3, high byte 7", 0x07000003u, WIN95},
        {"major 3, high byte 0xFF and bit 0x4000", 0xFF004003u, WIN95},
        {"major 3, high byte 6, bit 0x4000", 0x06004003u, WINNT},
        {"major 3, bit 0x4000 alone", 0x00004003u, WINNT},
        {"NT 3.51 per-program Wine value", 0x04213303u, WIN31},
        {"major 3, high byte 6, bit clear", 0x06000003u, WIN31},
        {"major 0", 0x00000000u, WIN31},
    };
    for (const Row &row : rows) {
        const PlatformClass c = classifyVersion(row.version);
        EXPECT_EQ(row.expected == WIN95, c.win95) << row.label;
        EXPECT_EQ(row.expected == WINNT, c.winNT) << row.label;
        EXPECT_EQ(row.expected == WIN31, c.win31) << row.label;
    }
}

}  // namespace
