#include "payload/trailer.h"

#include <cstring>

#include "payload/signature.h"

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

}  // namespace

FileResult locatePayload(SystemFile *file, PayloadPlace *place) {
    uint32_t size = 0;
    if (!sizeOfSystemFile(file, &size)) return FileResult::SeekFailed;
    *place = PayloadPlace{size, 0, 0};
    PeSignatureFields pe;
    if (!readPeSignature(file, &pe) || !certificateEndsFile(pe, size)) return FileResult::Ok;
    // The trailer and up to 7 bytes of alignment, read at once; the first zero run behind a magic
    // word, shortest first, is taken.
    constexpr int32_t ALIGNMENT = 7;
    unsigned char before[TRAILER_SIZE + ALIGNMENT];
    const uint32_t table = pe.certificateOffset;
    if (table < sizeof before) return FileResult::Ok;
    if (!seekSystemFile(file, static_cast<int32_t>(table - sizeof before), SeekOrigin::Start) ||
        readSystemFile(file, before, static_cast<int32_t>(sizeof before)) != static_cast<int32_t>(sizeof before)) {
        return FileResult::Ok;
    }
    for (int32_t padding = 0; padding <= ALIGNMENT; ++padding) {
        const int32_t end = static_cast<int32_t>(sizeof before) - padding;
        if (padding > 0 && before[end] != 0) return FileResult::Ok;
        if (decodeWord(before + end - TRAILER_SIZE) == TRAILER_MAGIC) {
            *place = PayloadPlace{table - static_cast<uint32_t>(padding), table, pe.certificateSize};
            return FileResult::Ok;
        }
    }
    return FileResult::Ok;
}

FileResult accessPayloadTrailerIn(SystemFile *file, PayloadTrailer *readInto, PayloadTrailer *writeFrom,
                                  PayloadPlace *placeOut) {
    unsigned char scratch[TRAILER_SIZE] = {};
    PayloadPlace place;
    const FileResult located = locatePayload(file, &place);
    if (located != FileResult::Ok) return located;
    if (place.end < static_cast<uint32_t>(TRAILER_SIZE)) return FileResult::SeekFailed;
    int32_t trailerAt = static_cast<int32_t>(place.end - TRAILER_SIZE);
    if (!seekSystemFile(file, trailerAt, SeekOrigin::Start)) return FileResult::SeekFailed;
    if (readSystemFile(file, scratch, 4) != 4) return FileResult::ShortRead;

    if (decodeWord(scratch) != TRAILER_MAGIC) {
        // No trailer yet (and so no signature that counts): append an empty slot. A file opened
        // to read fails here with -4, which is how a reader learns that the file has no trailer.
        PayloadTrailer slot = {};
        slot.magic = TRAILER_MAGIC;
        encodeTrailer(slot, scratch);
        if (!seekSystemFile(file, 0, SeekOrigin::End)) return FileResult::SeekFailed;
        if (!writeSystemFile(file, scratch, TRAILER_SIZE)) return FileResult::ShortWrite;
        trailerAt = static_cast<int32_t>(place.end);
        place.end += TRAILER_SIZE;
    }
    if (placeOut != nullptr) *placeOut = place;

    if (!seekSystemFile(file, trailerAt, SeekOrigin::Start)) return FileResult::SeekFailed;
    if (writeFrom != nullptr) {
        writeFrom->magic = TRAILER_MAGIC;
        encodeTrailer(*writeFrom, scratch);
        if (!writeSystemFile(file, scratch, TRAILER_SIZE)) return FileResult::ShortWrite;
        return FileResult::Ok;
    }
    if (readSystemFile(file, scratch, TRAILER_SIZE) != TRAILER_SIZE) return FileResult::ShortRead;
    decodeTrailer(scratch, readInto);
    return FileResult::Ok;
}

FileResult accessPayloadTrailer(const char *path, PayloadTrailer *readInto, PayloadTrailer *writeFrom,
                                PayloadPlace *place) {
    SystemFile *file = openSystemFile(path, writeFrom != nullptr ? FileMode::Update : FileMode::Read);
    if (file == nullptr) return FileResult::OpenFailed;
    FileResult result = accessPayloadTrailerIn(file, readInto, writeFrom, place);
    if (!closeSystemFile(&file) && result == FileResult::Ok && writeFrom != nullptr) result = FileResult::ShortWrite;
    return result;
}

FileResult readPayloadTrailer(const char *path, PayloadTrailer *out, PayloadPlace *place) {
    return accessPayloadTrailer(path, out, nullptr, place);
}

FileResult writePayloadTrailer(const char *path, PayloadTrailer *record) {
    return accessPayloadTrailer(path, nullptr, record);
}

FileResult appendPayloadTrailer(const char *path, PayloadTrailer *record) {
    SystemFile *file = openSystemFile(path, FileMode::Append);
    if (file == nullptr) return FileResult::OpenFailed;
    record->magic = TRAILER_MAGIC;
    unsigned char bytes[TRAILER_SIZE];
    encodeTrailer(*record, bytes);
    FileResult result = writeSystemFile(file, bytes, TRAILER_SIZE) ? FileResult::Ok : FileResult::ShortWrite;
    if (!closeSystemFile(&file) && result == FileResult::Ok) result = FileResult::ShortWrite;
    return result;
}

FileResult addPartSize(int32_t offset, uint32_t size, int32_t *sum) {
    const int64_t total = static_cast<int64_t>(offset) + static_cast<int64_t>(size);
    if (offset < 0 || total > INT32_MAX) return FileResult::SeekFailed;
    *sum = static_cast<int32_t>(total);
    return FileResult::Ok;
}

FileResult splashOffsets(const PayloadTrailer &trailer, bool win31, int32_t *first, int32_t *second) {
    int32_t base = 0;
    FileResult result = addPartSize(0, win31 ? trailer.imageASize : trailer.imageBSize, &base);
    if (result == FileResult::Ok) result = addPartSize(base, trailer.splash1Size, second);
    if (result == FileResult::Ok) *first = base;
    return result;
}

FileResult installerLayout(const PayloadTrailer &trailer, uint32_t fileSize, InstallerLayout *layout) {
    InstallerLayout at = {};
    int32_t splash2 = 0;
    int32_t end = 0;
    FileResult result = addPartSize(0, trailer.imageASize, &at.imageB);
    if (result == FileResult::Ok) result = addPartSize(at.imageB, trailer.imageBSize, &at.splash);
    if (result == FileResult::Ok) result = addPartSize(at.splash, trailer.splash1Size, &splash2);
    if (result == FileResult::Ok) result = addPartSize(splash2, trailer.splash2Size, &at.player);
    if (result == FileResult::Ok) result = addPartSize(at.player, trailer.playerSize, &at.trailer);
    if (result == FileResult::Ok) result = addPartSize(at.trailer, TRAILER_SIZE, &end);
    if (result == FileResult::Ok && static_cast<uint32_t>(end) > fileSize) result = FileResult::SeekFailed;
    if (result == FileResult::Ok) *layout = at;
    return result;
}
