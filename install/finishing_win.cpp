// The finishing process: on the win95 and winNT classes the installer writes the new saver and
// player under temporary names; a copy of the new saver, started with "/r", moves them to their
// final names and registers the saver with its short path.
#include <windows.h>

#include "install/finishing_command.h"
#include "install/install_win.h"
#include "payload/file_copy.h"
#include "startup/paths.h"
#include "startup/process_start_win.h"
#include "startup/single_instance_win.h"

namespace {

// True when the path names a file that the finishing process works from: one of the two
// temporary files, or its own program file. The file system ignores letter case, so does this.
bool isOwnSource(const char *path, const FinishingFields &fields, const char *ownPath) {
    return lstrcmpiA(path, fields.temporarySaver) == 0 || lstrcmpiA(path, fields.temporaryPlayer) == 0 ||
           lstrcmpiA(path, ownPath) == 0;
}

}  // namespace

RunResult startFinishingProcess(const FinishingFields &paths) {
    char copyPath[PATH_CAPACITY];
    if (finishingCopyPath(paths.temporarySaver, copyPath) != PathResult::Ok) return RunResult::PathTooLong;
    RunResult result = fromFileResult(copyWholeFile(paths.temporarySaver, copyPath));
    if (result == RunResult::Done) {
        char commandLine[FINISHING_COMMAND_CAPACITY];
        StartedProcess started = {};
        DWORD error = 0;
        if (buildFinishingCommandLine(copyPath, paths, commandLine) && startProgram(commandLine, &started, &error)) {
            CloseHandle(started.process);
        } else {
            result = RunResult::FinishingNotStarted;
        }
    }
    if (result != RunResult::Done) {
        DeleteFileA(paths.temporarySaver);
        DeleteFileA(paths.temporaryPlayer);
    }
    return result;
}

RunResult finishInstall(const char *commandTail) {
    FinishingFields fields;
    if (!parseFinishingCommandLine(commandTail, &fields)) return RunResult::Done;
    // An old file goes only when the new one that replaces it is there, so a failed install
    // never leaves the user with neither; and a final name that names one of the sources is
    // never deleted, so the new files are never destroyed by their own move.
    char ownPath[PATH_CAPACITY] = {};
    GetModuleFileNameA(nullptr, ownPath, PATH_CAPACITY);
    ownPath[PATH_CAPACITY - 1] = '\0';
    const bool newPlayer = fileExists(fields.temporaryPlayer) && !isOwnSource(fields.finalPlayer, fields, ownPath);
    const bool newSaver = fileExists(fields.temporarySaver) && !isOwnSource(fields.finalSaver, fields, ownPath);
    if (newPlayer) DeleteFileA(fields.finalPlayer);
    if (newSaver) DeleteFileA(fields.finalSaver);
    if (newPlayer) MoveFileA(fields.temporaryPlayer, fields.finalPlayer);
    if (newSaver) MoveFileA(fields.temporarySaver, fields.finalSaver);

    char shortPath[PATH_CAPACITY];
    const DWORD length = GetShortPathNameA(fields.finalSaver, shortPath, PATH_CAPACITY);
    const char *registered = length > 0 && length < static_cast<DWORD>(PATH_CAPACITY) ? shortPath : fields.finalSaver;
    WritePrivateProfileStringA("boot", "scrnsave.exe", registered, "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE);
    return RunResult::Done;
}
