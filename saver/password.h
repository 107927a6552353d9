// Asking for the screen-saver password when a protected show ends.
#pragma once

#include <windows.h>

extern HWND passwordDialog;   // the password entry dialog while it exists
extern bool passwordVerified; // the last verification accepted the password

constexpr int RESUMED_SHOW = -201;

// Asks for the password (ask = 1); 0, or RESUMED_SHOW when it was refused and the show resumed.
int checkPassword(HINSTANCE instance, int ask);
