// The password options: changing the screen-saver password and switching protection. The
// system's own dialog (MPR.DLL) on the win95 class, the engine's dialog 110 on the others.
#pragma once

#include <windows.h>

#include "startup/engine_win.h"

// One showing of the engine's dialog and what became of it.
struct OptionsDialog {
    Engine *engine;
    bool shown = false;      // the dialog's procedure ran for this showing
    bool done = false;       // the options need not be shown again
    bool cancelled = false;  // the dialog was left with Cancel
};

// Shows the options (again after two different entries), then asks the owner to close. True
// when they were done with (on win95: when the system's password change could be called).
bool showPasswordOptions(Engine &engine, HWND owner);
// Asks the system to change the "SCRSAVE" password; false without the system's function.
bool changeSystemPassword();
INT_PTR CALLBACK passwordOptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// system.ini [Lumivex] "Password Protect" = 0 or 1, flushed.
void writePasswordProtect(bool on);
// Checks the box 114 and makes the two edits and their labels usable only while it is checked.
void applyProtectState(HWND dialog, bool on);
