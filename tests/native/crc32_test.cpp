#include "payload/crc32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const unsigned char *bytesOf(const char *text) { return reinterpret_cast<const unsigned char *>(text); }

// The stored table against its definition, entry by entry, with two entries known from elsewhere.
TEST(Crc32, TableHoldsTheReflectedPolynomialSteps) {
    EXPECT_EQ(0x77073096u, CRC32_TABLE[1]);
    EXPECT_EQ(0x2D02EF8Du, CRC32_TABLE[255]);
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t entry = i;
        for (int step = 0; step < 8; ++step) entry = (entry & 1u) != 0 ? (entry >> 1) ^ 0xEDB88320u : entry >> 1;
        EXPECT_EQ(entry, CRC32_TABLE[i]) << "entry " << i;
    }
}

TEST(Crc32, ConditionedByTheCallerGivesTheStandardCrc) {
    struct Row {
        const char *label;
        uint32_t start;
        const char *text;
        int32_t length;
        bool complement;
        uint32_t expected;
    };
    const Row rows[] = {
        {"check value of 123456789", 0xFFFFFFFFu, "123456789", 9, true, 0xCBF43926u},
        {"one letter", 0xFFFFFFFFu, "a", 1, true, 0xE8B7BE43u},
        {"sentence", 0xFFFFFFFFu, "The quick brown fox jumps over the lazy dog", 43, true, 0x414FA339u},
        {"no inversion inside: register 0, one zero byte", 0, "\0", 1, false, 0},
        {"length 0 keeps the register", 0x12345678u, "abc", 0, false, 0x12345678u},
    };
    for (const Row &row : rows) {
        const uint32_t crc = crc32Update(row.start, bytesOf(row.text), row.length);
        EXPECT_EQ(row.expected, row.complement ? ~crc : crc) << row.label;
    }
}

TEST(Crc32, SplitBlocksEqualOneCall) {
    const char *text = "The quick brown fox jumps over the lazy dog";
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    const uint32_t whole = crc32Update(0xFFFFFFFFu, bytesOf(text), length);
    struct Row {
        const char *label;
        int32_t split;
    };
    const Row rows[] = {{"empty first block", 0}, {"one byte first", 1}, {"middle", 20}, {"empty last block", length}};
    for (const Row &row : rows) {
        const uint32_t first = crc32Update(0xFFFFFFFFu, bytesOf(text), row.split);
        EXPECT_EQ(whole, crc32Update(first, bytesOf(text) + row.split, length - row.split)) << row.label;
    }
}

}  // namespace
