#include "startup/password_reduction.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The reflected CRC-32 step computed bit by bit from the polynomial, independent of any table.
uint32_t bitwiseCrcStep(uint32_t value, const char *bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        value ^= static_cast<unsigned char>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1u) != 0 ? 0xEDB88320u : 0u);
    }
    return value;
}

TEST(PasswordReduction, RepeatsTheCrcStepOncePerCharacter) {
    struct Row {
        const char *label;
        const char *text;
    };
    const Row rows[] = {{"one character", "x"}, {"a word", "fish"}, {"with blanks", "fish tank 42"}};
    for (const Row &row : rows) {
        const size_t n = std::strlen(row.text);
        uint32_t expected = 0x5A00u;
        for (size_t i = 0; i < n; ++i) expected = bitwiseCrcStep(expected, row.text, n);
        EXPECT_EQ(expected, reducePassword(row.text)) << row.label;
    }
    EXPECT_EQ(0x5A00u, reducePassword("")) << "an empty password keeps the start value";
    EXPECT_NE(reducePassword("fish"), reducePassword("Fish")) << "letter case counts";
}

}  // namespace
