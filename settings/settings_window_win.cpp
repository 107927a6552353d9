#include "settings/settings_window_win.h"

#include "images/drawing_win.h"
#include "resources/resource_ids.h"
#include "settings/password_options_win.h"
#include "startup/scoped_win.h"

namespace {

constexpr RECT UNREADABLE_AREA = {0, 0, 1280, 1024};

SettingsRun *runOf(HWND dialog) { return reinterpret_cast<SettingsRun *>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// The palette and bitmaps of the pictures, their places, and the size of both windows.
void initialiseDialog(SettingsRun &run, HWND dialog) {
    ImageSet &set = run.images.imageSet();
    rebuildPaletteOfPictures(&set);
    int height = 0;
    int width = 0;
    layoutImages(&set, &height, &width);
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
    const int extra = run.addMenuHeight ? GetSystemMetrics(SM_CYMENU) : 0;
    SetWindowPos(GetParent(dialog), nullptr, 0, 0, width, height + GetSystemMetrics(SM_CYCAPTION) + extra,
                 SWP_NOZORDER | SWP_NOMOVE);
}

void paintDialog(SettingsRun &run, HWND dialog) {
    const ImageSet &set = run.images.imageSet();
    Painting paint(dialog);
    RECT area;
    if (!GetWindowRect(dialog, &area)) area = UNREADABLE_AREA;
    area = RECT{0, 0, area.right - area.left, area.bottom - area.top};
    FillRect(paint.get(), &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    blitBitmap(paint.get(), set.splash2.bitmap, set.splash2Rect.left, set.splash2Rect.top, nullptr, nullptr,
               set.palette);
    blitBitmap(paint.get(), set.splash1.bitmap, set.splash1Rect.left, set.splash1Rect.top, nullptr, nullptr,
               set.palette);
    blitBitmap(paint.get(), set.corner.bitmap, set.cornerRect.left, set.cornerRect.top, nullptr, nullptr, set.palette);
}

// A key or button in the dialog: the main window is hidden and told that it goes (its WM_DESTROY
// handling ends the loop), and the dialog goes.
void closeSettings(SettingsRun &run, HWND dialog) {
    ShowWindow(run.mainWindow.handle, SW_HIDE);
    PostMessageA(run.mainWindow.handle, WM_DESTROY, 0, 0);
    DestroyWindow(dialog);
}

// The pictures' palette realised in the dialog (made again when it was dropped), and the dialog
// painted again. True when there is a palette.
bool realisePalette(SettingsRun &run, HWND dialog) {
    ImageSet &set = run.images.imageSet();
    if (set.palette == nullptr) rebuildPaletteOfPictures(&set);
    {
        WindowDC dc(set.palette != nullptr ? dialog : nullptr);
        PaletteSelection pictures(set.palette != nullptr ? dc.get() : nullptr, set.palette);
        InvalidateRect(dialog, nullptr, TRUE);
        UpdateWindow(dialog);
    }
    return set.palette != nullptr;
}

}  // namespace

SettingsRun::SettingsRun(Engine &engineOfRun, OwnedImages &imagesOfRun)
    : engine(engineOfRun), images(imagesOfRun), addMenuHeight(engineOfRun.platform.win31) {
    mainWindow.handler = this;
}

SettingsRun::~SettingsRun() {
    if (settingsDialog != nullptr) DestroyWindow(settingsDialog);
    if (made_ != nullptr && IsWindow(made_)) DestroyWindow(made_);
}

bool SettingsRun::createWindows(HWND owner) {
    made_ = createEngineWindow(engine.instance, &mainWindow, 0, WS_SYSMENU, CW_USEDEFAULT, 0, 0, 0, owner);
    if (made_ == nullptr) return false;
    settingsDialog = CreateDialogParamA(engine.instance, "Lumivex", mainWindow.handle, settingsDialogProc,
                                        reinterpret_cast<LPARAM>(this));
    return settingsDialog != nullptr;
}

RunResult SettingsRun::run(int show, bool changePassword, HWND owner) {
    if (!createWindows(owner)) return RunResult::Done;
    if (changePassword) {
        PostMessageA(mainWindow.handle, WM_COMMAND, MENU_PASSWORDS, 0);
    } else {
        ShowWindow(mainWindow.handle, show);
    }
    ShowWindow(settingsDialog, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return RunResult::Done;
}

LRESULT SettingsRun::onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            if (settingsDialog != nullptr && IsWindow(settingsDialog)) DestroyWindow(settingsDialog);
            images.release();
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            // The keyboard focus is on this window, whose client area the pictures dialog fills:
            // a key pressed here closes the settings window as the dialog does.
            if (settingsDialog != nullptr && IsWindow(settingsDialog)) {
                return SendMessageA(settingsDialog, message, wParam, lParam);
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_COMMAND:
            if (wParam == MENU_EXIT) {
                PostQuitMessage(0);
                return 0;
            }
            if (wParam == MENU_PASSWORDS) {
                showPasswordOptions(engine, window);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_QUERYNEWPALETTE:
        case WM_PALETTECHANGED:
            if (settingsDialog != nullptr && IsWindow(settingsDialog)) {
                return SendMessageA(settingsDialog, message, wParam, lParam);
            }
            return DefWindowProcA(window, message, wParam, lParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        initialiseDialog(*runOf(dialog), dialog);
        return TRUE;
    }
    SettingsRun *run = runOf(dialog);
    if (run == nullptr) return FALSE;
    switch (message) {
        case WM_PAINT:
            paintDialog(*run, dialog);
            return FALSE;
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            closeSettings(*run, dialog);
            return FALSE;
        case WM_CLOSE:
            DestroyWindow(dialog);
            return FALSE;
        case WM_DESTROY:
            run->settingsDialog = nullptr;
            return TRUE;
        case WM_SYSCOMMAND:
            return FALSE;
        case WM_QUERYNEWPALETTE: {
            // A dialog's answer reaches the sender (the main window) only through DWLP_MSGRESULT.
            const BOOL realised = realisePalette(*run, dialog) ? TRUE : FALSE;
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, realised);
            return realised;
        }
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) != dialog) realisePalette(*run, dialog);
            return FALSE;
        default:
            return FALSE;
    }
}
