// Starting the player and supervising it: the message loop of saver mode.
#pragma once

#include <windows.h>

// Starts a program with the command line as given (no application name): 0, or the system's
// error code. Closes the handles of the previous start first and records the new process as the
// supervised one; waits at most 3 s for it to become idle.
int spawnProcess(const char *commandLine);

// Starts the player; when it cannot be started the error screen shows instead. Always 0.
int launchPlayer(HINSTANCE instance, const char *commandLine);

// True while the supervised player's exit code reads STILL_ACTIVE.
bool isPlayerRunning();

// The process that created the window (0 for null), and the window's owner or parent.
DWORD windowProcessId(HWND window);
HWND windowOwner(HWND window);

// The loop of saver mode: pumps the saver window, the password dialog and the timers, and after
// every message looks at the player and, under password protection, at the window order.
int supervisePlayer(HINSTANCE instance);
