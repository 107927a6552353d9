// Installer mode and the finishing process of an install.
#pragma once

#include <windows.h>

#include "payload/trailer.h"

// Install results besides the file codes (-1 .. -5) of the payload code.
constexpr int INSTALL_FROM_TARGET = -4;       // the installer runs from one of its own targets
constexpr int INSTALL_BAD_PAYLOAD = -100;     // image sizes of 0, or parts that do not fit the file
constexpr int INSTALL_CANCELLED = -200;       // the user answered Cancel to the overwrite question
constexpr int INSTALL_NEEDS_WIN16 = -2999;    // winNT class, payload without TRAILER_FLAG_WIN32
constexpr int INSTALL_NEEDS_WIN32 = -3000;    // win31 class, payload with TRAILER_FLAG_WIN32
constexpr int FINISHING_NOT_STARTED = 1;      // the finishing process could not be started

constexpr char TEMP_SAVER_NAME[] = "Inst9754";
constexpr char TEMP_PLAYER_NAME[] = "Inst9755";

// Installs the installer file enginePath into the Windows directory. playerFile is the "/z"
// argument (an external player) or null; quiet suppresses the success message.
int installSaver(HINSTANCE instance, const char *enginePath, const char *playerFile, int quiet);

// 0 when neither target exists, else the answer to "Overwrite ... and ...?": 0 or -200.
int confirmOverwrite(const char *saverTarget, const char *playerTarget);
// A question box with OK and Cancel (Cancel the default): 0 for OK, -200 for anything else.
int askOkCancel(const char *text);
// Writes the trailer into the saver target and the player into the player target.
int writeTrailerAndPlayer(const char *enginePath, const char *saverTarget, const char *playerTarget,
                          const char *playerFile, PayloadTrailer *trailer);

// Installer side of the finishing process: moves the temporary targets to the names of the
// installer file's description. On success the two paths are rewritten to the final ones.
int startFinishingProcess(const char *enginePath, char *saverTarget, char *playerTarget);
// Sets the base name of both paths to the description of the file (or to the file's own base
// name when it has no usable description).
void applyDescriptionNames(const char *path, char *saverPath, char *playerPath);

// The finishing process: moves freshly installed files to their final names. Always 0.
int finishInstall(const char *commandTail);
