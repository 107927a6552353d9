// The engine's window class "Lumivex": one class for the saver window, the error screen and the
// settings mode's main window. The class keeps each window's timers and passes every other
// message to the handler of the mode that made the window.
#pragma once

#include <windows.h>

// Private messages of the engine's windows.
constexpr UINT WM_SAVER_CHECKPASSWORD = WM_USER + 1;  // ask for the password
constexpr UINT WM_SAVER_RESUMESHOW = WM_USER + 2;     // a refused password: the show goes on
constexpr UINT WM_SAVER_STARTTIMER = WM_USER + 4;     // wParam timer id, lParam period in ms
constexpr UINT WM_SAVER_STOPTIMER = WM_USER + 5;      // wParam timer id

// Timers of an engine window (SetTimer event ids).
constexpr UINT_PTR TIMER_SPLASH = 1;     // every 3 s: the splash picture jumps
constexpr UINT_PTR TIMER_MESSAGE = 2;    // every 20 ms: the message scrolls one pixel
constexpr UINT_PTR TIMER_HEARTBEAT = 3;  // every 50 ms under the window-order rule: wakes the loop
constexpr UINT_PTR TIMER_PASSWORD = 5;   // 30 s: the password question times out
constexpr UINT_PTR TIMER_SLOTS = 6;      // ids 1..5; slot 0 unused
constexpr UINT HEARTBEAT_PERIOD = 50;
constexpr UINT SPLASH_PERIOD = 3000;
constexpr UINT MESSAGE_PERIOD = 20;

// What a mode does with the messages of its engine window. WM_DESTROY reaches it after the
// window's timers are gone; the window's handle is cleared after that.
class EngineWindowHandler {
public:
    virtual LRESULT onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~EngineWindowHandler() = default;
};

// One window of the class, owned by the mode that made it (it must outlive the window).
struct EngineWindow {
    HWND handle = nullptr;                  // null before creation and once destroyed
    UINT_PTR timerTable[TIMER_SLOTS] = {};  // SetTimer's result per timer id, 0 when not running
    EngineWindowHandler *handler = nullptr;
};

// Registers the class once in the process; true also when it is registered already.
bool registerEngineClass(HINSTANCE instance);

// Creates a window of the class titled "Lumivex" for `window`, whose handler gets its messages
// from WM_CREATE on: a top-level window, owned by `parent` when one is given, or with WS_CHILD a
// child of it. Null when it could not be made.
HWND createEngineWindow(HINSTANCE instance, EngineWindow *window, DWORD extendedStyle, DWORD style, int x, int y,
                        int width, int height, HWND parent = nullptr);

// The window's timers start and stop through posted messages, in the order of the other requests.
void postTimerStart(HWND window, UINT_PTR id, UINT periodMs);
void postTimerStop(HWND window, UINT_PTR id);

LRESULT CALLBACK engineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
