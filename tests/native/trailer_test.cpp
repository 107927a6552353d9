#include "payload/trailer.h"

#include "payload/signature.h"

#include <cstring>

#include "signed_file.h"
#include "temp_dir.h"
#include "tests/result_printers.h"

namespace {

// The last 44 bytes of an installed saver file of 386,300 bytes written on the win95 class.
const unsigned char EXAMPLE_TRAILER[TRAILER_SIZE] = {
    0x46, 0x70, 0x6F, 0x57, 0xB0, 0x76, 0x03, 0x00, 0x20, 0xAC, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x96, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x20, 0x01, 0x00, 0x08, 0x2E,
    0x02, 0x00, 0xC5, 0xA2, 0xFC, 0x00, 0x04, 0x40, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44};
constexpr size_t EXAMPLE_FILE_SIZE = 386300;

std::vector<unsigned char> withTrailer(std::vector<unsigned char> body, const unsigned char *trailer) {
    body.insert(body.end(), trailer, trailer + TRAILER_SIZE);
    return body;
}

class TrailerTest : public TempDirTest {};

TEST_F(TrailerTest, ReadsTheExampleSaverFileFieldByField) {
    const auto bytes = withTrailer(pattern(EXAMPLE_FILE_SIZE - TRAILER_SIZE), EXAMPLE_TRAILER);
    const std::string file = writeFile("FISH.scr", bytes);
    PayloadTrailer t;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(file.c_str(), &t));
    EXPECT_EQ(TRAILER_MAGIC, t.magic);
    EXPECT_EQ(0x376B0u, t.reserved1);
    EXPECT_EQ(175136u, t.imageASize);
    EXPECT_EQ(0u, t.reserved2);
    EXPECT_EQ(169472u, t.imageBSize);
    EXPECT_EQ(0u, t.reserved3);
    EXPECT_EQ(73928u, t.splash1Size);
    EXPECT_EQ(142856u, t.splash2Size);
    EXPECT_EQ(16556741u, t.playerSize);
    EXPECT_EQ(0x4004u, t.flags);
    EXPECT_EQ(0x44332211u, t.reserved4);
    EXPECT_EQ(bytes, readFile(file)) << "reading must not change the file";

    int32_t first = 0, second = 0;
    ASSERT_EQ(FileResult::Ok, splashOffsets(t, false, &first, &second));
    EXPECT_EQ(0x29600, first);
    EXPECT_EQ(0x3B6C8, second);
    EXPECT_EQ(0x5E4D0u, second + t.splash2Size) << "bitmap 2 ends where the trailer starts";
    ASSERT_EQ(FileResult::Ok, splashOffsets(t, true, &first, &second));
    EXPECT_EQ(175136, first) << "the win31 class reads after image A";
    EXPECT_EQ(175136 + 73928, second);
}

TEST_F(TrailerTest, WriteThenReadRoundTripsEveryWordAndSetsTheMagic) {
    const auto body = pattern(1000);
    const std::string file = writeFile("engine.exe", body);
    PayloadTrailer written = {0xDEADBEEF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(FileResult::Ok, writePayloadTrailer(file.c_str(), &written));
    EXPECT_EQ(TRAILER_MAGIC, written.magic) << "the caller's copy carries the magic written";
    const auto after = readFile(file);
    ASSERT_EQ(body.size() + TRAILER_SIZE, after.size()) << "a file without a trailer grows by 44 bytes";
    EXPECT_TRUE(std::equal(body.begin(), body.end(), after.begin())) << "the body is kept";
    EXPECT_EQ(0, std::memcmp(after.data() + body.size(), "FpoW", 4));

    PayloadTrailer read;
    ASSERT_EQ(FileResult::Ok, readPayloadTrailer(file.c_str(), &read));
    EXPECT_EQ(0, std::memcmp(&written, &read, sizeof read));
}

// Writing replaces the trailer a file ends in; appending, for a file built from parts whose last
// part may end in a trailer of its own, always adds one and keeps every byte before it.
TEST_F(TrailerTest, WriteReplacesAnEndingTrailerAppendAlwaysAddsOne) {
    struct Row {
        const char *label;
        FileResult (*store)(const char *, PayloadTrailer *);
        bool endsInTrailer;
        size_t added;
    };
    const Row rows[] = {
        {"write over a trailer", writePayloadTrailer, true, 0},
        {"write to a file without one", writePayloadTrailer, false, TRAILER_SIZE},
        {"append after a trailer", appendPayloadTrailer, true, TRAILER_SIZE},
        {"append to a file without one", appendPayloadTrailer, false, TRAILER_SIZE},
    };
    for (const Row &row : rows) {
        const auto bytes = row.endsInTrailer ? withTrailer(pattern(500), EXAMPLE_TRAILER) : pattern(500);
        const std::string file = writeFile("FISH.scr", bytes);
        PayloadTrailer record = {};
        record.playerSize = 12345;
        ASSERT_EQ(FileResult::Ok, row.store(file.c_str(), &record)) << row.label;
        EXPECT_EQ(TRAILER_MAGIC, record.magic) << row.label;
        const auto after = readFile(file);
        ASSERT_EQ(bytes.size() + row.added, after.size()) << row.label;
        const size_t kept = row.added == 0 ? bytes.size() - TRAILER_SIZE : bytes.size();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<long>(kept), after.begin())) << row.label;
        PayloadTrailer read;
        ASSERT_EQ(FileResult::Ok, readPayloadTrailer(file.c_str(), &read)) << row.label;
        EXPECT_EQ(12345u, read.playerSize) << row.label;
        EXPECT_EQ(0u, read.flags) << row.label;
    }
}

TEST_F(TrailerTest, AFileEndingInFpowAtSizeMinus44CountsAsHavingATrailer) {
    auto bytes = pattern(44);
    std::memcpy(bytes.data(), "FpoW", 4);
    const std::string file = writeFile("exact.bin", bytes);
    PayloadTrailer t;
    EXPECT_EQ(FileResult::Ok, readPayloadTrailer(file.c_str(), &t));
}

// Every failure of the reader and the writer, with what the file looks like afterwards.
TEST_F(TrailerTest, FailuresReturnTheirCodesAndLeaveTheFileAlone) {
    struct Row {
        const char *label;
        size_t size;   // bytes in the file; SIZE_MAX means the file does not exist
        bool write;
        FileResult expected;
        size_t sizeAfter;
    };
    const Row rows[] = {
        {"read, no trailer", 100, false, FileResult::ShortWrite, 100},
        {"read, 43 bytes", 43, false, FileResult::SeekFailed, 43},
        {"read, empty file", 0, false, FileResult::SeekFailed, 0},
        {"write, 43 bytes", 43, true, FileResult::SeekFailed, 43},
        {"read, missing file", SIZE_MAX, false, FileResult::OpenFailed, SIZE_MAX},
        {"write, missing file", SIZE_MAX, true, FileResult::OpenFailed, SIZE_MAX},
    };
    for (const Row &row : rows) {
        const std::string file = row.size == SIZE_MAX ? path("missing.bin") : writeFile("f.bin", pattern(row.size));
        PayloadTrailer record = {};
        const FileResult result = row.write ? writePayloadTrailer(file.c_str(), &record) : readPayloadTrailer(file.c_str(), &record);
        EXPECT_EQ(row.expected, result) << row.label;
        if (row.sizeAfter == SIZE_MAX) {
            EXPECT_FALSE(std::filesystem::exists(file)) << row.label << ": no file may be created";
        } else {
            EXPECT_EQ(pattern(row.size), readFile(file)) << row.label << ": the file must be unchanged";
        }
    }
}

// A file as a signing tool leaves an engine file: a PE header at 0x80, a body, the trailer,
// zero bytes that align the certificate table to 8, and the table; the security entry names the
// table unless a row says otherwise.
std::vector<unsigned char> signedFile(const Signing &how) {
    std::vector<unsigned char> bytes = peFile(how);
    bytes.insert(bytes.end(), EXAMPLE_TRAILER, EXAMPLE_TRAILER + TRAILER_SIZE);
    return how.tableSize == 0 ? bytes : signFile(bytes, how);
}

// The trailer of a signed file ends where its certificate table starts, past the alignment; an
// entry that names no table ending the file counts as none, and the trailer is then looked for
// at the end, where a signed file has none.
TEST_F(TrailerTest, ASignedFileKeepsItsTrailerBeforeItsCertificateTable) {
    struct Row {
        const char *label;
        Signing how;
        FileResult expected;
        int64_t end;  // the payload's end: -1 the file's size, else bytes before the table's start
        bool signedFile;
    };
    auto with = [](auto change) {
        Signing how;
        change(how);
        return how;
    };
    const Row rows[] = {
        {"unsigned", with([](Signing &h) { h.tableSize = 0; }), FileResult::Ok, -1, false},
        {"aligned already", with([](Signing &h) { h.bodySize = 1004; }), FileResult::Ok, 0, true},
        {"4 bytes of alignment", with([](Signing &h) { h.bodySize = 1000; }), FileResult::Ok, 4, true},
        {"7 bytes of alignment", with([](Signing &h) { h.bodySize = 1005; }), FileResult::Ok, 7, true},
        {"PE32+ header", with([](Signing &h) { h.magic = 0x20B; }), FileResult::Ok, 4, true},
        {"alignment that is not zero", with([](Signing &h) { h.paddingByte = 0xCC; }), FileResult::ShortWrite, -1,
         false},
        {"entry past the file's end", with([](Signing &h) { h.entrySize = 1488; }), FileResult::ShortWrite, -1, false},
        {"entry whose sum wraps 32 bits", with([](Signing &h) { h.entrySize = 0xFFFFFFF8; }), FileResult::ShortWrite,
         -1, false},
        {"table that does not end the file", with([](Signing &h) { h.trailingBytes = 8; }), FileResult::ShortWrite, -1,
         false},
        {"entry into the payload",
         with([](Signing &h) { h.entryOffset = 512, h.entrySize = 1000 + 4 + 44 + 1480 - 512; }),
         FileResult::ShortWrite, -1, false},
        {"entry into the headers",
         with([](Signing &h) { h.entryOffset = 0x40, h.entrySize = 1000 + 4 + 44 + 1480 - 0x40; }),
         FileResult::ShortWrite, -1, false},
        {"table unaligned", with([](Signing &h) { h.bodySize = 1004, h.entryOffset = 1044, h.entrySize = 1484; }),
         FileResult::ShortWrite, -1, false},
        {"table shorter than a certificate header", with([](Signing &h) { h.tableSize = 4; }), FileResult::ShortWrite,
         -1, false},
        {"no security directory", with([](Signing &h) { h.directories = 4; }), FileResult::ShortWrite, -1, false},
        {"optional header of another magic", with([](Signing &h) { h.magic = 0x107; }), FileResult::ShortWrite, -1,
         false},
    };
    for (const Row &row : rows) {
        const auto bytes = signedFile(row.how);
        const std::string file = writeFile("FISH.exe", bytes);
        PayloadTrailer t = {};
        PayloadPlace place = {1, 2, 3};
        EXPECT_EQ(row.expected, readPayloadTrailer(file.c_str(), &t, &place)) << row.label;
        EXPECT_EQ(bytes, readFile(file)) << row.label << ": reading must not change the file";
        if (row.expected != FileResult::Ok) continue;
        const uint32_t table = static_cast<uint32_t>(bytes.size()) - row.how.tableSize;
        const uint32_t end = row.end < 0 ? static_cast<uint32_t>(bytes.size()) : table - static_cast<uint32_t>(row.end);
        EXPECT_EQ(end, place.end) << row.label;
        EXPECT_EQ(row.signedFile ? table : 0u, place.certificateOffset) << row.label;
        EXPECT_EQ(row.signedFile ? row.how.tableSize : 0u, place.certificateSize) << row.label;
        EXPECT_EQ(16556741u, t.playerSize) << row.label;
    }
}

// The header fields that an install clears in the saver it writes, found in either form.
TEST(PeSignatureFields, NameTheChecksumAndTheSecurityEntryOfBothForms) {
    for (uint16_t magic : {uint16_t{0x10B}, uint16_t{0x20B}}) {
        Signing how;
        how.magic = magic;
        const auto bytes = signedFile(how);
        PeSignatureFields fields;
        ASSERT_EQ(0x80u, peHeaderOffset(bytes.data()));
        ASSERT_TRUE(readPeSignatureFields(bytes.data() + 0x80, PE_HEADER_WINDOW, 0x80, &fields)) << magic;
        EXPECT_EQ(0x80u + 24 + 64, fields.checksumAt) << magic;
        EXPECT_EQ(0x80u + 24 + (magic == 0x10B ? 128 : 144), fields.securityEntryAt) << magic;
        EXPECT_EQ(0x80u + 24 + (magic == 0x10B ? 224 : 240), fields.headersEnd) << magic;
        EXPECT_EQ(1480u, fields.certificateSize) << magic;
        EXPECT_FALSE(readPeSignatureFields(bytes.data() + 0x80, 24 + 100, 0x80, &fields)) << magic << ": cut short";
        EXPECT_FALSE(readPeSignatureFields(bytes.data() + 0x80, PE_HEADER_WINDOW, 0xFFFFFFF0u, &fields))
            << magic << ": a header offset whose sums would wrap";
    }
}

TEST(TrailerOffsets, SumsPastTheSignedRangeFailInsteadOfWrapping) {
    struct Row {
        const char *label;
        uint32_t imageBSize;
        uint32_t splash1Size;
        FileResult expected;
    };
    const Row rows[] = {
        {"largest image, no splash", 0x7FFFFFFFu, 0, FileResult::Ok},
        {"image and splash add to 2^31 - 1", 0x7FFFFF00u, 0xFF, FileResult::Ok},
        {"image and splash pass 2^31 - 1 by one", 0x7FFFFF00u, 0x100, FileResult::SeekFailed},
        {"image alone passes 2^31 - 1", 0x80000000u, 0, FileResult::SeekFailed},
        {"sizes that wrap 32 bits", 0xFFFFFFF0u, 0x20, FileResult::SeekFailed},
    };
    for (const Row &row : rows) {
        PayloadTrailer t = {};
        t.imageBSize = row.imageBSize;
        t.splash1Size = row.splash1Size;
        int32_t first = -7, second = -7;
        const FileResult result = splashOffsets(t, false, &first, &second);
        EXPECT_EQ(row.expected, result) << row.label;
        if (result == FileResult::Ok) {
            EXPECT_GE(first, 0) << row.label;
            EXPECT_GE(second, first) << row.label;
        }
    }
}

TEST(InstallerLayout, PartsMustFitTheFileAndTheSignedRange) {
    // The installer file behind the example saver: 17,118,177 bytes, player at 561,392.
    PayloadTrailer t = {};
    t.imageASize = 175136;
    t.imageBSize = 169472;
    t.splash1Size = 73928;
    t.splash2Size = 142856;
    t.playerSize = 16556741;
    InstallerLayout layout = {};
    ASSERT_EQ(FileResult::Ok, installerLayout(t, 17118177u, &layout));
    EXPECT_EQ(175136, layout.imageB);
    EXPECT_EQ(344608, layout.splash);
    EXPECT_EQ(561392, layout.player);
    EXPECT_EQ(17118133, layout.trailer);

    struct Row {
        const char *label;
        uint32_t fileSize;
        uint32_t playerSize;
        FileResult expected;
    };
    const Row rows[] = {
        {"one byte short: truncated", 17118176u, 16556741u, FileResult::SeekFailed},
        {"room to spare", 20000000u, 16556741u, FileResult::Ok},
        {"player size passes 2^31 - 1", 0xFFFFFFFFu, 0x7FFFFFFFu, FileResult::SeekFailed},
        {"sum with the trailer passes 2^31 - 1", 0xFFFFFFFFu, 0x7FFFFFFFu - 561392u - 43u, FileResult::SeekFailed},
        {"sum with the trailer is 2^31 - 1", 0xFFFFFFFFu, 0x7FFFFFFFu - 561392u - 44u, FileResult::Ok},
    };
    for (const Row &row : rows) {
        t.playerSize = row.playerSize;
        EXPECT_EQ(row.expected, installerLayout(t, row.fileSize, &layout)) << row.label;
    }
}

}  // namespace
