// Which mode a run of the engine takes: the decision table, from the command line, the engine's
// own file name, whether the process was admitted and whether its file carries a payload.
#pragma once

#include "payload/file_result.h"
#include "startup/switches.h"

enum class EngineMode {
    Finish,     // "/r" anywhere: move a fresh install's files into place
    Refused,    // a second process of the same engine file: nothing
    Preview,    // "/p": nothing
    NoPayload,  // the engine file has no payload trailer: nothing, the reader's code
    Settings,   // "/c" or "/a": the settings window ("/a" opens the password options at once)
    Saver,      // "/s", or an engine file whose name ends in ".scr"
    Install,    // anything else: install the installer file
};

// Every run takes part in the single-instance count of its engine file except the finishing
// process, which runs from a copy beside the installer's targets and reads no settings.
bool joinsInstanceCount(const CommandSwitches &switches);

struct ModeFacts {
    CommandSwitches switches;
    bool admitted;           // the first process of the engine file (never asked for "/r")
    const char *enginePath;  // the engine's own full path
    FileResult trailer;      // how reading the payload trailer of that file ended
};

// The rows in order: "/r"; refused; "/p"; no trailer; "/c" or "/a"; "/s" or ".scr" in any letter
// case; install.
EngineMode chooseMode(const ModeFacts &facts);
