// Settings mode: a main window of the engine's class with a captionless dialog that paints the
// splash pictures and the corner picture on white and closes on the first key or click.
#pragma once

#include <windows.h>

#include "images/image_set_win.h"
#include "startup/engine_win.h"
#include "startup/engine_window_win.h"
#include "startup/run_result.h"

class SettingsRun : public EngineWindowHandler {
public:
    SettingsRun(Engine &engine, OwnedImages &images);
    ~SettingsRun();
    SettingsRun(const SettingsRun &) = delete;
    SettingsRun &operator=(const SettingsRun &) = delete;

    // Settings mode: the main window shown as the system asked (`show`), or with changePassword
    // ("/a") the password options at once and the main window never shown. A window that started
    // the settings (the display settings' dialog: "/c:HWND", "/a HWND") owns the main window, so
    // that it stays in front of it; null for none. Ends when the main window's end or a quit ends
    // its loop.
    RunResult run(int show, bool changePassword, HWND owner);
    // The main window (owned by `owner` when given) and the pictures dialog in it; false when
    // either cannot be made.
    bool createWindows(HWND owner);

    LRESULT onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    Engine &engine;
    OwnedImages &images;
    bool addMenuHeight;  // the main window's height also counts a menu bar (win31 class)
    EngineWindow mainWindow;
    HWND settingsDialog = nullptr;  // the pictures dialog, while it exists

private:
    // The main window as made: it outlives mainWindow.handle, which its (posted) WM_DESTROY clears.
    HWND made_ = nullptr;
};

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
