// The Authenticode signature of a PE file: the certificate table that the security directory of
// its optional header names. Signing tools (signtool, osslsigncode) append the table at the end of
// the file, after zero bytes that align it to 8, and write its place into that entry and a new
// checksum into the header. Nothing here checks a signature; it only finds where one lies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/file_result.h"
#include "payload/system_io.h"

// The DOS header's word at 0x3C gives where the PE header starts.
constexpr size_t DOS_HEADER_SIZE = 64;
// "PE\0\0", the file header (20 bytes) and the optional header up to the end of the security entry
// in its larger form (PE32+; a PE32 header needs 136 bytes of it).
constexpr size_t PE_HEADER_WINDOW = 24 + 152;

// Where a signature's fields lie in the file, and what the security entry says.
struct PeSignatureFields {
    uint32_t checksumAt;         // file offset of the optional header's CheckSum word
    uint32_t securityEntryAt;    // file offset of the security entry: table offset, then size
    uint32_t headersEnd;         // the first byte after the optional header
    uint32_t certificateOffset;  // the entry's file offset of the certificate table (0: none)
    uint32_t certificateSize;    // the entry's size in bytes (0: none)
};

// The PE header's offset from a DOS header ("MZ"), or 0 when the bytes are not one.
uint32_t peHeaderOffset(const unsigned char dos[DOS_HEADER_SIZE]);

// Reads the fields from the bytes at peAt (length of them at hand, at most PE_HEADER_WINDOW are
// looked at). False when they are not a PE header with a security entry: no "PE\0\0", an optional
// header of another magic than PE32 (0x10B) or PE32+ (0x20B), one too short to hold the entry, or
// fewer than five data directories.
bool readPeSignatureFields(const unsigned char *header, size_t length, uint32_t peAt, PeSignatureFields *out);

// The security entry names a certificate table that a signing tool could have written into a file
// of fileSize bytes: at least the 8 bytes of one certificate's header, aligned to 8, behind the
// headers, and ending exactly at the file's end. Any other entry counts as none.
bool certificateEndsFile(const PeSignatureFields &fields, uint32_t fileSize);

// The fields of a PE image held in memory (size bytes from its start); false as
// readPeSignatureFields is, or when the image is shorter than its DOS header.
bool peSignatureFieldsOf(const unsigned char *image, size_t size, PeSignatureFields *out);

// The fields of an open file, read from its start; false as readPeSignatureFields is, or when the
// file is shorter than its headers. The file's position is left anywhere.
bool readPeSignature(SystemFile *file, PeSignatureFields *out);

// Clears the security entry and the checksum of the PE file at path (a copy that no longer ends
// in the table, or never had one), so that its header names no signature. A file that is no PE
// file, or names none, is left alone.
FileResult clearSignatureEntry(const char *path);
