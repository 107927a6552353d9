// Where the parts of a packed DIB lie, by the one set of rules that the engine reads pictures by.
#pragma once

#include <cstddef>
#include <cstdint>

// Packed DIBs: a bitmap header (12-byte core header or an information header of 16 bytes or
// more), optional bit-field masks, a colour table, then the pixel bits. The rules below are the
// only ones by which the engine finds the parts, so that what it checks when it reads a picture
// is exactly what the palette builders and the system later read:
// - core header (12): bits per pixel at 10; the table holds 2^bpp three-byte entries for 8 bits
//   per pixel or less, none otherwise.
// - information header: bits per pixel at 14, compression at 16, image size at 20 and colours
//   used at 32, each only when the header is long enough to hold it (0 otherwise). The table
//   holds `colours used` four-byte entries when that is not 0, else 2^bpp for 8 bits per pixel or
//   less, else none (16-, 24- and 32-bit pictures carry no table unless colours used says so).
// - BI_BITFIELDS: three 32-bit masks lie between a header of less than 52 bytes and the table;
//   longer headers hold the masks themselves.
// - the table starts after the header and the masks; the bits start after the table. The
//   palette builders read the table there (at 40 for the usual 40-byte header, after the header
//   for longer ones, whose bytes from 40 on are header fields, not colours).
constexpr uint32_t DIB_CORE_HEADER_SIZE = 12;
constexpr uint32_t DIB_INFO_HEADER_SIZE = 40;

// The number of entries a picture gives the palette builders: 0 for null, for a core header
// (whose three-byte table is no palette table) and for headers shorter than 40 bytes (which are
// not handed to the system); else the table's entry count as above, at most INT32_MAX.
int paletteEntryCountOf(const unsigned char *dib);
// Where the colour table starts: after the header and any bit-field masks.
size_t dibTableOffset(const unsigned char *dib);
// Where the pixel bits start: after the header, the masks and the table (SIZE_MAX when that
// lies beyond what the address space can hold).
size_t dibBitsOffset(const unsigned char *dib);
// Whether the picture is handed to the system to make a device bitmap: a core header or an
// information header of 40 bytes or more. Other header sizes the system reads in ways that
// need not agree with the rules above, so such pictures are read but not drawn.
bool dibDrawable(const unsigned char *dib);
// Whether everything the engine and the system read of the picture lies inside a block of
// blockSize bytes: a header size of 12 or 16 and more, the whole header, the masks, the table
// and the bits. The bits take (width * bpp rounded up to 32 bits) / 8 * |height| bytes for
// BI_RGB and BI_BITFIELDS pictures (a negative width never fits), and the image size at 20 for
// any other compression (RLE and the like), which then must not be 0. Reads nothing past
// blockSize bytes of dib.
bool dibFitsBlock(const unsigned char *dib, uint32_t blockSize);
