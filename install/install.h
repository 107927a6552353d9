// Installer mode and the finishing process of an install.
#pragma once

#include <windows.h>

#include "install/finishing_command.h"
#include "payload/trailer.h"
#include "startup/install_names.h"

// Install results besides the file codes (-1 .. -5) of the payload code.
constexpr int INSTALL_FROM_TARGET = -4;       // the installer runs from one of its own targets
constexpr int INSTALL_BAD_PAYLOAD = -100;     // image sizes of 0, parts that do not fit the file, or no
                                              // name that the saver can be installed under
constexpr int INSTALL_CANCELLED = -200;       // the user answered Cancel to the overwrite question
constexpr int INSTALL_NEEDS_WIN16 = -2999;    // winNT class, payload without TRAILER_FLAG_WIN32
constexpr int INSTALL_NEEDS_WIN32 = -3000;    // win31 class, payload with TRAILER_FLAG_WIN32
constexpr int FINISHING_NOT_STARTED = 1;      // the finishing process could not be started

// Installs the installer file enginePath into the Windows directory. playerFile is the "/z"
// argument (an external player) or null; quiet suppresses the success message.
int installSaver(HINSTANCE instance, const char *enginePath, const char *playerFile, int quiet);

// 0 when neither file exists, else the answer to "Overwrite ... and ...?": 0 or -200.
int confirmOverwrite(const char *saverPath, const char *playerPath);
// A question box with OK and Cancel (Cancel the default): 0 for OK, -200 for anything else.
int askOkCancel(const char *text);
// Writes the trailer into the saver target and the player into the player target.
int writeTrailerAndPlayer(const char *enginePath, const char *saverTarget, const char *playerTarget,
                          const char *playerFile, PayloadTrailer *trailer);

// Where an install writes its files and where they end up. On the win95 and winNT classes the
// installer writes the temporary names and the finishing process moves them to the final ones;
// on the win31 class both are the same.
struct InstallNames {
    FinishingFields paths;
    bool namedByOwnFile;  // the final base name is the installer file's own (it has no usable
                          // description): existing files of that name are not the saver's own
};

// Decides every name of an install before anything is written: the final base name is the
// installer file's description, or its own base name when the description is not usable as a
// file name (the win31 class always takes its own). INSTALL_BAD_PAYLOAD when neither is usable,
// PATH_TOO_LONG when a path does not fit.
int planInstallNames(const char *enginePath, InstallNames *names);

// Installer side of the finishing process: starts a copy of the new saver that moves the
// temporary files to their final names and registers the saver.
int startFinishingProcess(const FinishingFields &paths);

// The finishing process: moves freshly installed files to their final names. Always 0.
int finishInstall(const char *commandTail);
