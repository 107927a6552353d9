#include "settings/settings_window.h"

#include "images/drawing.h"
#include "images/image_set.h"
#include "resources/resource_ids.h"
#include "saver/password.h"
#include "saver/saver_window.h"

HWND settingsDialog = nullptr;
bool addMenuHeight = false;

namespace {

constexpr RECT UNREADABLE_AREA = {0, 0, 1280, 1024};

void rebuildPalette() {
    rebuildSharedPalette(imageSet.corner.dib, imageSet.splash2.dib, imageSet.splash1.dib, nullptr);
}

// The palette and bitmaps of the pictures, their places, and the size of both windows.
void initialiseDialog(HWND dialog) {
    rebuildPalette();
    int height = 0;
    int width = 0;
    layoutImages(&imageSet, &height, &width);
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
    const int extra = addMenuHeight ? GetSystemMetrics(SM_CYMENU) : 0;
    SetWindowPos(GetParent(dialog), nullptr, 0, 0, width, height + GetSystemMetrics(SM_CYCAPTION) + extra,
                 SWP_NOZORDER | SWP_NOMOVE);
}

void paintDialog(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT area;
    if (!GetWindowRect(dialog, &area)) area = UNREADABLE_AREA;
    area = RECT{0, 0, area.right - area.left, area.bottom - area.top};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    blitBitmap(dc, imageSet.splash2.bitmap, imageSet.splash2Rect.left, imageSet.splash2Rect.top, nullptr, nullptr,
               imageSet.palette);
    blitBitmap(dc, imageSet.splash1.bitmap, imageSet.splash1Rect.left, imageSet.splash1Rect.top, nullptr, nullptr,
               imageSet.palette);
    blitBitmap(dc, imageSet.corner.bitmap, imageSet.cornerRect.left, imageSet.cornerRect.top, nullptr, nullptr,
               imageSet.palette);
    EndPaint(dialog, &paint);
}

// A key or button in the dialog: the main window is hidden and told to go (its WM_DESTROY ends
// the loop), and the dialog goes.
void closeSettings(HWND dialog) {
    ShowWindow(saverWindow, SW_HIDE);
    PostMessageA(saverWindow, WM_DESTROY, 0, 0);
    DestroyWindow(dialog);
}

}  // namespace

int runSettingsWindow(HINSTANCE instance, int show, int changePassword) {
    HWND main = createSaverWindow(instance, WS_SYSMENU, nullptr);
    if (main == nullptr) return 0;
    settingsDialog = CreateDialogParamA(instance, "Lumivex", main, settingsDialogProc, 0);
    if (settingsDialog == nullptr) return 0;
    if (changePassword) {
        PostMessageA(saverWindow, WM_COMMAND, MENU_PASSWORDS, 0);
    } else {
        ShowWindow(main, show);
    }
    ShowWindow(settingsDialog, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (passwordDialog != nullptr && IsDialogMessageA(passwordDialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (settingsDialog != nullptr) DestroyWindow(settingsDialog);
    return 0;
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            initialiseDialog(dialog);
            return TRUE;
        case WM_PAINT:
            paintDialog(dialog);
            return FALSE;
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            closeSettings(dialog);
            return FALSE;
        case WM_CLOSE:
            DestroyWindow(dialog);
            return FALSE;
        case WM_DESTROY:
            settingsDialog = nullptr;
            return TRUE;
        case WM_SYSCOMMAND:
            return FALSE;
        case WM_QUERYNEWPALETTE: {
            // A dialog's answer reaches the sender (the main window) only through DWLP_MSGRESULT.
            const BOOL realised = onQueryNewPalette(dialog);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, realised);
            return realised;
        }
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) != dialog) onPaletteChanged(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}

BOOL onQueryNewPalette(HWND dialog) {
    if (imageSet.palette == nullptr) rebuildPalette();
    HDC dc = nullptr;
    HPALETTE previous = nullptr;
    if (imageSet.palette != nullptr) {
        dc = GetDC(dialog);
        if (dc != nullptr) {
            previous = SelectPalette(dc, imageSet.palette, FALSE);
            RealizePalette(dc);
        }
    }
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    if (imageSet.palette == nullptr) return FALSE;
    if (dc != nullptr) {
        if (previous != nullptr) SelectPalette(dc, previous, FALSE);
        ReleaseDC(dialog, dc);
    }
    return TRUE;
}

int onPaletteChanged(HWND dialog) {
    HDC dc = GetDC(dialog);
    if (imageSet.palette == nullptr) rebuildPalette();
    HPALETTE previous = nullptr;
    if (imageSet.palette != nullptr && dc != nullptr) {
        previous = SelectPalette(dc, imageSet.palette, FALSE);
        RealizePalette(dc);
    }
    InvalidateRect(dialog, nullptr, TRUE);
    UpdateWindow(dialog);
    if (previous != nullptr) SelectPalette(dc, previous, FALSE);
    if (dc != nullptr) ReleaseDC(dialog, dc);
    return 0;
}
