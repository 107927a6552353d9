// A window that steals the front, for the window-order rule of a protected show: it brings
// itself to the foreground again and again and measures how long it stays there before the
// show takes the front back.
#pragma once

#include <windows.h>

#include <string>

struct TheftReport {
    int steals = 0;          // times the thief had the front
    int pushedBack = 0;      // of those, times something else took it back
    double worstMs = 0;      // the longest time the thief stayed in front
    int orderBroken = 0;     // times the order was not "player, then the saver window" after a push
    std::string firstBreak;  // what the first broken order looked like
};

// A plain window of this thread (owned by `owner` when not null), shown while the object lives.
class ForeignWindow {
public:
    explicit ForeignWindow(HWND owner);
    ~ForeignWindow();
    ForeignWindow(const ForeignWindow &) = delete;
    ForeignWindow &operator=(const ForeignWindow &) = delete;
    HWND handle() const { return handle_; }

private:
    bool registered_ = false;
    HWND handle_ = nullptr;
};

// For durationMs, brings a window of this thread to the front periodMs after each time it lost
// it, and after every push back checks that a window of process `player` is in front with
// `saverWindow` directly beneath that process's windows.
TheftReport stealTheFront(DWORD player, HWND saverWindow, DWORD durationMs, double periodMs);

// Waits (pumping, at most timeoutMs) until a window of process `player` is the foreground window.
bool waitForFrontOf(DWORD player, DWORD timeoutMs);

// Waits (pumping, at most timeoutMs) until one window of process `player` has been the foreground
// window for quietMs: activations still under way when a show starts have then landed.
bool waitForSteadyFrontOf(DWORD player, DWORD quietMs, DWORD timeoutMs);

// The window's handle, class and process, for messages.
std::string describeWindow(HWND window);

// True when the first visible window below `front` and the windows of process `player` directly under it
// (the engine's order: the front window, the player's, then the saver window) is `saverWindow`; otherwise `seen` says
// what is there instead.
bool saverDirectlyBeneath(HWND front, DWORD player, HWND saverWindow, std::string *seen);
