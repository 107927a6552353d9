// Installer mode and the finishing process of an install.
#pragma once

#include <windows.h>

// Installs the installer file enginePath into the Windows directory. playerFile is the "/z"
// argument (an external player) or null; quiet suppresses the success message.
int installSaver(HINSTANCE instance, const char *enginePath, const char *playerFile, int quiet);

// The finishing process: moves freshly installed files to their final names. Always 0.
int finishInstall(const char *commandTail);
