// The engine's own memory and string functions give what the C library gives, byte for byte.
#include "startup/c_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

// Where a search result points, as an offset into the searched text, or -1 for none.
long offsetIn(const void *found, const void *text) {
    return found == nullptr ? -1 : static_cast<const char *>(found) - static_cast<const char *>(text);
}

TEST(CLibrary, SearchesFindWhatTheCLibraryFinds) {
    struct Row {
        const char *label;
        const char *text, *part;
    };
    const Row rows[] = {
        {"at the start", "abcabc", "abc"},
        {"at the end", "xxabc", "abc"},
        {"in the middle after a false start", "aababc", "abc"},
        {"not there", "abcab", "abd"},
        {"longer than the text", "ab", "abc"},
        {"empty part", "abc", ""},
        {"empty text and part", "", ""},
        {"empty text", "", "a"},
        {"high bytes", "\x81\x40\x95\x5C", "\x95\x5C"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(offsetIn(std::strstr(row.text, row.part), row.text),
                  offsetIn(clib::strstr(row.text, row.part), row.text))
            << row.label << ": strstr";
        const size_t length = std::strlen(row.text);
        EXPECT_EQ(length, clib::strlen(row.text)) << row.label;
        // Each byte of the part, and the terminating NUL, looked for in the text.
        for (const char *c = row.part;; ++c) {
            const int value = static_cast<unsigned char>(*c);
            EXPECT_EQ(offsetIn(std::strchr(row.text, value), row.text),
                      offsetIn(clib::strchr(row.text, value), row.text))
                << row.label << ": strchr " << value;
            EXPECT_EQ(offsetIn(std::memchr(row.text, value, length), row.text),
                      offsetIn(clib::memchr(row.text, value, length), row.text))
                << row.label << ": memchr " << value;
            if (*c == '\0') break;
        }
    }
}

TEST(CLibrary, ComparisonsOrderAsTheCLibraryOrders) {
    struct Row {
        const char *label;
        const char *a, *b;
    };
    const Row rows[] = {
        {"equal", "abc", "abc"},
        {"empty and empty", "", ""},
        {"prefix first", "ab", "abc"},
        {"prefix second", "abc", "ab"},
        {"differ in the middle", "abd", "abc"},
        {"bytes above 127 are larger", "a\xE9", "az"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(sign(std::strcmp(row.a, row.b)), sign(clib::strcmp(row.a, row.b))) << row.label << ": strcmp";
        const size_t count = std::min(std::strlen(row.a), std::strlen(row.b)) + 1;
        EXPECT_EQ(sign(std::memcmp(row.a, row.b, count)), sign(clib::memcmp(row.a, row.b, count)))
            << row.label << ": memcmp";
    }
}

TEST(CLibrary, CopiesAndFillsLeaveWhatTheCLibraryLeaves) {
    using Operation = void (*)(char *block);
    struct Row {
        const char *label;
        Operation library, own;
    };
    // Each operation works on a block of "0123456789" and returns through it.
    const Row rows[] = {
        {"memcpy", [](char *b) { std::memcpy(b + 6, b, 3); }, [](char *b) { clib::memcpy(b + 6, b, 3); }},
        {"memmove to a higher overlapping place", [](char *b) { std::memmove(b + 2, b, 6); },
         [](char *b) { clib::memmove(b + 2, b, 6); }},
        {"memmove to a lower overlapping place", [](char *b) { std::memmove(b, b + 3, 6); },
         [](char *b) { clib::memmove(b, b + 3, 6); }},
        {"memmove onto itself", [](char *b) { std::memmove(b, b, 10); }, [](char *b) { clib::memmove(b, b, 10); }},
        {"memset with a value above 255 keeps the low byte", [](char *b) { std::memset(b + 1, 0x141, 4); },
         [](char *b) { clib::memset(b + 1, 0x141, 4); }},
        {"strcpy", [](char *b) { std::strcpy(b, "xy"); }, [](char *b) { clib::strcpy(b, "xy"); }},
        {"strcat", [](char *b) { b[3] = '\0', std::strcat(b, "xy"); },
         [](char *b) { b[3] = '\0', clib::strcat(b, "xy"); }},
        {"nothing to copy", [](char *b) { std::memcpy(b, b + 5, 0); }, [](char *b) { clib::memcpy(b, b + 5, 0); }},
    };
    for (const Row &row : rows) {
        char expected[] = "0123456789";
        char actual[] = "0123456789";
        row.library(expected);
        row.own(actual);
        EXPECT_EQ(std::string(expected, sizeof expected), std::string(actual, sizeof actual)) << row.label;
    }
    char target[8];
    EXPECT_EQ(target, clib::strcpy(target, "ab")) << "strcpy returns its target";
    EXPECT_EQ(target, clib::strcat(target, "cd")) << "strcat returns its target";
    EXPECT_EQ(target, clib::memset(target, 0, 4)) << "memset returns its target";
    EXPECT_EQ(target, clib::memmove(target, target + 1, 4)) << "memmove returns its target";
}

}  // namespace
