// The plan of an install, decided before anything is written: every name, where the copied parts
// lie in the installer file, and the rules of the platform class. The installer then only carries
// it out.
#pragma once

#include <cstdint>

#include "install/finishing_command.h"
#include "payload/trailer.h"
#include "startup/platform_class.h"
#include "startup/run_result.h"

struct InstallFacts {
    PlatformClass platform;
    const char *windowsDirectory;
    const char *enginePath;   // the installer file
    const char *description;  // the text of its description tag, or null when it has none
    PayloadTrailer trailer;   // its payload trailer, as the entry point read it
    uint32_t fileSize;        // its size (0 when it could not be told)
    const char *playerFile;   // "/z": the player to install instead of the carried one, or null
    // Whether the first characters of target spell enginePath, letter case ignored as the system
    // ignores it.
    bool (*startsWithPath)(const char *target, const char *enginePath);
};

struct InstallPlan {
    // Where the installer writes the saver and the player (the temporary names) and where they
    // end up, all in the Windows directory.
    FinishingFields paths;
    bool finishingProcess;         // win95 and winNT: a finishing process moves the files into place
    bool namedByOwnFile;           // the final base name is the installer file's own (no usable
                                   // description): files of that name may be any program's
    int32_t imageFrom, imageTo;    // the engine image of the class in the installer file
    int32_t splashFrom, splashTo;  // both splash bitmaps (empty when there are none)
    int32_t playerFrom, playerTo;  // the carried player (unused with an external one)
};

// The checks in order, the first failure ends the plan: names that do not fit (PathTooLong), an
// installer that is one of the temporary files the install writes or its finishing copy
// (RunFromTarget), no usable final name (BadPayload), an installer that is one of the final files
// (RunFromTarget), image sizes of 0 or parts that do not fit the file (BadPayload; with "/z" the
// carried player is not counted), an external player's path that does not fit (PathTooLong), a
// payload for the other class (NeedsWin32 on win31, NeedsWin16 on winNT).
RunResult planInstall(const InstallFacts &facts, InstallPlan *plan);
