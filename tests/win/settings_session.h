// The settings run that several Win32 tests share.
#pragma once

#include <windows.h>

#include "images/image_set_win.h"
#include "resources/resource_ids.h"
#include "settings/settings_window_win.h"
#include "support.h"

// A settings run in this process: the main window of the engine's class with the pictures dialog
// in it, as settings mode makes them; the run's windows and pictures go when the session ends.
struct SettingsSession {
    explicit SettingsSession(bool pictures, bool menuHeight = false) {
        engine.instance = GetModuleHandleA(nullptr);
        engine.platform = PlatformClass{true, false, false};
        if (pictures) loadImageSet(engine.instance, &images.imageSet(), BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
        run.addMenuHeight = menuHeight;
        run.createWindows(nullptr);
        main = run.mainWindow.handle;
        dialog = run.settingsDialog;
    }
    ~SettingsSession() {
        pumpUntil([] { return false; }, 50);
    }
    void dropPalette() {
        DeleteObject(images.imageSet().palette);
        images.imageSet().palette = nullptr;
    }
    Engine engine;
    OwnedImages images;
    SettingsRun run{engine, images};
    HWND main = nullptr, dialog = nullptr;
};
