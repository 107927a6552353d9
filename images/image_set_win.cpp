#include "images/image_set_win.h"

#include "images/dib_rules.h"

namespace {

constexpr UINT FILE_HEADER_SIZE = 14;
constexpr UINT READ_PIECE = 0x8000;

// Reads the file header and the block that it announces from an open file.
DibResult readDibFromFile(HFILE file, long offset, BITMAPINFOHEADER **dib) {
    if (_llseek(file, offset, FILE_BEGIN) == HFILE_ERROR) return DibResult::SeekFailed;
    BYTE header[FILE_HEADER_SIZE];
    if (_lread(file, header, FILE_HEADER_SIZE) != FILE_HEADER_SIZE) return DibResult::NotABitmap;
    if (header[0] != 'B' || header[1] != 'M') return DibResult::NotABitmap;
    const DWORD total = header[2] | header[3] << 8 | header[4] << 16 | static_cast<DWORD>(header[5]) << 24;
    const DWORD blockSize = total - FILE_HEADER_SIZE;

    // A total of 14 or less gives an empty or wrapped size: no block is had for it.
    HGLOBAL block = total > FILE_HEADER_SIZE ? GlobalAlloc(GMEM_MOVEABLE, blockSize) : nullptr;
    BYTE *bytes = block != nullptr ? static_cast<BYTE *>(GlobalLock(block)) : nullptr;
    if (bytes == nullptr) {
        if (block != nullptr) GlobalFree(block);
        return DibResult::NoBlock;
    }
    *dib = reinterpret_cast<BITMAPINFOHEADER *>(bytes);
    for (DWORD done = 0; done < blockSize;) {
        const UINT piece = blockSize - done >= READ_PIECE ? READ_PIECE : blockSize - done;
        if (_lread(file, bytes + done, piece) != piece) return DibResult::ShortRead;
        done += piece;
    }
    if (blockSize < sizeof(DWORD)) return DibResult::NotABitmap;
    const DWORD headerSize = dibHeaderSize(*dib);
    if (headerSize != 12 && headerSize < 16) return DibResult::NotABitmap;
    // The size field comes from the file, not from the picture: everything that the palette
    // builders and CreateDIBitmap will read of the picture must lie inside the block.
    if (!dibFitsBlock(bytes, blockSize)) return DibResult::NotABitmap;
    return DibResult::Ok;
}

void loadSlot(HINSTANCE instance, ImageSlot *slot, int id) {
    slot->dib = loadBitmapResource(instance, id, &slot->resourceHandle);
    slot->bitmap = nullptr;
}

}  // namespace

DibResult readDibAtOffset(const char *path, long offset, BITMAPINFOHEADER **dib) {
    *dib = nullptr;
    HFILE file = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    if (file == HFILE_ERROR) return DibResult::NoFile;
    const DibResult result = readDibFromFile(file, offset, dib);
    _lclose(file);
    if (result != DibResult::Ok) freeDibBlock(dib);
    return result;
}

void freeDibBlock(BITMAPINFOHEADER **dib) {
    if (dib == nullptr || *dib == nullptr) return;
    HGLOBAL block = GlobalHandle(*dib);
    if (block != nullptr) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
    *dib = nullptr;
}

BITMAPINFOHEADER *loadBitmapResource(HINSTANCE instance, int id, HGLOBAL *resourceHandle) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id & 0xFFFF), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (found == nullptr) return nullptr;
    *resourceHandle = LoadResource(instance, found);
    if (*resourceHandle == nullptr) return nullptr;
    return static_cast<BITMAPINFOHEADER *>(LockResource(*resourceHandle));
}

void freeBitmapResource(HGLOBAL resourceHandle) {
    if (resourceHandle != nullptr) FreeResource(resourceHandle);
}

void releaseImageSlot(ImageSlot *slot) {
    if (slot->resourceHandle != nullptr) {
        freeBitmapResource(slot->resourceHandle);
    } else {
        freeDibBlock(&slot->dib);
    }
    slot->resourceHandle = nullptr;
    slot->dib = nullptr;
    if (slot->bitmap != nullptr) {
        DeleteObject(slot->bitmap);
        slot->bitmap = nullptr;
    }
}

void loadImageSet(HINSTANCE instance, ImageSet *set, int splash1Id, int splash2Id, int cornerId) {
    loadSlot(instance, &set->splash1, splash1Id);
    loadSlot(instance, &set->splash2, splash2Id);
    loadSlot(instance, &set->corner, cornerId);
    set->palette = nullptr;
    set->splash2Rect = set->splash1Rect = set->cornerRect = RECT{0, 0, 0, 0};
}

void reloadImageSet(HINSTANCE instance, ImageSet *set, int splash1Id, int splash2Id) {
    if (splash1Id != 0) {
        releaseImageSlot(&set->splash1);
        loadSlot(instance, &set->splash1, splash1Id);
    }
    if (splash2Id != 0) {
        releaseImageSlot(&set->splash2);
        loadSlot(instance, &set->splash2, splash2Id);
    }
    releaseImageSlot(&set->corner);
    if (set->palette != nullptr) {
        DeleteObject(set->palette);
        set->palette = nullptr;
    }
    set->splash2Rect = set->splash1Rect = set->cornerRect = RECT{0, 0, 0, 0};
}

void freeImageSet(ImageSet *set) {
    releaseImageSlot(&set->splash1);
    releaseImageSlot(&set->corner);
    releaseImageSlot(&set->splash2);
    if (set->palette != nullptr) {
        DeleteObject(set->palette);
        set->palette = nullptr;
    }
}
