#include "startup/windows_paths.h"

#include <windows.h>

#include "startup/paths.h"

int makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget) {
    char windowsDirectory[PATH_CAPACITY] = {};
    const UINT length = GetWindowsDirectoryA(windowsDirectory, PATH_CAPACITY);
    if (length == 0 || length >= static_cast<UINT>(PATH_CAPACITY)) {
        saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
        return PATH_TOO_LONG;
    }
    return makeInstallNamesIn(windowsDirectory, enginePath, saverTarget, playerBeside, playerTarget);
}
