#include "install/removal_win.h"

#include <cstring>

#include "install/install_win.h"
#include "install/program_entry_win.h"
#include "install/removal_command.h"
#include "payload/file_copy.h"
#include "payload/system_io.h"
#include "resources/resource_ids.h"
#include "startup/install_names.h"
#include "startup/messages_win.h"
#include "startup/paths.h"
#include "startup/process_start_win.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"
#include "startup/windows_paths_win.h"

namespace {

constexpr DWORD SAVER_END_WAIT_MS = 60000;
// A saver's file stays in use for a moment after its process has ended (and, after an elevated
// removal, until the first, unelevated run has ended too): its deletion is tried again for so long.
constexpr DWORD DELETE_RETRY_MS = 10000;
constexpr DWORD DELETE_RETRY_STEP_MS = 100;

// The saver's name: the base name of its file.
void saverName(const char *saverPath, char *name) {
    PathParts parts;
    if (splitPath(saverPath, &parts) == PathResult::Ok) {
        std::strcpy(name, parts.baseName);
    } else {
        name[0] = '\0';
    }
}

bool isSaverFile(const char *path) {
    PathParts parts;
    return splitPath(path, &parts) == PathResult::Ok && parts.baseName[0] != '\0' &&
           lstrcmpiA(parts.extension, ".scr") == 0;
}

void reportRemoval(HINSTANCE instance, RunResult result, bool quiet, const char *saverPath) {
    char name[PATH_CAPACITY];
    saverName(saverPath, name);
    if (result == RunResult::Done) {
        if (!quiet) showFormattedMessage(instance, STRING_REMOVED, MB_OK | MB_ICONINFORMATION, name);
    } else if (result != RunResult::Cancelled && result != RunResult::ElevatedCopy) {
        showFormattedMessage(instance, STRING_NOT_REMOVED, MB_OK | MB_ICONEXCLAMATION, name);
    }
}

bool deleteFileSoon(const char *path) {
    for (DWORD waited = 0;; waited += DELETE_RETRY_STEP_MS) {
        if (removeFile(path)) return true;
        if (waited >= DELETE_RETRY_MS) return false;
        Sleep(DELETE_RETRY_STEP_MS);
    }
}

// A file the system deletes at its next start: Windows NT through MoveFileExA, which Windows 95
// only stubs; Windows 95 through WININIT.INI's [rename] section ("NUL=" a short path), added to
// whatever the section holds already (the profile functions would replace an earlier "NUL=").
void deleteAtNextStart(uint32_t version, const char *path) {
    if ((version & 0x80000000u) == 0) {
        using MoveFileExFunction = BOOL(WINAPI *)(LPCSTR, LPCSTR, DWORD);
        const auto moveFileEx = kernelFunction<MoveFileExFunction>("MoveFileExA");
        if (moveFileEx != nullptr) moveFileEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    char shortPath[PATH_CAPACITY];
    const DWORD length = GetShortPathNameA(path, shortPath, PATH_CAPACITY);
    if (length == 0 || length >= static_cast<DWORD>(PATH_CAPACITY)) return;
    constexpr DWORD SECTION_CAPACITY = 8192;
    char *section = static_cast<char *>(allocateMemory(SECTION_CAPACITY + PATH_CAPACITY + 8));
    if (section == nullptr) return;
    DWORD used = GetPrivateProfileSectionA("rename", section, SECTION_CAPACITY, "wininit.ini");
    if (used < SECTION_CAPACITY - 2) {
        std::strcpy(section + used, "NUL=");
        std::strcpy(section + used + 4, shortPath);
        used += 4 + length + 1;
        section[used] = '\0';
        WritePrivateProfileSectionA("rename", section, "wininit.ini");
    }
    releaseMemory(section);
}

// The removal as one step. The saver and its player are first set aside under the backup names,
// so that every later failure can put them back; then the registration goes back to the saver
// registered before (when this saver is the system's), the entry goes, and the files set aside
// are deleted.
RunResult commitRemoval(const char *saver, uint32_t version) {
    char player[PATH_CAPACITY];
    char backupSaver[PATH_CAPACITY];
    char backupPlayer[PATH_CAPACITY];
    std::strcpy(player, saver);
    std::strcpy(backupSaver, saver);
    std::strcpy(backupPlayer, saver);
    if (!isSaverFile(saver) || replacePathParts(player, nullptr, nullptr, nullptr, ".exe") != PathResult::Ok ||
        replacePathParts(backupSaver, nullptr, nullptr, BACKUP_NAME, nullptr) != PathResult::Ok ||
        replacePathParts(backupPlayer, nullptr, nullptr, BACKUP_NAME, ".exe") != PathResult::Ok || !fileExists(saver)) {
        return RunResult::NotRemoved;
    }
    char previous[PATH_CAPACITY];
    const HKEY root = findProgramEntry(saver, previous);
    char registered[PATH_CAPACITY] = {};
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", registered, PATH_CAPACITY, "system.ini");
    const bool systemSaver = registered[0] != '\0' && sameFile(registered, saver);
    const char *registerAfter = fileExists(previous) && !sameFile(previous, saver) ? previous : "";

    const DWORD attributes[2] = {GetFileAttributesA(saver), GetFileAttributesA(player)};
    Move steps[2] = {{saver, backupSaver, false}, {player, backupPlayer, false}};
    bool done = true;
    for (int i = 0; i < 2 && done; ++i) {
        if (!fileExists(steps[i].from)) continue;
        removeFile(steps[i].to);
        SetFileAttributesA(steps[i].from, FILE_ATTRIBUTE_NORMAL);
        done = move(&steps[i]);
    }
    const bool unregistered = done && systemSaver && writeRegistration(registerAfter);
    done = done && (!systemSaver || unregistered);
    const bool unlisted = done && root != nullptr && deleteProgramEntry(root, saver);
    done = done && (root == nullptr || unlisted);
    done = done && deleteFileSoon(backupSaver);
    if (done) {
        if (!removeFile(backupPlayer)) deleteAtNextStart(version, backupPlayer);
        return RunResult::Done;
    }
    for (int i = 1; i >= 0; --i) undo(steps[i]);
    for (int i = 0; i < 2; ++i) {
        if (steps[i].made && attributes[i] != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(steps[i].from, attributes[i]);
    }
    if (unregistered) writeRegistration(registered);
    if (unlisted) writeProgramEntry(saver, player, previous);
    return RunResult::NotRemoved;
}

}  // namespace

RunResult removeSaver(Engine &engine, bool quiet) {
    char probe[PATH_CAPACITY];
    std::strcpy(probe, engine.path);
    RunResult result =
        isSaverFile(engine.path) && replacePathParts(probe, nullptr, nullptr, BACKUP_NAME, nullptr) == PathResult::Ok
            ? checkWriteRights(engine, probe)
            : RunResult::NotRemoved;
    char name[PATH_CAPACITY];
    saverName(engine.path, name);
    if (result == RunResult::Done && !quiet &&
        showFormattedMessage(engine.instance, STRING_REMOVE_QUESTION, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2,
                             name) != IDOK) {
        result = RunResult::Cancelled;
    }
    char helper[PATH_CAPACITY];
    const DWORD length = GetTempPathA(PATH_CAPACITY, helper);
    if (result == RunResult::Done &&
        (length == 0 || length + sizeof REMOVAL_HELPER_FILE >= static_cast<DWORD>(PATH_CAPACITY))) {
        result = RunResult::PathTooLong;
    }
    if (result == RunResult::Done) {
        std::strcpy(helper + length, helper[length - 1] == '\\' ? "" : "\\");
        std::strcat(helper, REMOVAL_HELPER_FILE);
        result = fromFileResult(copyWholeFile(engine.path, helper));
    }
    if (result == RunResult::Done) {
        RemovalFields fields = {GetCurrentProcessId(), quiet, {}};
        std::strcpy(fields.saver, engine.path);
        char commandLine[COMMAND_LINE_CAPACITY];
        StartedProcess started = {};
        DWORD error = 0;
        if (buildRemovalCommandLine(helper, fields, commandLine, sizeof commandLine) &&
            startProgram(commandLine, &started, &error)) {
            CloseHandle(started.process);
        } else {
            DeleteFileA(helper);
            result = RunResult::NotRemoved;
        }
    }
    if (result != RunResult::Done) reportRemoval(engine.instance, result, quiet, engine.path);
    return result;
}

RunResult finishRemoval(Engine &engine, const char *commandTail) {
    RemovalFields fields;
    if (!parseRemovalCommandLine(commandTail, &fields)) return RunResult::Done;
    const HANDLE saverRun = OpenProcess(SYNCHRONIZE, FALSE, fields.saverProcess);
    bool ended = true;
    if (saverRun != nullptr) {
        ended = WaitForSingleObject(saverRun, SAVER_END_WAIT_MS) == WAIT_OBJECT_0;
        CloseHandle(saverRun);
    }
    const RunResult result = ended ? commitRemoval(fields.saver, engine.version) : RunResult::NotRemoved;
    testTrace("removal=%d", static_cast<int>(exitCodeOf(result)));
    reportRemoval(engine.instance, result, fields.quiet, fields.saver);
    deleteAtNextStart(engine.version, engine.path);
    return result;
}
