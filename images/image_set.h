// The three pictures of the engine (two splash bitmaps and the corner picture) as packed DIBs,
// their device bitmaps, their places in the settings window and the shared palette.
#pragma once

#include <windows.h>

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

extern ImageSet imageSet;

constexpr int DIB_NOT_A_BITMAP = -6;

// Reads the BMP file image at a byte offset of a file into a global block: 0 and the block, or a
// negative code and null.
int readDibAtOffset(const char *path, long offset, BITMAPINFOHEADER **dib);
// Unlocks and frees a block from readDibAtOffset and clears the pointer.
void freeDibBlock(BITMAPINFOHEADER **dib);

// Finds, loads and locks a bitmap resource; null when there is none.
BITMAPINFOHEADER *loadBitmapResource(HINSTANCE instance, int id, HGLOBAL *resourceHandle);
void freeBitmapResource(HGLOBAL resourceHandle);
// Frees everything the slot owns and leaves it empty.
void releaseImageSlot(ImageSlot *slot);

// Fills the three slots from bitmap resources.
void loadImageSet(HINSTANCE instance, ImageSet *set, int splash1Id, int splash2Id, int cornerId);
// Frees the three slots and the shared palette; a second call frees nothing.
void freeImageSet(ImageSet *set);
