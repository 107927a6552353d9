#include "startup/profile_number.h"

#include <gtest/gtest.h>

namespace {

TEST(ProfileNumber, ParsesUnsignedDecimalUpToTheFirstNonDigit) {
    struct Row {
        const char *label;
        const char *text;
        uint32_t expected;
    };
    const Row rows[] = {
        {"two digits", "12", 12u},
        {"largest value", "4294967295", 4294967295u},
        {"past the largest value", "4294967296", 4294967295u},
        {"far past the largest value", "99999999999999999999", 4294967295u},
        {"trailing text", "123abc", 123u},
        {"no digits", "abc", 0u},
        {"leading blanks", "  42", 42u},
        {"leading zeros", "007", 7u},
        {"minus sign wraps as the runtime does", "-1", 4294967295u},
        {"empty", "", 0u},
    };
    for (const Row &row : rows) EXPECT_EQ(row.expected, parseProfileNumber(row.text)) << row.label;
}

TEST(ProfileNumber, FormatsAndParsesBack) {
    const uint32_t values[] = {0u, 1u, 12u, 0x5A00u, 4294967295u};
    for (uint32_t value : values) {
        char text[PROFILE_NUMBER_BUFFER];
        formatProfileNumber(value, text);
        EXPECT_EQ(value, parseProfileNumber(text)) << text;
    }
    char text[PROFILE_NUMBER_BUFFER];
    formatProfileNumber(4294967295u, text);
    EXPECT_STREQ("4294967295", text);
}

}  // namespace
