// Copying byte ranges between files, and the shrinking work buffer that the file tools share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/file_result.h"
#include "payload/system_io.h"

// The largest buffer a copy asks for: at most this many bytes move per read and write.
constexpr int32_t COPY_CHUNK_MAX = 32766;

// Where work buffers come from: allocateMemory while it is null (so that it needs no initialised
// data in the engine), or a test's own. Whatever it returns is released with releaseMemory by
// freeWorkBuffer.
using WorkAllocator = void *(*)(size_t size);
extern WorkAllocator workBufferAllocator;

// Obtains a buffer of the requested size (0 asks for 65536), halving the size after every
// failed allocation until one below 100 bytes has failed too. FileResult::Ok with the buffer and its
// size, or FileResult::NoBuffer with *buffer null and *size 0 (at once for a negative request). The
// caller frees the buffer with freeWorkBuffer.
FileResult allocWorkBuffer(int32_t requested, unsigned char **buffer, int32_t *size);
// Frees the buffer and clears the pointer, so freeing twice does nothing.
void freeWorkBuffer(unsigned char **buffer);

// Copies the bytes [from, to) of source into target, which is opened with mode: Create to create
// or truncate it, Append to append. A range that runs past the end of the source stops there; an
// empty or inverted range copies nothing, but the target is still opened with its mode. Results:
// FileResult::NoBuffer (nothing opened), FileResult::OpenFailed (the target may already be created or
// truncated), FileResult::SeekFailed (from cannot be reached), FileResult::ShortRead (a read error in the
// source), FileResult::ShortWrite (the target keeps what was written). The target is never removed.
FileResult copyFileRange(const char *source, const char *target, int32_t from, int32_t to, FileMode mode);

// The worker on files the caller opened: moves count bytes (fewer when the source ends first)
// from the source position `from` to the target, at most chunk bytes of the buffer per pass.
// Only what the range still needs is read, so no pass writes more than it read and none writes
// past the range. Ok also when the source ends first; ShortRead for a read error.
FileResult copyBetweenFiles(SystemFile *source, SystemFile *target, int32_t from, int64_t count,
                            unsigned char *buffer, int32_t chunk);

// The target becomes a copy of the whole source.
FileResult copyWholeFile(const char *source, const char *target);
// The target becomes the first count bytes of the source.
FileResult copyFilePrefix(const char *source, const char *target, int32_t count);
// The target becomes the bytes [from, to) of the source.
FileResult copyFileSlice(const char *source, const char *target, int32_t from, int32_t to);
// The bytes [from, to) of the source are added at the end of the target, which is created if missing.
FileResult appendFileSlice(const char *source, const char *target, int32_t from, int32_t to);
