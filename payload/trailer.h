// The payload trailer: the 44-byte index at the very end of every engine file.
#pragma once

#include <cstdint>

#include "payload/file_result.h"
#include "payload/system_io.h"

constexpr int TRAILER_SIZE = 44;
constexpr uint32_t TRAILER_MAGIC = 0x576F7046u;  // the bytes "FpoW" read as a little-endian word
constexpr uint32_t TRAILER_FLAG_WIN32 = 0x4000u;

// Eleven 32-bit words, stored little-endian in the file in this order.
struct PayloadTrailer {
    uint32_t magic;
    uint32_t reserved1;
    uint32_t imageASize;
    uint32_t reserved2;
    uint32_t imageBSize;
    uint32_t reserved3;
    uint32_t splash1Size;
    uint32_t splash2Size;
    uint32_t playerSize;
    uint32_t flags;
    uint32_t reserved4;
};
static_assert(sizeof(PayloadTrailer) == TRAILER_SIZE, "the trailer is 44 bytes without gaps");

// Where an engine file's payload ends. The trailer ends the file, unless the file is signed: then
// its PE header's security entry names a certificate table that ends the file, and the trailer
// ends where that table starts, or up to 7 zero bytes before it (the signing tool's alignment).
// A security entry that names no such table, or a table not preceded by a trailer, counts as no
// signature: the trailer is then looked for at the very end, as in an unsigned file.
struct PayloadPlace {
    uint32_t end;                // the trailer's end: the file's size unless a signature follows
    uint32_t certificateOffset;  // where the certificate table starts; 0 when unsigned
    uint32_t certificateSize;    // the table's size in bytes; 0 when unsigned
};

// SeekFailed when the file's size cannot be had; any header, however absurd, gives Ok.
FileResult locatePayload(SystemFile *file, PayloadPlace *place);

// Fills *out from the 44 bytes before the payload's end (see PayloadPlace), and *place, when
// given, with where that is; the file is opened read-only and never changed.
FileResult readPayloadTrailer(const char *path, PayloadTrailer *out, PayloadPlace *place = nullptr);
// Stores *record as the last 44 bytes of the file, appending a trailer slot when the file has
// none. record->magic is set to TRAILER_MAGIC first, so the caller's copy equals what was written.
// For a file known to end in a trailer: whether one is there is judged by the magic word alone.
FileResult writePayloadTrailer(const char *path, PayloadTrailer *record);
// Adds *record at the end of the file as its new trailer, whatever the file's last bytes are: the
// way to finish a file that is being built from parts (a part may end in a trailer of its own).
// record->magic is set to TRAILER_MAGIC first.
FileResult appendPayloadTrailer(const char *path, PayloadTrailer *record);
// The worker of both: exactly one of readInto and writeFrom is given.
FileResult accessPayloadTrailer(const char *path, PayloadTrailer *readInto, PayloadTrailer *writeFrom,
                                PayloadPlace *place = nullptr);
// The same on a file the caller opened (and closes): Read to read, Update to write. The trailer
// slot that a file without one gets is appended at its end (a file without a trailer has no
// signature that counts).
FileResult accessPayloadTrailerIn(SystemFile *file, PayloadTrailer *readInto, PayloadTrailer *writeFrom,
                                  PayloadPlace *place = nullptr);

// Offsets into an engine file are signed 32-bit values. addPartSize adds a part's size to an
// offset and fails with FileResult::SeekFailed instead of passing 2^31 - 1, so no sum ever wraps.
FileResult addPartSize(int32_t offset, uint32_t size, int32_t *sum);

// Where the two splash bitmaps of an engine file start: both follow the engine image of the
// platform class (image A on the win31 class, image B on the others).
FileResult splashOffsets(const PayloadTrailer &trailer, bool win31, int32_t *first, int32_t *second);

// Where the parts of an installer file start: image A at 0, then image B, both splash bitmaps,
// the player and the trailer.
struct InstallerLayout {
    int32_t imageB;
    int32_t splash;
    int32_t player;
    int32_t trailer;
};

// FileResult::SeekFailed when a sum passes 2^31 - 1, or when the parts and the trailer do not fit
// inside a file of fileSize bytes (a truncated download, say). For a signed file, fileSize is the
// payload's end (PayloadPlace::end).
FileResult installerLayout(const PayloadTrailer &trailer, uint32_t fileSize, InstallerLayout *layout);
