// Settings mode: a main window of the engine's class with a captionless dialog that paints the
// splash pictures and the corner picture on white and closes on the first key or click.
#pragma once

#include <windows.h>

extern HWND settingsDialog;  // the dialog that paints the pictures, while it exists
extern bool addMenuHeight;   // the main window's height also counts a menu bar (win31 class)

// Settings mode; changePassword is 1 when the password options are to open at once ("/a").
// Always 0.
int runSettingsWindow(HINSTANCE instance, int show, int changePassword);

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL onQueryNewPalette(HWND dialog);
int onPaletteChanged(HWND dialog);
