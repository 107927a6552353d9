// Logical palettes from the pictures' colour tables, and device bitmaps made with them.
#include "images/dib_rules.h"
#include "images/image_set_win.h"
#include "startup/scoped_win.h"

namespace {

constexpr WORD PALETTE_VERSION = 0x300;
// LOGPALETTE counts its entries in 16 bits: a palette takes at most this many, the rest of the
// pictures' entries are left out.
constexpr int MOST_PALETTE_ENTRIES = 0xFFFF;

const unsigned char *bytesOf(const BITMAPINFOHEADER *dib) { return reinterpret_cast<const unsigned char *>(dib); }

int countEntries(const BITMAPINFOHEADER *const *dibs, int count) {
    int total = 0;
    for (int i = 0; i < count; ++i) {
        const int n = paletteEntryCount(dibs[i]);
        total = n > MOST_PALETTE_ENTRIES - total ? MOST_PALETTE_ENTRIES : total + n;
    }
    return total;
}

// Builds the LOGPALETTE of `total` entries in a temporary block and makes the palette from it.
// Each table entry is blue, green, red, reserved; the palette takes red, green, blue, flags 0.
HPALETTE buildPalette(const BITMAPINFOHEADER *const *dibs, int count, int total) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(total) * 4 + 8);
    if (block == nullptr) return nullptr;
    HPALETTE palette = nullptr;
    LOGPALETTE *logical = static_cast<LOGPALETTE *>(GlobalLock(block));
    if (logical != nullptr) {
        logical->palVersion = PALETTE_VERSION;
        logical->palNumEntries = static_cast<WORD>(total);
        PALETTEENTRY *entries = logical->palPalEntry;
        int filled = 0;
        for (int i = 0; i < count && filled < total; ++i) {
            const unsigned char *dib = bytesOf(dibs[i]);
            const int n = paletteEntryCount(dibs[i]);
            const unsigned char *table = n > 0 ? dib + dibTableOffset(dib) : nullptr;
            for (int j = 0; j < n && filled < total; ++j, ++filled) {
                const unsigned char *quad = table + 4 * static_cast<size_t>(j);
                entries[filled].peRed = quad[2];
                entries[filled].peGreen = quad[1];
                entries[filled].peBlue = quad[0];
                entries[filled].peFlags = 0;
            }
        }
        palette = CreatePalette(logical);
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return palette;
}

HPALETTE makePalette(const BITMAPINFOHEADER *const *dibs, int count, int *total) {
    const int entries = dibs != nullptr && count > 0 ? countEntries(dibs, count) : 0;
    if (total != nullptr) *total = entries;
    return entries > 0 ? buildPalette(dibs, count, entries) : nullptr;
}

// The device bitmap of a picture on dc, or null. Pictures with headers the system would read
// differently from the engine (see dibDrawable) are not handed to it.
HBITMAP makeBitmap(HDC dc, const BITMAPINFOHEADER *dib) {
    if (!dibDrawable(bytesOf(dib))) return nullptr;
    return CreateDIBitmap(dc, dib, CBM_INIT, dibBits(dib), reinterpret_cast<const BITMAPINFO *>(dib), DIB_RGB_COLORS);
}

}  // namespace

DWORD dibHeaderSize(const BITMAPINFOHEADER *dib) { return dib == nullptr ? 0 : dib->biSize; }

const void *dibBits(const BITMAPINFOHEADER *dib) {
    return dib == nullptr ? nullptr : bytesOf(dib) + dibBitsOffset(bytesOf(dib));
}

int paletteEntryCount(const BITMAPINFOHEADER *dib) { return paletteEntryCountOf(bytesOf(dib)); }

HPALETTE createCombinedPalette(BITMAPINFOHEADER *const *dibs, int count, int *total) {
    return makePalette(dibs, count, total);
}

HPALETTE createDibPalette(const BITMAPINFOHEADER *dib, int *count) {
    const BITMAPINFOHEADER *const list[1] = {dib};
    return makePalette(list, 1, count);
}

void rebuildSharedPalette(ImageSet *set, BITMAPINFOHEADER *d1, BITMAPINFOHEADER *d2, BITMAPINFOHEADER *d3,
                          BITMAPINFOHEADER *d4) {
    if (set->palette != nullptr) {
        DeleteObject(set->palette);
        set->palette = nullptr;
    }
    BITMAPINFOHEADER *const list[4] = {d1, d2, d3, d4};
    int count = 4;
    while (count > 0 && list[count - 1] == nullptr) --count;
    set->palette = createCombinedPalette(list, count, nullptr);
    makeDeviceBitmaps(set);
}

void rebuildPaletteOfPictures(ImageSet *set) {
    rebuildSharedPalette(set, set->corner.dib, set->splash2.dib, set->splash1.dib, nullptr);
}

void makeDeviceBitmaps(ImageSet *set) {
    WindowDC screen(nullptr);
    if (screen.get() == nullptr) return;
    // The screen context goes back to the cache with its own palette, so that the shared one is
    // not held selected when it is deleted later.
    PaletteSelection shared(screen.get(), set->palette);
    ImageSlot *const slots[3] = {&set->splash1, &set->splash2, &set->corner};
    for (ImageSlot *slot : slots) {
        if (slot->dib == nullptr) continue;
        HBITMAP made = makeBitmap(screen.get(), slot->dib);
        if (slot->bitmap != nullptr) DeleteObject(slot->bitmap);
        slot->bitmap = made;
    }
}

void remakeSlotBitmap(HDC dc, ImageSlot *slot, HPALETTE *holder) {
    if (slot == nullptr || slot->dib == nullptr) return;
    if (holder != nullptr && *holder != nullptr) {
        // A palette still selected in dc would not be deleted: put the stock one in first.
        if (GetCurrentObject(dc, OBJ_PAL) == *holder) {
            SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        }
        DeleteObject(*holder);
        *holder = createDibPalette(slot->dib, nullptr);
    }
    HBITMAP made = nullptr;
    {
        // dc gets its own palette back: a context released (or a paint ended) with the slot's
        // palette still selected would keep that palette from ever being deleted.
        PaletteSelection own(dc, holder != nullptr ? *holder : nullptr);
        made = makeBitmap(dc, slot->dib);
    }
    if (made == nullptr) return;
    if (slot->bitmap != nullptr) DeleteObject(slot->bitmap);
    slot->bitmap = made;
}
