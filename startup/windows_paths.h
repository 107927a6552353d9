// Install names against the system's own Windows directory.
#pragma once

// makeInstallNamesIn with the directory that GetWindowsDirectoryA gives.
int makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget);
