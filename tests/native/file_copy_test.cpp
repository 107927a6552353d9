#include "payload/file_copy.h"

#include <cstdlib>

#include "temp_dir.h"
#include "tests/result_printers.h"

namespace {

// Every copy in these tests takes its buffer from here: the sizes asked for are recorded, and
// requests above the limit fail as they would when memory is short.
std::vector<size_t> requestedSizes;
size_t allocationLimit = SIZE_MAX;

void *limitedAllocator(size_t size) {
    requestedSizes.push_back(size);
    return size <= allocationLimit ? std::malloc(size) : nullptr;
}

// The four entries with one signature, so a table can name them.
using CopyEntry = FileResult (*)(const char *source, const char *target, int32_t from, int32_t to);
FileResult wholeFile(const char *source, const char *target, int32_t, int32_t) { return copyWholeFile(source, target); }
FileResult prefix(const char *source, const char *target, int32_t, int32_t to) { return copyFilePrefix(source, target, to); }

class FileCopyTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        requestedSizes.clear();
        allocationLimit = SIZE_MAX;
        workBufferAllocator = limitedAllocator;
    }
    void TearDown() override {
        workBufferAllocator = allocateMemory;
        TempDirTest::TearDown();
    }
};

TEST_F(FileCopyTest, AllocWorkBufferHalvesUntilASizeBelow100HasFailed) {
    struct Row {
        const char *label;
        int32_t request;
        size_t limit;
        std::vector<size_t> tried;
        FileResult result;
    };
    const Row rows[] = {
        {"32766, nothing available", 32766, 0, {32766, 16383, 8191, 4095, 2047, 1023, 511, 255, 127, 63}, FileResult::NoBuffer},
        {"2048, nothing available", 2048, 0, {2048, 1024, 512, 256, 128, 64}, FileResult::NoBuffer},
        {"2048, 300 available", 2048, 300, {2048, 1024, 512, 256}, FileResult::Ok},
        {"0 asks for 65536", 0, SIZE_MAX, {65536}, FileResult::Ok},
        {"100 is still halved", 100, 0, {100, 50}, FileResult::NoBuffer},
        {"99 is not halved", 99, 0, {99}, FileResult::NoBuffer},
        {"a negative request asks for nothing", -5, SIZE_MAX, {}, FileResult::NoBuffer},
    };
    for (const Row &row : rows) {
        requestedSizes.clear();
        allocationLimit = row.limit;
        unsigned char *buffer = reinterpret_cast<unsigned char *>(&allocationLimit);  // must be cleared
        int32_t size = -7;
        EXPECT_EQ(row.result, allocWorkBuffer(row.request, &buffer, &size)) << row.label;
        EXPECT_EQ(row.tried, requestedSizes) << row.label;
        if (row.result == FileResult::Ok) {
            ASSERT_NE(nullptr, buffer) << row.label;
            EXPECT_EQ(row.tried.back(), static_cast<size_t>(size)) << row.label;
            buffer[size - 1] = 1;  // the whole size is usable
        } else {
            EXPECT_EQ(nullptr, buffer) << row.label;
            EXPECT_EQ(0, size) << row.label;
            buffer = nullptr;
        }
        freeWorkBuffer(&buffer);
        EXPECT_EQ(nullptr, buffer) << row.label;
        freeWorkBuffer(&buffer);  // a second release does nothing
    }
}

// An existing target starts with other bytes: the "w+b" entries replace them, appending keeps them.
TEST_F(FileCopyTest, TheTargetGetsExactlyTheRange) {
    struct Row {
        const char *label;
        CopyEntry copy;
        size_t sourceSize;
        int32_t from, to;  // prefix copies [0, to)
        bool targetExists;
        size_t limit;
        size_t firstRequest;
    };
    const Row rows[] = {
        {"whole 65532-byte file: two full chunks, one empty pass", wholeFile, 65532, 0, INT32_MAX, true, SIZE_MAX,
         32766},
        {"prefix shorter than a chunk", prefix, 5000, 0, 1000, true, SIZE_MAX, 1000},
        {"several chunks, ending mid-chunk", copyFileSlice, 120000, 7, 7 + 3 * 32766 + 1234, true, SIZE_MAX, 32766},
        {"124-byte chunks, ending mid-chunk", copyFileSlice, 5000, 3, 4000, true, 130, 3997},
        {"range running past the end", copyFileSlice, 65532, 60000, INT32_MAX, true, SIZE_MAX, 32766},
        {"[10, 20) of a 5-byte file", copyFileSlice, 5, 10, 20, false, SIZE_MAX, 10},
        {"empty range still truncates", copyFileSlice, 100, 40, 40, true, SIZE_MAX, 1},
        {"inverted range copies nothing", copyFileSlice, 100, 50, 10, true, SIZE_MAX, 1},
        {"append onto a missing target creates it", appendFileSlice, 50000, 100, 40000, false, SIZE_MAX, 32766},
        {"append onto an existing target", appendFileSlice, 50000, 100, 40000, true, SIZE_MAX, 32766},
        {"append of an empty range", appendFileSlice, 50000, 100, 100, true, SIZE_MAX, 1},
    };
    const std::vector<unsigned char> old(300, 0xEE);
    for (const Row &row : rows) {
        requestedSizes.clear();
        allocationLimit = row.limit;
        const std::string source = writeFile("source.bin", pattern(row.sourceSize));
        const std::string target = path("target.bin");
        std::filesystem::remove(target);
        if (row.targetExists) writeFile("target.bin", old);
        EXPECT_EQ(FileResult::Ok, row.copy(source.c_str(), target.c_str(), row.from, row.to)) << row.label;
        EXPECT_TRUE(std::filesystem::exists(target)) << row.label;
        auto expected = row.copy == appendFileSlice && row.targetExists ? old : std::vector<unsigned char>();
        const auto sourceBytes = pattern(row.sourceSize);
        for (int64_t at = row.from; at < row.to && at < static_cast<int64_t>(row.sourceSize); ++at) {
            expected.push_back(sourceBytes[static_cast<size_t>(at)]);
        }
        EXPECT_EQ(expected, readFile(target)) << row.label;
        ASSERT_FALSE(requestedSizes.empty()) << row.label;
        EXPECT_EQ(row.firstRequest, requestedSizes.front()) << row.label;
    }
}

TEST_F(FileCopyTest, FailuresReturnTheirCodeAndLeaveTheTargetAsOpened) {
    enum Source { PRESENT, MISSING, DIRECTORY };
    struct Row {
        const char *label;
        Source source;
        const char *target;  // a name in the test directory, or an absolute path
        FileMode mode;
        int32_t from, to;
        size_t limit;
        FileResult result;
        bool targetCreated;
    };
    const Row rows[] = {
        {"missing source, w+b", MISSING, "target.bin", FileMode::Create, 0, 100, SIZE_MAX, FileResult::OpenFailed, true},
        {"missing source, ab", MISSING, "target.bin", FileMode::Append, 0, 100, SIZE_MAX, FileResult::OpenFailed, true},
        {"target in a missing directory", PRESENT, "no/target.bin", FileMode::Create, 0, 100, SIZE_MAX, FileResult::OpenFailed, false},
        {"every allocation fails: nothing is opened", PRESENT, "target.bin", FileMode::Create, 0, 100, 0, FileResult::NoBuffer, false},
        {"from before the start", PRESENT, "target.bin", FileMode::Create, -5, 100, SIZE_MAX, FileResult::SeekFailed, true},
        {"read error in the source ends the copy", DIRECTORY, "target.bin", FileMode::Create, 0, 100, SIZE_MAX, FileResult::ShortRead,
         true},
        {"target that cannot take the bytes", PRESENT, "/dev/full", FileMode::Create, 0, 100, SIZE_MAX, FileResult::ShortWrite, true},
    };
    for (const Row &row : rows) {
        allocationLimit = row.limit;
        std::filesystem::remove(path("target.bin"));
        std::string source = path("source");
        std::filesystem::remove_all(source);
        if (row.source == PRESENT) writeFile("source", pattern(1000));
        if (row.source == DIRECTORY) std::filesystem::create_directory(source);
        const std::string target = row.target[0] == '/' ? row.target : path(row.target);

        EXPECT_EQ(row.result, copyFileRange(source.c_str(), target.c_str(), row.from, row.to, row.mode)) << row.label;
        EXPECT_EQ(row.targetCreated, std::filesystem::exists(target)) << row.label;
        if (row.targetCreated && row.target[0] != '/') {
            EXPECT_TRUE(readFile(target).empty()) << row.label;
        }
    }
}

}  // namespace
