#include "payload/file_copy.h"

#include <cstdio>
#include <cstdlib>

WorkAllocator workBufferAllocator = std::malloc;

namespace {

constexpr int32_t DEFAULT_WORK_SIZE = 65536;
constexpr int32_t SMALLEST_WORTH_HALVING = 100;

// Closes the file and clears the pointer; the fclose result, 0 when there was nothing to close.
int closeFile(FILE **file) {
    int result = 0;
    if (*file != nullptr) result = std::fclose(*file);
    *file = nullptr;
    return result;
}

}  // namespace

FileResult copyBetweenStreams(FILE *source, FILE *target, int32_t from, int64_t count, unsigned char *buffer,
                         int32_t chunk) {
    if (std::fseek(source, static_cast<long>(from), SEEK_SET) != 0) return FileResult::SeekFailed;
    int64_t remaining = count;
    while (remaining > 0) {
        const size_t wanted = static_cast<size_t>(remaining < chunk ? remaining : chunk);
        const size_t got = std::fread(buffer, 1, wanted, source);
        if (got > 0) {
            if (std::fwrite(buffer, 1, got, target) != got) return FileResult::ShortWrite;
            remaining -= static_cast<int64_t>(got);
        }
        if (got < wanted) {
            // A short read is either the end of the source, where the range simply stops, or a
            // read error, which would otherwise repeat on every pass.
            return std::feof(source) ? FileResult::Ok : FileResult::ShortRead;
        }
    }
    return FileResult::Ok;
}

FileResult allocWorkBuffer(int32_t requested, unsigned char **buffer, int32_t *size) {
    *buffer = nullptr;
    *size = 0;
    int32_t trying = requested == 0 ? DEFAULT_WORK_SIZE : requested;
    while (trying > 0) {
        void *block = workBufferAllocator(static_cast<size_t>(trying));
        if (block != nullptr) {
            *buffer = static_cast<unsigned char *>(block);
            *size = trying;
            return FileResult::Ok;
        }
        if (trying < SMALLEST_WORTH_HALVING) break;
        trying >>= 1;
    }
    return FileResult::NoBuffer;
}

void freeWorkBuffer(unsigned char **buffer) {
    std::free(*buffer);
    *buffer = nullptr;
}

FileResult copyFileRange(const char *source, const char *target, int32_t from, int32_t to, const char *mode) {
    // Widened so that no pair of 32-bit bounds can overflow; an inverted range is an empty one.
    const int64_t span = static_cast<int64_t>(to) - from;
    const int64_t count = span > 0 ? span : 0;
    // An empty range still takes a (one-byte) buffer, so that the order of failures stays the same.
    const int32_t request = static_cast<int32_t>(count == 0 ? 1 : count < COPY_CHUNK_MAX ? count : COPY_CHUNK_MAX);

    unsigned char *buffer = nullptr;
    int32_t chunk = 0;
    FileResult result = allocWorkBuffer(request, &buffer, &chunk);
    if (result != FileResult::Ok) return result;

    FILE *out = std::fopen(target, mode);
    FILE *in = out != nullptr ? std::fopen(source, "rb") : nullptr;
    if (out == nullptr || in == nullptr) {
        result = FileResult::OpenFailed;
    } else {
        result = copyBetweenStreams(in, out, from, count, buffer, chunk);
    }

    closeFile(&in);
    // Buffered bytes reach the file only here; losing them is a short write too.
    if (closeFile(&out) != 0 && result == FileResult::Ok) result = FileResult::ShortWrite;
    freeWorkBuffer(&buffer);
    return result;
}

FileResult copyWholeFile(const char *source, const char *target) {
    return copyFileRange(source, target, 0, INT32_MAX, "w+b");
}

FileResult copyFilePrefix(const char *source, const char *target, int32_t count) {
    return copyFileRange(source, target, 0, count, "w+b");
}

FileResult copyFileSlice(const char *source, const char *target, int32_t from, int32_t to) {
    return copyFileRange(source, target, from, to, "w+b");
}

FileResult appendFileSlice(const char *source, const char *target, int32_t from, int32_t to) {
    return copyFileRange(source, target, from, to, "ab");
}
