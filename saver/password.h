// Asking for the screen-saver password when a protected show ends: the system's own dialog on
// the win95 class, the engine's dialog 100 on the others (three tries, 30 s).
#pragma once

#include <windows.h>

extern HWND passwordDialog;    // the password entry dialog while it exists
extern bool passwordVerified;  // the last verification accepted the password
extern LONG failedAttempts;    // wrong passwords in a row in the engine's own dialog
extern bool closedByTimeout;   // the own dialog was closed by its time-out

constexpr int RESUMED_SHOW = -201;
constexpr LONG PASSWORD_TRIES = 3;
constexpr UINT PASSWORD_TIMEOUT = 30000;

// Asks for the password (ask = 1); 0, or RESUMED_SHOW when it was refused and the show resumed.
int checkPassword(HINSTANCE instance, int ask);
// Sets passwordVerified: the system's verdict on the win95 class, else the typed text's value
// against the stored one.
void verifyPassword(const char *text);
INT_PTR CALLBACK passwordEntryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
