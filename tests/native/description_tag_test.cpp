#include "payload/description_tag.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "payload/file_copy.h"
#include "temp_dir.h"
#include "tests/result_printers.h"

namespace {

constexpr FileResult OK = FileResult::Ok;
constexpr size_t TAG_LENGTH = sizeof DESCRIPTION_TAG - 1;
constexpr unsigned char FILLER = 0x90;  // no NUL and no letter of the tag

std::vector<unsigned char> overlay(std::vector<unsigned char> bytes, size_t at, const std::string &run) {
    for (size_t i = 0; i < run.size() && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<unsigned char>(run[i]);
    return bytes;
}

// The length byte at at - 1, the tag at at, then text, its NUL and `zeros` more zero bytes.
std::vector<unsigned char> withTag(std::vector<unsigned char> bytes, size_t at, const std::string &text, size_t zeros) {
    bytes[at - 1] = static_cast<unsigned char>(TAG_LENGTH + text.size());
    return overlay(std::move(bytes), at, DESCRIPTION_TAG + text + std::string(zeros + 1, '\0'));
}

std::vector<unsigned char> tagged(size_t size, size_t at, const std::string &text, size_t zeros) {
    return withTag(std::vector<unsigned char>(size, FILLER), at, text, zeros);
}

class DescriptionTagTest : public TempDirTest {
protected:
    void TearDown() override {
        workBufferAllocator = allocateMemory;
        TempDirTest::TearDown();
    }
};

// Every row is read, written with newText, and read again.
TEST_F(DescriptionTagTest, ReadsAndWritesTheFirstTagInTheWindow) {
    struct Row {
        const char *label;
        std::vector<unsigned char> bytes;
        size_t tagAt;
        std::string stored;
        std::string newText;
        FileResult readResult, writeResult;
    };
    const std::string longest(259, 'x');
    const Row rows[] = {
        {"4096-byte example, empty text", tagged(4096, 100, "", 16), 100, "", "Fish", OK, OK},
        {"new text exactly fills the zero run", tagged(4096, 100, "", 4), 100, "", "Fish", OK, OK},
        {"zero run one byte short", tagged(4096, 100, "", 3), 100, "", "Fish", OK, FileResult::SeekFailed},
        {"no zero byte after the NUL", tagged(4096, 100, "", 0), 100, "", "Fish", OK, FileResult::SeekFailed},
        {"tag at offset 2", tagged(4096, 2, "", 16), 2, "", "Fish", OK, OK},
        {"tag at offset 1", tagged(4096, 1, "", 16), 1, "", "Fish", FileResult::SeekFailed, FileResult::SeekFailed},
        {"tag at 2037..2046, NUL at 2047: no room to the window's end", tagged(4096, 2037, "", 16), 2037, "", "Fish", OK,
         FileResult::SeekFailed},
        {"NUL at 2048", tagged(4096, 2038, "", 16), 2038, "", "", FileResult::SeekFailed, FileResult::SeekFailed},
        {"text runs to the window's end without a NUL", tagged(4096, 2000, std::string(100, 'x'), 16), 2000, "", "",
         FileResult::SeekFailed, FileResult::SeekFailed},
        {"text of 259 characters", tagged(4096, 100, longest, 16), 100, longest, "", OK, OK},
        {"text of 260 characters", tagged(4096, 100, longest + "x", 16), 100, "", "", FileResult::SeekFailed,
         FileResult::SeekFailed},
        {"the same tag twice: the first counts", withTag(tagged(4096, 100, "one", 8), 500, "two", 8), 100, "one",
         "Fish", OK, OK},
        {"a space and a partial tag earlier in the run", overlay(tagged(4096, 100, "", 8), 88, " x SCRNSAVE"), 100, "",
         "Fish", OK, OK},
        {"stored text stays in front of the new one", tagged(4096, 100, "Old", 8), 100, "Old", "Fish", OK, OK},
        {"length byte counts modulo 256", tagged(4096, 100, "", 300), 100, "", std::string(250, 'y'), OK, OK},
        {"stored and new text of 259 characters together", tagged(4096, 100, std::string(200, 'o'), 300), 100,
         std::string(200, 'o'), std::string(59, 'n'), OK, OK},
        {"stored and new text of 260 characters together: the reader would not take it",
         tagged(4096, 100, std::string(200, 'o'), 300), 100, std::string(200, 'o'), std::string(60, 'n'), OK,
         FileResult::SeekFailed},
        {"no tag", std::vector<unsigned char>(4096, FILLER), 0, "", "Fish", FileResult::SeekFailed, FileResult::SeekFailed},
        {"2047-byte file", tagged(2047, 100, "", 16), 100, "", "Fish", FileResult::ShortRead, FileResult::ShortRead},
    };
    for (const Row &row : rows) {
        const std::string file = writeFile("engine.scr", row.bytes);
        char text[TAG_TEXT_CAPACITY];
        std::memset(text, 'Z', sizeof text);
        EXPECT_EQ(row.readResult, readDescriptionTag(file.c_str(), DESCRIPTION_TAG, text)) << row.label;
        EXPECT_EQ(row.stored, text) << row.label;

        EXPECT_EQ(row.writeResult, writeDescriptionTag(file.c_str(), DESCRIPTION_TAG, row.newText.c_str()))
            << row.label;
        auto expected = row.bytes;
        if (row.writeResult == OK) {
            expected[row.tagAt - 1] = static_cast<unsigned char>((TAG_LENGTH + row.newText.size()) & 0xFF);
            expected = overlay(expected, row.tagAt + TAG_LENGTH + row.stored.size(), row.newText + '\0');
            EXPECT_EQ(FileResult::Ok, readDescriptionTag(file.c_str(), DESCRIPTION_TAG, text)) << row.label;
            EXPECT_EQ(row.stored + row.newText, text) << row.label;
        }
        EXPECT_EQ(expected, readFile(file)) << row.label;
    }
}

TEST_F(DescriptionTagTest, ReadingNeedsNoWriteAccess) {
    struct Row {
        const char *label;
        std::string file;
        FileResult readResult, writeResult;
    };
    const Row rows[] = {
        {"missing file", path("missing.scr"), FileResult::OpenFailed, FileResult::OpenFailed},
        {"read-only file", writeFile("readonly.scr", tagged(4096, 100, "Fish", 8)), OK, FileResult::OpenFailed},
        // The kernel refuses to open a running executable for writing, even for root.
        {"this running test program (no tag)", "/proc/self/exe", FileResult::SeekFailed, FileResult::OpenFailed},
    };
    ASSERT_EQ(0, chmod(rows[1].file.c_str(), 0444));
    for (const Row &row : rows) {
        char text[TAG_TEXT_CAPACITY];
        EXPECT_EQ(row.readResult, readDescriptionTag(row.file.c_str(), DESCRIPTION_TAG, text)) << row.label;
        EXPECT_EQ(row.readResult == OK ? "Fish" : "", std::string(text)) << row.label;
        // Root may open a read-only file for writing, so there the row proves nothing about modes.
        if (row.readResult == OK && geteuid() == 0) continue;
        EXPECT_EQ(row.writeResult, writeDescriptionTag(row.file.c_str(), DESCRIPTION_TAG, "Cod")) << row.label;
    }
    EXPECT_FALSE(std::filesystem::exists(rows[0].file)) << "writing must not create a file";
}

size_t allocationLimit = 0;
void *limitedAllocator(size_t size) { return size <= allocationLimit ? std::malloc(size) : nullptr; }

TEST_F(DescriptionTagTest, AWindowBufferSmallerThan2048BytesIsNoBuffer) {
    struct Row {
        const char *label;
        size_t limit;
    };
    const Row rows[] = {{"no memory at all", 0}, {"1024 bytes at most", 1024}};
    const auto bytes = tagged(4096, 100, "", 16);
    workBufferAllocator = limitedAllocator;
    for (const Row &row : rows) {
        allocationLimit = row.limit;
        const std::string file = writeFile("engine.scr", bytes);
        char text[TAG_TEXT_CAPACITY] = "Z";
        EXPECT_EQ(FileResult::NoBuffer, readDescriptionTag(file.c_str(), DESCRIPTION_TAG, text)) << row.label;
        EXPECT_STREQ("", text) << row.label;
        EXPECT_EQ(FileResult::NoBuffer, writeDescriptionTag(file.c_str(), DESCRIPTION_TAG, "Fish")) << row.label;
        EXPECT_EQ(bytes, readFile(file)) << row.label;
    }
}

TEST(FindTagInBuffer, NeverLooksOutsideTheBuffer) {
    struct Row {
        const char *label;
        const char *tag;
        std::string buffer;
        int32_t end, tagPosition;
    };
    const Row rows[] = {
        {"tag at 2, text, NUL at the last byte", DESCRIPTION_TAG, std::string("ab") + DESCRIPTION_TAG + "t" + '\0', 14,
         2},
        {"empty tag", "", std::string("abcdef") + '\0', 0, 0},
        {"tag longer than the buffer", DESCRIPTION_TAG, "abSCRNSAVE", 0, 0},
        {"one-byte buffer", "a", "a", 0, 0},
    };
    for (const Row &row : rows) {
        // A heap copy of exactly the buffer's size, so a read past it is caught.
        std::vector<unsigned char> buffer(row.buffer.begin(), row.buffer.end());
        int32_t at = -1;
        EXPECT_EQ(row.end, findTagInBuffer(row.tag, buffer.data(), static_cast<int32_t>(buffer.size()), &at))
            << row.label;
        EXPECT_EQ(row.tagPosition, at) << row.label;
    }
}

}  // namespace
