// Saver mode: the engine's window class "Lumivex", the saver window with its timers and private
// messages, the error screen, and the run of the show.
#pragma once

#include <windows.h>

#include "payload/trailer.h"

// The last window of the engine's class that was created: the saver window in saver mode, the
// main window in settings mode; null when there is none.
extern HWND saverWindow;
extern bool inputEndsSaver;        // key presses and clicks end the run (the error screen)
extern UINT_PTR timerTable[6];     // SetTimer's result per timer id 1..5; index 0 unused
extern LONG mouseMoveCount;        // mouse moves since the last synthesised click
extern char messageText[260];      // what the error screen scrolls
extern char playerCommandLine[260];  // the player's full path, its whole command line
extern bool splashPainted;         // splash1's device bitmap was made for this window

// Private messages of the saver window.
constexpr UINT WM_SAVER_CHECKPASSWORD = WM_USER + 1;
constexpr UINT WM_SAVER_STARTTIMER = WM_USER + 4;
constexpr UINT WM_SAVER_STOPTIMER = WM_USER + 5;

// Timers of the saver window (SetTimer event ids).
constexpr UINT_PTR TIMER_SPLASH = 1;     // every 3 s: the splash picture jumps
constexpr UINT_PTR TIMER_MESSAGE = 2;    // every 20 ms: the message scrolls one pixel
constexpr UINT_PTR TIMER_HEARTBEAT = 3;  // every 50 ms: wakes the supervision loop
constexpr UINT_PTR TIMER_PASSWORD = 5;   // 30 s: the password question times out
constexpr UINT HEARTBEAT_PERIOD = 50;
constexpr UINT SPLASH_PERIOD = 3000;
constexpr UINT MESSAGE_PERIOD = 20;
constexpr WPARAM CLOSE_BY_TIMEOUT = 32343;
constexpr LONG MOUSE_MOVE_LIMIT = 3;

// Saver mode. ownPath is the engine's own full path; trailer its payload trailer, already read.
int runSaver(HINSTANCE instance, const char *ownPath, const PayloadTrailer *trailer);

// The class "Lumivex": its atom, or 0 (also for a second registration in one process).
ATOM registerSaverClass(HINSTANCE instance);
// Registers the class and creates a window of it titled "Lumivex"; null on failure.
HWND createSaverWindow(HINSTANCE instance, DWORD style, HMENU menu);
// The top-most full-desktop window of the error screen, when no saver window exists. Always 0.
int createErrorWindow(HINSTANCE instance);
// Turns the saver window into the error screen: splash1 jumping about, the message scrolling.
int showErrorScreen(HINSTANCE instance, int code);

int postTimerStart(HWND window, UINT_PTR id, UINT periodMs);
int postTimerStop(HWND window, UINT_PTR id);

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
