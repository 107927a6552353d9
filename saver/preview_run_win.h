// The saver's preview in the display settings' little monitor: a child window of the engine's
// class over the monitor's whole client area, showing the saver's picture on black. It draws, and
// does nothing else: no player, no password, no message box, no running saver announced, the
// cursor left alone.
#pragma once

#include <windows.h>

#include "images/image_set_win.h"
#include "images/layout.h"
#include "startup/engine_win.h"
#include "startup/engine_window_win.h"
#include "startup/run_result.h"

// How often the preview looks whether the monitor is still there. Destroying the monitor destroys
// the preview's window with it, which ends the run at once; this only catches a monitor whose
// process ended without that reaching the preview.
constexpr DWORD PREVIEW_MONITOR_CHECK_MS = 1000;

class PreviewRun : public EngineWindowHandler {
public:
    PreviewRun(Engine &engine, OwnedImages &images);
    ~PreviewRun();
    PreviewRun(const PreviewRun &) = delete;
    PreviewRun &operator=(const PreviewRun &) = delete;

    // Shows the preview in `monitor` until the preview's window or the monitor is gone. Done on
    // every path: a preview that cannot be shown ends silently.
    RunResult run(HWND monitor);
    // The picture (the one previewSlot chooses, the others released), its palette and device
    // bitmap, and its place fitted and centred in the given area. False without a picture.
    bool preparePicture(const Rect &area);

    LRESULT onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    Engine &engine;
    OwnedImages &images;
    EngineWindow window;
    ImageSlot *picture = nullptr;  // the slot the preview shows
    Rect place = {};               // where the picture is drawn in the window's client area
    bool painted = false;          // the first picture is on the screen

private:
    void paint(HWND target);
};
