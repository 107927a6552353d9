// The engine's own run: what the entry point learns at start-up and hands by reference to the
// mode that runs, and the system state that the run changes and puts back on its way out.
#pragma once

#include <windows.h>

#include <cstdint>

#include "startup/paths.h"
#include "startup/platform_class.h"

struct Engine {
    HINSTANCE instance = nullptr;        // the engine's module: strings, dialogs, pictures
    PlatformClass platform = {};         // exactly one class set once the run is admitted
    bool passwordProtected = false;      // ask for the password when the show ends
    uint32_t storedPasswordValue = 0;    // outside win95: the value system.ini [Lumivex] keeps
    bool saverRunningAnnounced = false;  // the system was told that a saver runs
    bool cursorShown = true;             // the cursor state last requested
    char path[PATH_CAPACITY] = {};       // the engine's own full path (empty for a refused run)
    const char *commandTail = "";        // the command line after the program's name
    bool folderNameUnwritable = false;   // its file or its "/z" player cannot be named in ANSI
    uint32_t payloadEnd = 0;             // where the file's trailer ends: its size unless signed
    uint32_t version = 0;                // the system's version value the class came from
    bool instanceCounted = false;        // the run holds a place in the single-instance count
    int relayedExitCode = 0;             // an elevated copy's exit code, which becomes the run's
};
