#include "payload/trailer.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int WORD_COUNT = TRAILER_SIZE / 4;

void encodeTrailer(const PayloadTrailer &record, unsigned char bytes[TRAILER_SIZE]) {
    uint32_t words[WORD_COUNT];
    std::memcpy(words, &record, sizeof words);
    for (int i = 0; i < WORD_COUNT; ++i) {
        for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<unsigned char>(words[i] >> (8 * b));
    }
}

uint32_t decodeWord(const unsigned char *bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void decodeTrailer(const unsigned char bytes[TRAILER_SIZE], PayloadTrailer *record) {
    uint32_t words[WORD_COUNT];
    for (int i = 0; i < WORD_COUNT; ++i) words[i] = decodeWord(bytes + i * 4);
    std::memcpy(record, words, sizeof words);
}

// One pass over the file with the steps of a trailer access; the caller closes the file.
int accessOpenFile(FILE *file, PayloadTrailer *readInto, PayloadTrailer *writeFrom) {
    unsigned char scratch[TRAILER_SIZE] = {};
    if (std::fseek(file, -TRAILER_SIZE, SEEK_END) != 0) return FILE_SEEK_FAILED;
    if (std::fread(scratch, 1, 4, file) != 4) return FILE_SHORT_READ;

    if (decodeWord(scratch) != TRAILER_MAGIC) {
        // No trailer yet: append an empty slot. A read-only stream fails here with -4,
        // which is how a reader learns that the file has no trailer.
        PayloadTrailer slot = {};
        slot.magic = TRAILER_MAGIC;
        encodeTrailer(slot, scratch);
        if (std::fseek(file, 0, SEEK_END) != 0) return FILE_SEEK_FAILED;
        if (std::fwrite(scratch, 1, TRAILER_SIZE, file) != TRAILER_SIZE) return FILE_SHORT_WRITE;
    }

    if (std::fseek(file, -TRAILER_SIZE, SEEK_END) != 0) return FILE_SEEK_FAILED;
    if (writeFrom != nullptr) {
        writeFrom->magic = TRAILER_MAGIC;
        encodeTrailer(*writeFrom, scratch);
        if (std::fwrite(scratch, 1, TRAILER_SIZE, file) != TRAILER_SIZE) return FILE_SHORT_WRITE;
        return FILE_OK;
    }
    if (std::fread(scratch, 1, TRAILER_SIZE, file) != TRAILER_SIZE) return FILE_SHORT_READ;
    decodeTrailer(scratch, readInto);
    return FILE_OK;
}

}  // namespace

int accessPayloadTrailer(const char *path, PayloadTrailer *readInto, PayloadTrailer *writeFrom) {
    FILE *file = std::fopen(path, writeFrom != nullptr ? "rb+" : "rb");
    if (file == nullptr) return FILE_OPEN_FAILED;
    int result = accessOpenFile(file, readInto, writeFrom);
    if (std::fclose(file) != 0 && result == FILE_OK && writeFrom != nullptr) result = FILE_SHORT_WRITE;
    return result;
}

int readPayloadTrailer(const char *path, PayloadTrailer *out) { return accessPayloadTrailer(path, out, nullptr); }

int writePayloadTrailer(const char *path, PayloadTrailer *record) {
    return accessPayloadTrailer(path, nullptr, record);
}

int appendPayloadTrailer(const char *path, PayloadTrailer *record) {
    FILE *file = std::fopen(path, "ab");
    if (file == nullptr) return FILE_OPEN_FAILED;
    record->magic = TRAILER_MAGIC;
    unsigned char bytes[TRAILER_SIZE];
    encodeTrailer(*record, bytes);
    int result = std::fwrite(bytes, 1, TRAILER_SIZE, file) == TRAILER_SIZE ? FILE_OK : FILE_SHORT_WRITE;
    if (std::fclose(file) != 0 && result == FILE_OK) result = FILE_SHORT_WRITE;
    return result;
}

int addPartSize(int32_t offset, uint32_t size, int32_t *sum) {
    const int64_t total = static_cast<int64_t>(offset) + static_cast<int64_t>(size);
    if (offset < 0 || total > INT32_MAX) return FILE_SEEK_FAILED;
    *sum = static_cast<int32_t>(total);
    return FILE_OK;
}

int splashOffsets(const PayloadTrailer &trailer, bool win31, int32_t *first, int32_t *second) {
    int32_t base = 0;
    int result = addPartSize(0, win31 ? trailer.imageASize : trailer.imageBSize, &base);
    if (result == FILE_OK) result = addPartSize(base, trailer.splash1Size, second);
    if (result == FILE_OK) *first = base;
    return result;
}

int installerLayout(const PayloadTrailer &trailer, uint32_t fileSize, InstallerLayout *layout) {
    InstallerLayout at = {};
    int32_t splash2 = 0;
    int32_t end = 0;
    int result = addPartSize(0, trailer.imageASize, &at.imageB);
    if (result == FILE_OK) result = addPartSize(at.imageB, trailer.imageBSize, &at.splash);
    if (result == FILE_OK) result = addPartSize(at.splash, trailer.splash1Size, &splash2);
    if (result == FILE_OK) result = addPartSize(splash2, trailer.splash2Size, &at.player);
    if (result == FILE_OK) result = addPartSize(at.player, trailer.playerSize, &at.trailer);
    if (result == FILE_OK) result = addPartSize(at.trailer, TRAILER_SIZE, &end);
    if (result == FILE_OK && static_cast<uint32_t>(end) > fileSize) result = FILE_SEEK_FAILED;
    if (result == FILE_OK) *layout = at;
    return result;
}
