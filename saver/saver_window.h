// Saver mode: the engine's window and the run of the show.
#pragma once

#include <windows.h>

#include "payload/trailer.h"

// The last window of the engine's class that was created: the saver window in saver mode,
// the main window in settings mode; null when there is none.
extern HWND saverWindow;

// Saver mode. ownPath is the engine's own full path; trailer its payload trailer, already read.
int runSaver(HINSTANCE instance, const char *ownPath, const PayloadTrailer *trailer);
