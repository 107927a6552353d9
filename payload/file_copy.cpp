#include "payload/file_copy.h"

WorkAllocator workBufferAllocator = nullptr;

namespace {

constexpr int32_t DEFAULT_WORK_SIZE = 65536;
constexpr int32_t SMALLEST_WORTH_HALVING = 100;

}  // namespace

FileResult copyBetweenFiles(SystemFile *source, SystemFile *target, int32_t from, int64_t count, unsigned char *buffer,
                            int32_t chunk) {
    if (!seekSystemFile(source, from, SeekOrigin::Start)) return FileResult::SeekFailed;
    int64_t remaining = count;
    while (remaining > 0) {
        const int32_t wanted = static_cast<int32_t>(remaining < chunk ? remaining : chunk);
        const int32_t got = readSystemFile(source, buffer, wanted);
        if (got < 0) return FileResult::ShortRead;
        if (got > 0) {
            if (!writeSystemFile(target, buffer, got)) return FileResult::ShortWrite;
            remaining -= got;
        }
        // A short read is the end of the source, where the range simply stops.
        if (got < wanted) return FileResult::Ok;
    }
    return FileResult::Ok;
}

FileResult allocWorkBuffer(int32_t requested, unsigned char **buffer, int32_t *size) {
    *buffer = nullptr;
    *size = 0;
    int32_t trying = requested == 0 ? DEFAULT_WORK_SIZE : requested;
    while (trying > 0) {
        void *block =
            (workBufferAllocator != nullptr ? workBufferAllocator : allocateMemory)(static_cast<size_t>(trying));
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
    releaseMemory(*buffer);
    *buffer = nullptr;
}

FileResult copyFileRange(const char *source, const char *target, int32_t from, int32_t to, FileMode mode) {
    // Widened so that no pair of 32-bit bounds can overflow; an inverted range is an empty one.
    const int64_t span = static_cast<int64_t>(to) - from;
    const int64_t count = span > 0 ? span : 0;
    // An empty range still takes a (one-byte) buffer, so that the order of failures stays the same.
    const int32_t request = static_cast<int32_t>(count == 0 ? 1 : count < COPY_CHUNK_MAX ? count : COPY_CHUNK_MAX);

    unsigned char *buffer = nullptr;
    int32_t chunk = 0;
    FileResult result = allocWorkBuffer(request, &buffer, &chunk);
    if (result != FileResult::Ok) return result;

    SystemFile *out = openSystemFile(target, mode);
    SystemFile *in = out != nullptr ? openSystemFile(source, FileMode::Read) : nullptr;
    if (out == nullptr || in == nullptr) {
        result = FileResult::OpenFailed;
    } else {
        result = copyBetweenFiles(in, out, from, count, buffer, chunk);
    }

    closeSystemFile(&in);
    // Written bytes may reach the file only here; losing them is a short write too.
    if (!closeSystemFile(&out) && result == FileResult::Ok) result = FileResult::ShortWrite;
    freeWorkBuffer(&buffer);
    return result;
}

FileResult copyWholeFile(const char *source, const char *target) {
    return copyFileRange(source, target, 0, INT32_MAX, FileMode::Create);
}

FileResult copyFilePrefix(const char *source, const char *target, int32_t count) {
    return copyFileRange(source, target, 0, count, FileMode::Create);
}

FileResult copyFileSlice(const char *source, const char *target, int32_t from, int32_t to) {
    return copyFileRange(source, target, from, to, FileMode::Create);
}

FileResult appendFileSlice(const char *source, const char *target, int32_t from, int32_t to) {
    return copyFileRange(source, target, from, to, FileMode::Append);
}
