// Committing an install: the temporary files move to their final names and the saver is
// registered, all or nothing. On the win95 and winNT classes a copy of the new saver, started
// with "/r" (the finishing process), does it; on the win31 class the installer itself.
#include <windows.h>

#include <cstring>

#include "install/finishing_command.h"
#include "install/install_win.h"
#include "install/program_entry_win.h"
#include "payload/file_copy.h"
#include "startup/install_names.h"
#include "startup/paths.h"
#include "startup/process_start_win.h"
#include "startup/windows_paths_win.h"

namespace {

constexpr DWORD FINISHING_WAIT_MS = 60000;

// True when the path names a file that the commit works from: one of the two temporary files,
// or the running program's own file. The file system ignores letter case, so does this.
bool isOwnSource(const char *path, const FinishingFields &fields) {
    char ownPath[PATH_CAPACITY] = {};
    GetModuleFileNameA(nullptr, ownPath, PATH_CAPACITY);
    ownPath[PATH_CAPACITY - 1] = '\0';
    return lstrcmpiA(path, fields.temporarySaver) == 0 || lstrcmpiA(path, fields.temporaryPlayer) == 0 ||
           lstrcmpiA(path, ownPath) == 0;
}

// The registration can be written: system.ini in the Windows directory is not read-only. (The
// profile functions' flush reports nothing either way, so this is asked before anything moves.)
bool systemIniWritable() {
    char path[PATH_CAPACITY];
    const UINT length = GetWindowsDirectoryA(path, PATH_CAPACITY);
    if (length == 0 || length + sizeof "\\system.ini" > static_cast<UINT>(PATH_CAPACITY)) return false;
    std::strcpy(path + length, path[length - 1] == '\\' ? "system.ini" : "\\system.ini");
    const DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool registerSaver(const char *finalSaver, Registration registration, const char *oldSaver) {
    char shortPath[PATH_CAPACITY];
    const char *registered = finalSaver;
    if (registration == Registration::ShortPath) {
        const DWORD length = GetShortPathNameA(finalSaver, shortPath, PATH_CAPACITY);
        if (length > 0 && length < static_cast<DWORD>(PATH_CAPACITY)) registered = shortPath;
    } else if (lstrcmpA(finalSaver, oldSaver) == 0) {
        return true;
    }
    if (WritePrivateProfileStringA("boot", "scrnsave.exe", registered, "system.ini") == FALSE) return false;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE);
    return true;
}

// On the win95 and winNT classes the saver joins the list of programs, so that it can be removed
// from there. The entry keeps the saver registered before: what system.ini named before this
// commit, or, when that is this saver already (an install over itself), what its earlier entry
// kept.
bool addProgramEntry(const FinishingFields &paths, Registration registration, const char *registeredBefore) {
    if (registration != Registration::ShortPath) return true;
    char previous[PATH_CAPACITY];
    std::strcpy(previous, registeredBefore);
    if (previous[0] != '\0' && sameFile(previous, paths.finalSaver)) findProgramEntry(paths.finalSaver, previous);
    return writeProgramEntry(paths.finalSaver, paths.finalPlayer, previous) != nullptr;
}

}  // namespace

bool removeFile(const char *path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) != FALSE || !fileExists(path);
}

bool writeRegistration(const char *value) {
    const bool written =
        WritePrivateProfileStringA("boot", "scrnsave.exe", value[0] != '\0' ? value : nullptr, "system.ini") != FALSE;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    return written;
}

bool move(Move *step) {
    step->made = MoveFileA(step->from, step->to) != FALSE;
    return step->made;
}

void undo(const Move &step) {
    if (step.made) MoveFileA(step.to, step.from);
}

RunResult commitInstall(const FinishingFields &paths, Registration registration, const char *oldSaver) {
    char backupSaver[PATH_CAPACITY];
    char backupPlayer[PATH_CAPACITY];
    std::strcpy(backupSaver, paths.finalSaver);
    std::strcpy(backupPlayer, paths.finalPlayer);
    // A final name that names one of the sources would destroy the new files by their own move.
    const bool possible = !isOwnSource(paths.finalSaver, paths) && !isOwnSource(paths.finalPlayer, paths) &&
                          systemIniWritable() &&
                          replacePathParts(backupSaver, nullptr, nullptr, BACKUP_NAME, nullptr) == PathResult::Ok &&
                          replacePathParts(backupPlayer, nullptr, nullptr, BACKUP_NAME, nullptr) == PathResult::Ok;
    Move steps[4] = {{paths.finalSaver, backupSaver, false},
                     {paths.finalPlayer, backupPlayer, false},
                     {paths.temporarySaver, paths.finalSaver, false},
                     {paths.temporaryPlayer, paths.finalPlayer, false}};
    bool done = possible;
    for (int i = 0; i < 4 && done; ++i) {
        // The earlier files are kept aside only when there are any, under the backup name, which
        // a commit that was cut short may have left taken: that stale backup goes first. (With no
        // earlier file, a backup is the earlier file of such a commit and stays until success.)
        // The new files then move to the final names, which the earlier ones have left free.
        if (i < 2) {
            if (!fileExists(steps[i].from)) continue;
            removeFile(steps[i].to);
        }
        done = move(&steps[i]);
    }
    char registeredBefore[PATH_CAPACITY] = {};
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", registeredBefore, PATH_CAPACITY, "system.ini");
    const bool registered = done && registerSaver(paths.finalSaver, registration, oldSaver);
    done = registered && addProgramEntry(paths, registration, registeredBefore);
    if (registered && !done) writeRegistration(registeredBefore);
    if (done) {
        removeFile(backupSaver);
        removeFile(backupPlayer);
        return RunResult::Done;
    }
    for (int i = 3; i >= 0; --i) undo(steps[i]);
    removeFile(paths.temporarySaver);
    removeFile(paths.temporaryPlayer);
    return RunResult::NotCommitted;
}

RunResult startFinishingProcess(const FinishingFields &paths) {
    char copyPath[PATH_CAPACITY];
    RunResult result = finishingCopyPath(paths.temporarySaver, copyPath) == PathResult::Ok
                           ? fromFileResult(copyWholeFile(paths.temporarySaver, copyPath))
                           : RunResult::PathTooLong;
    StartedProcess started = {};
    if (result == RunResult::Done) {
        char commandLine[FINISHING_COMMAND_CAPACITY];
        DWORD error = 0;
        if (!buildFinishingCommandLine(copyPath, paths, commandLine) || !startProgram(commandLine, &started, &error)) {
            result = RunResult::FinishingNotStarted;
        }
    }
    if (result != RunResult::Done) {
        removeFile(paths.temporarySaver);
        removeFile(paths.temporaryPlayer);
        return result;
    }
    // The finishing process's verdict is the install's: it ends with the commit's exit code.
    DWORD code = 0;
    const bool ended = WaitForSingleObject(started.process, FINISHING_WAIT_MS) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(started.process, &code);
    CloseHandle(started.process);
    if (ended && code == 0) return RunResult::Done;
    // A finishing process that has ended has put back whatever it moved; what it did not move
    // is removed here. One still running owns the files yet and is left to finish.
    if (ended) {
        removeFile(paths.temporarySaver);
        removeFile(paths.temporaryPlayer);
    }
    return RunResult::NotCommitted;
}

RunResult finishInstall(const char *commandTail) {
    FinishingFields fields;
    if (!parseFinishingCommandLine(commandTail, &fields)) return RunResult::Done;
    return commitInstall(fields, Registration::ShortPath, "");
}
