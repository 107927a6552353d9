// The password options: changing the screen-saver password and switching protection. The
// system's own dialog (MPR.DLL) on the win95 class, the engine's dialog 110 on the others.
#pragma once

#include <windows.h>

extern bool optionsDone;       // the options need not be shown again
extern bool optionsCancelled;  // the dialog was left with Cancel

// Shows the options (again after two different entries), then closes the asking window. 0.
int showPasswordOptions(HINSTANCE instance);
// Asks the system to change the "SCRSAVE" password.
void changeSystemPassword();
INT_PTR CALLBACK passwordOptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// system.ini [Lumivex] "Password Protect" = 0 or 1, flushed.
void writePasswordProtect(int value);
// Checks the box 114 and makes the two edits and their labels usable only while it is checked.
void applyProtectState(HWND dialog, int on);
void enableDialogItem(HWND dialog, int id, BOOL enable);
// The modal dialog; 0 when it was shown, -1 when it could not be shown at all.
int runModalDialog(HINSTANCE instance, LPCSTR name, DLGPROC procedure, HWND owner);
