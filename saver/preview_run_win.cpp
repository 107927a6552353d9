#include "saver/preview_run_win.h"

#include "images/drawing_win.h"
#include "startup/scoped_win.h"
#include "startup/test_seams_win.h"

PreviewRun::PreviewRun(Engine &engineOfRun, OwnedImages &imagesOfRun) : engine(engineOfRun), images(imagesOfRun) {
    window.handler = this;
}

PreviewRun::~PreviewRun() {
    if (window.handle != nullptr) DestroyWindow(window.handle);
}

bool PreviewRun::preparePicture(const Rect &area) {
    ImageSet &set = images.imageSet();
    picture = previewSlot(&set);
    if (picture == nullptr) return false;
    // Only the picture shown keeps its memory, and the palette is its own: on a 256-colour display
    // its colours take the palette's places that the other pictures' colours would share.
    ImageSlot *const slots[3] = {&set.splash1, &set.splash2, &set.corner};
    for (ImageSlot *slot : slots) {
        if (slot != picture) releaseImageSlot(slot);
    }
    rebuildSharedPalette(&set, picture->dib, nullptr, nullptr, nullptr);
    int height = 0;
    int width = 0;
    bitmapSize(picture->bitmap, &height, &width);
    place = fitPicture(width, height, previewBox(area));
    return picture->bitmap != nullptr;
}

RunResult PreviewRun::run(HWND monitor) {
    RECT client = {};
    if (!GetClientRect(monitor, &client)) return RunResult::Done;
    const Rect area = {0, 0, client.right - client.left, client.bottom - client.top};
    if (!preparePicture(area)) return RunResult::Done;
    testStamp("preview picture ready");
    // The window tells the monitor nothing of its creation or end: a parent notification would be
    // sent to the display settings' thread and wait for it.
    if (createEngineWindow(engine.instance, &window, WS_EX_NOPARENTNOTIFY, WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                           area.bottom, monitor) == nullptr) {
        return RunResult::Done;
    }
    testTrace("preview window");
    testStamp("preview window made");
    postTimerStart(window.handle, TIMER_SPLASH, SPLASH_PERIOD);
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return RunResult::Done;  // the window's end posts it
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (window.handle == nullptr || !IsWindow(window.handle) || !IsWindow(monitor)) return RunResult::Done;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, PREVIEW_MONITOR_CHECK_MS, QS_ALLINPUT);
    }
}

void PreviewRun::paint(HWND target) {
    Painting painting(target);
    RECT client = {};
    GetClientRect(target, &client);
    const RECT at = {place.left, place.top, place.right, place.bottom};
    drawPreview(painting.get(), client, at, picture != nullptr ? picture->bitmap : nullptr, images.imageSet().palette);
    if (!painted) testStamp("preview drawn");
    painted = true;
}

LRESULT PreviewRun::onMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            images.release();
            picture = nullptr;
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            paint(target);
            return 0;
        case WM_TIMER:
            if (wParam == TIMER_SPLASH) {
                // The picture jumps to another place of the monitor, as the error screen's does.
                RECT client = {};
                GetClientRect(target, &client);
                placeAtRandom(Rect{0, 0, client.right, client.bottom}, &place);
                InvalidateRect(target, nullptr, FALSE);
            }
            return 0;
        default:
            return DefWindowProcA(target, message, wParam, lParam);
    }
}
