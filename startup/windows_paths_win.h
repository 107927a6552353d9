// Paths against the system's own Windows directory.
#pragma once

#include "startup/paths.h"

// The Windows directory as GetWindowsDirectoryA gives it; TooLong (out empty) when it cannot be
// had in a path buffer.
PathResult windowsDirectory(char *out);
// makeInstallNamesIn with that directory.
PathResult makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget);
