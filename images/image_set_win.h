// The three pictures of the engine (two splash bitmaps and the corner picture) as packed DIBs,
// their device bitmaps, their places in the settings window and the shared palette.
#pragma once

#include <windows.h>

#include <cstdint>

struct ImageSlot {
    HGLOBAL resourceHandle;  // the loaded bitmap resource that owns dib, or null
    BITMAPINFOHEADER *dib;   // the packed DIB: in the resource, or a global block the slot owns
    HBITMAP bitmap;          // the device bitmap made from dib, owned by the slot
};

struct ImageSet {
    ImageSlot splash1;
    ImageSlot splash2;
    ImageSlot corner;
    RECT splash2Rect;
    RECT splash1Rect;
    RECT cornerRect;
    HPALETTE palette;
};

// How reading a picture from a file ended; the numbers are the ones a run ends with.
enum class DibResult : int32_t {
    Ok = 0,
    NoBlock = -1,     // no block (a total size of 14 or less)
    NoFile = -2,      // the file cannot be opened
    ShortRead = -3,   // the file ends inside the picture
    SeekFailed = -5,  // the offset cannot be reached
    NotABitmap = -6,  // a file header other than "BM", a header size other than 12 or 16 and more,
                      // or masks, colour table or bits (see dibFitsBlock) past the block
};

// Reads the BMP file image at a byte offset of a file into a global block: Ok and the block, or
// the failure and null.
DibResult readDibAtOffset(const char *path, long offset, BITMAPINFOHEADER **dib);
// Unlocks and frees a block from readDibAtOffset and clears the pointer.
void freeDibBlock(BITMAPINFOHEADER **dib);

// Finds, loads and locks a bitmap resource; null when there is none.
BITMAPINFOHEADER *loadBitmapResource(HINSTANCE instance, int id, HGLOBAL *resourceHandle);
void freeBitmapResource(HGLOBAL resourceHandle);
// Frees everything the slot owns and leaves it empty.
void releaseImageSlot(ImageSlot *slot);

// Fills the three slots from bitmap resources.
void loadImageSet(HINSTANCE instance, ImageSet *set, int splash1Id, int splash2Id, int cornerId);
// Replaces splash1 and splash2 by the bitmap resources of non-zero ids (0 keeps the slot as it
// is), empties corner, deletes the shared palette and clears the three rectangles.
void reloadImageSet(HINSTANCE instance, ImageSet *set, int splash1Id, int splash2Id);
// Frees the three slots and the shared palette; a second call frees nothing.
void freeImageSet(ImageSet *set);

// The pictures of one mode: the one owner of an image set, which frees it when the mode ends
// (release) and at the latest when the owner goes.
class OwnedImages {
public:
    OwnedImages() = default;
    ~OwnedImages() { release(); }
    OwnedImages(const OwnedImages &) = delete;
    OwnedImages &operator=(const OwnedImages &) = delete;
    ImageSet &imageSet() { return set_; }
    void release() { freeImageSet(&set_); }

private:
    ImageSet set_ = {};
};

// Packed DIBs. Every picture that reaches these functions has either passed readDibAtOffset's
// check that its header, masks, colour table and bits lie inside its block, or is one of the
// engine's own bitmap resources; the parts are found by the rules in images/dib_rules.h.

// The header size, the first field of both header forms; 0 for null.
DWORD dibHeaderSize(const BITMAPINFOHEADER *dib);
// The address of the pixel bits: after the header, any bit-field masks and the colour table.
const void *dibBits(const BITMAPINFOHEADER *dib);
// How many palette entries the picture contributes (see paletteEntryCountOf); 0 for null.
int paletteEntryCount(const BITMAPINFOHEADER *dib);

// A logical palette with the colour-table entries of the given pictures in order (nulls
// contribute nothing; duplicates stay), at most 65535 (the most a LOGPALETTE counts; later
// entries are left out). *total (when given) receives the number of entries; null when that is 0
// or the palette cannot be made.
HPALETTE createCombinedPalette(BITMAPINFOHEADER *const *dibs, int count, int *total);
// The same for one picture.
HPALETTE createDibPalette(const BITMAPINFOHEADER *dib, int *count);
// Replaces the set's palette by the combined palette of the given pictures (trailing nulls are
// dropped, inner nulls contribute nothing), then remakes the device bitmaps.
void rebuildSharedPalette(ImageSet *set, BITMAPINFOHEADER *d1, BITMAPINFOHEADER *d2, BITMAPINFOHEADER *d3,
                          BITMAPINFOHEADER *d4);
// The palette of the set's three pictures, in the order the settings window and the error screen
// share it: corner, splash2, splash1.
void rebuildPaletteOfPictures(ImageSet *set);
// Makes the device bitmap of every slot of the set that holds a picture, on the screen with the
// shared palette realised; a slot's previous bitmap is deleted, a failure leaves it null.
void makeDeviceBitmaps(ImageSet *set);
// Makes a new device bitmap for one slot on dc. When *holder holds a palette it is first
// replaced by the slot's own palette, which is selected in dc while the bitmap is made; dc then
// gets its previous palette back. The old bitmap is replaced only when the new one could be made.
void remakeSlotBitmap(HDC dc, ImageSlot *slot, HPALETTE *holder);
