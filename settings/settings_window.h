// Settings mode: the window with the splash pictures and the password options.
#pragma once

#include <windows.h>

extern HWND settingsDialog;  // the dialog that paints the pictures, while it exists
extern bool addMenuHeight;   // the main window's height also counts a menu bar (win31 class)

// Settings mode; changePassword is 1 when the password options are to open at once.
int runSettingsWindow(HINSTANCE instance, int show, int changePassword);
