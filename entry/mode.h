// Which mode a run of the engine takes: the decision table, from the command line, the engine's
// own file name, whether the process was admitted, whether the display settings' monitor is a
// window and whether the engine file carries a payload.
#pragma once

#include "payload/file_result.h"
#include "startup/switches.h"

enum class EngineMode {
    Finish,         // "/r" anywhere: move a fresh install's files into place
    Refused,        // a second process of the same engine file: nothing
    Preview,        // "/p" and the number of a window: the saver's picture drawn in that window
    NoPreview,      // "/p" without a window to draw in, or without a payload: nothing
    Remove,         // "/u" first: remove the installed saver (its removal helper finishes it)
    FinishRemoval,  // "/u" first in the removal helper, a copy named "Inst9757.exe": the removal
    NoPayload,      // the engine file has no payload trailer: nothing, the reader's code
    Settings,       // "/c" or "/a": the settings window ("/a" opens the password options at once);
                    // also a saver file started with nothing after its name (Explorer's Configure)
    Saver,          // "/s", or an engine file whose name ends in ".scr" started with any other tail
    Install,        // anything else: install the installer file
};

// Every run takes part in the single-instance count of its engine file except the finishing
// process, which runs from a copy beside the installer's targets and reads no settings, and the
// preview: the display settings start the saver ("/s") while it runs, and may kill it, which must
// leave no place in the count taken.
bool joinsInstanceCount(const CommandSwitches &switches);

struct ModeFacts {
    CommandSwitches switches;
    bool admitted;           // the first process of the engine file (never asked for "/r" or "/p")
    bool previewWindow;      // the number after "/p" names a window
    const char *enginePath;  // the engine's own full path
    FileResult trailer;      // how reading the payload trailer of that file ended
};

// The rows in order: "/r"; "/p" (a preview with a window and a payload, else nothing); refused;
// "/u" first (the helper's file name decides which removal step; a removal needs no trailer, so
// that a damaged saver can still be removed); no trailer; "/c" or "/a", or a ".scr" name (any letter case) with an
// empty tail; "/s" or
// ".scr"; install.
EngineMode chooseMode(const ModeFacts &facts);
