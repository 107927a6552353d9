#include "startup/windows_paths_win.h"

#include <windows.h>

PathResult windowsDirectory(char *out) {
    const UINT length = GetWindowsDirectoryA(out, PATH_CAPACITY);
    if (length == 0 || length >= static_cast<UINT>(PATH_CAPACITY)) {
        out[0] = '\0';
        return PathResult::TooLong;
    }
    return PathResult::Ok;
}

PathResult makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget) {
    char directory[PATH_CAPACITY];
    if (windowsDirectory(directory) != PathResult::Ok) {
        saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
        return PathResult::TooLong;
    }
    return makeInstallNamesIn(directory, enginePath, saverTarget, playerBeside, playerTarget);
}
