#include "install/install_win.h"

#include <shellapi.h>

#include <cstring>

#include "images/image_set_win.h"
#include "install/elevation.h"
#include "payload/description_tag.h"
#include "payload/file_copy.h"
#include "payload/signature.h"
#include "resources/resource_ids.h"
#include "startup/messages_win.h"
#include "startup/paths.h"
#include "startup/single_instance_win.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"
#include "startup/windows_paths_win.h"

namespace {

constexpr int MINIMUM_SAVER_TIMEOUT = 60;
constexpr int DEFAULT_SAVER_TIMEOUT = 180;

// The settings that make the system start a saver at all: repaired before anything else.
void repairSaverActivation() {
    const int active = static_cast<int>(GetProfileIntA("windows", "ScreenSaveActive", 1));
    const int timeout = static_cast<int>(GetProfileIntA("windows", "ScreenSaveTimeout", DEFAULT_SAVER_TIMEOUT));
    if (active != 1 || timeout < MINIMUM_SAVER_TIMEOUT) writeSaverActivation(1, DEFAULT_SAVER_TIMEOUT);
}

// True when the first characters of the target spell the engine path (letter case ignored).
bool startsWithPath(const char *target, const char *enginePath) {
    const size_t n = std::strlen(enginePath);
    return std::strlen(target) >= n &&
           CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, target, static_cast<int>(n), enginePath,
                          static_cast<int>(n)) == CSTR_EQUAL;
}

// What the installer learns of itself and the system before it plans.
RunResult planFromSystem(const Engine &engine, const PayloadTrailer &trailer, const char *playerFile,
                         InstallPlan *plan) {
    char windows[PATH_CAPACITY];
    if (windowsDirectory(windows) != PathResult::Ok) return RunResult::PathTooLong;
    char description[TAG_TEXT_CAPACITY] = {};
    const bool tagged = readDescriptionTag(engine.path, DESCRIPTION_TAG, description) == FileResult::Ok;
    // A signed installer file's parts end where its certificate table starts.
    const InstallFacts facts = {engine.platform, windows,           engine.path, tagged ? description : nullptr,
                                trailer,         engine.payloadEnd, playerFile,  startsWithPath};
    return planInstall(facts, plan);
}

// The questions before anything is written. On the win31 class the installer asks before it
// overwrites the files of its own name, as it always has. On the others it asks when leftovers
// of an earlier install hold the temporary names, and, when the final names come from the
// installer file's own name, before it replaces files of that name: they may be any program's,
// not an earlier install of this saver (quietly, nothing of that kind is replaced).
RunResult confirmTargets(HINSTANCE instance, const InstallPlan &plan, bool quiet) {
    const FinishingFields &paths = plan.paths;
    if (!plan.finishingProcess) return confirmOverwrite(instance, paths.finalSaver, paths.finalPlayer);
    RunResult result = confirmOverwrite(instance, paths.temporarySaver, paths.temporaryPlayer);
    if (result != RunResult::Done || !plan.namedByOwnFile) return result;
    if (!fileExists(paths.finalSaver) && !fileExists(paths.finalPlayer)) return RunResult::Done;
    if (quiet) return RunResult::Cancelled;
    return confirmOverwrite(instance, paths.finalSaver, paths.finalPlayer);
}

// The engine image of the class, then both splash bitmaps in one piece. The saver carries no
// signature: image A is the signed installer's own header, and image B may come from a signed
// engine, so the copy's security entry and checksum are cleared.
RunResult writeEngineImage(const Engine &engine, const PayloadTrailer &trailer, const InstallPlan &plan) {
    const char *target = plan.paths.temporarySaver;
    FileResult result = copyFileSlice(engine.path, target, plan.imageFrom, plan.imageTo);
    if (result == FileResult::Ok) result = clearSignatureEntry(target);
    if (result == FileResult::Ok && (trailer.splash1Size != 0 || trailer.splash2Size != 0)) {
        result = appendFileSlice(engine.path, target, plan.splashFrom, plan.splashTo);
    }
    return fromFileResult(result);
}

// The trailer onto the saver just assembled, and the player: the carried one, or the external
// one, whose size the trailer then gives and whose name the saver's description gets.
RunResult writeTrailerAndPlayer(const Engine &engine, const PayloadTrailer &carried, const InstallPlan &plan,
                                const char *playerFile) {
    const char *saver = plan.paths.temporarySaver;
    const char *player = plan.paths.temporaryPlayer;
    PayloadTrailer trailer = carried;
    if (playerFile == nullptr) {
        FileResult result = appendPayloadTrailer(saver, &trailer);
        if (result == FileResult::Ok) result = copyFileSlice(engine.path, player, plan.playerFrom, plan.playerTo);
        return fromFileResult(result);
    }
    if (!getFileSize(playerFile, &trailer.playerSize)) return RunResult::PlayerUnreadable;
    FileResult result = appendPayloadTrailer(saver, &trailer);
    if (result != FileResult::Ok) return fromFileResult(result);
    PathParts external;
    if (splitPath(playerFile, &external) != PathResult::Ok) return RunResult::PathTooLong;
    // An engine image without a description tag, or without room for the name, keeps its own.
    result = writeDescriptionTag(saver, DESCRIPTION_TAG, external.baseName);
    if (result != FileResult::Ok && result != FileResult::SeekFailed) return fromFileResult(result);
    return fromFileResult(copyWholeFile(playerFile, player));
}

void reportInstall(HINSTANCE instance, RunResult result, bool quiet) {
    switch (result) {
        case RunResult::Done:
            if (!quiet) showInstallMessage(instance, 1, STRING_INSTALLED);
            return;
        case RunResult::Cancelled:
        case RunResult::ElevatedCopy:  // the copy told the user itself
            return;
        case RunResult::NeedsRights:
            showInstallMessage(instance, 0, STRING_NEEDS_RIGHTS);
            return;
        case RunResult::RunFromTarget:
            showInstallMessage(instance, 0, STRING_RUN_FROM_WINDOWS_DIRECTORY);
            return;
        case RunResult::NeedsWin32:
            showInstallMessage(instance, 0, STRING_NEEDS_WIN32);
            return;
        case RunResult::NeedsWin16:
            showInstallMessage(instance, 0, STRING_NEEDS_WIN16);
            return;
        default:
            showInstallMessage(instance, 0, STRING_INSTALL_FAILED);
            return;
    }
}

// The splash bitmaps of the installer file are pictures that the saver will be able to read: an
// installer whose bitmaps lie about themselves is refused before anything is written.
RunResult checkSplashPictures(const Engine &engine, const PayloadTrailer &trailer, const InstallPlan &plan) {
    const int32_t offsets[2] = {plan.splashFrom, plan.splashFrom + static_cast<int32_t>(trailer.splash1Size)};
    const uint32_t sizes[2] = {trailer.splash1Size, trailer.splash2Size};
    for (int i = 0; i < 2; ++i) {
        if (sizes[i] == 0) continue;
        BITMAPINFOHEADER *dib = nullptr;
        const DibResult read = readDibAtOffset(engine.path, offsets[i], &dib);
        freeDibBlock(&dib);
        if (read != DibResult::Ok) return RunResult::BadPayload;
    }
    return RunResult::Done;
}

// The installer's first write into the Windows directory, tried before any question: the temporary
// saver opened for writing, and removed again when it was not there before; nothing is changed.
// 0, or the system's error.
uint32_t tryFirstWrite(const char *temporarySaver) {
    uint32_t error = 0;
    if (testWriteErrorOverride(&error)) return error;
    const bool existed = fileExists(temporarySaver);
    HANDLE file = CreateFileA(temporarySaver, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    CloseHandle(file);
    if (!existed) DeleteFileA(temporarySaver);
    return 0;
}

// Starts this installer again, with the same command line, as the administrator (the system asks
// the user), and waits for it to end.
Relaunch runElevatedCopy(Engine &engine) {
    Relaunch relaunch = {false, 0};
    testTrace("relaunch %s %s", engine.path, engine.commandTail);
    if (testRelaunchOverride(&relaunch.started, &relaunch.error)) return relaunch;
    using ShellExecuteExFunction = BOOL(WINAPI *)(SHELLEXECUTEINFOA *);
    const SystemLibrary shell("SHELL32.DLL");
    const auto execute =
        reinterpret_cast<ShellExecuteExFunction>(reinterpret_cast<void *>(shell.function("ShellExecuteExA")));
    if (execute == nullptr) {
        relaunch.error = ERROR_PROC_NOT_FOUND;
        return relaunch;
    }
    testPrepareElevatedCopy();
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpVerb = "runas";
    request.lpFile = engine.path;
    request.lpParameters = engine.commandTail;
    request.nShow = SW_SHOWNORMAL;
    if (!execute(&request)) {
        relaunch.error = GetLastError();
        return relaunch;
    }
    relaunch.started = true;
    // The copy asks its questions and shows its messages itself; this run only waits for its verdict.
    if (request.hProcess != nullptr) {
        WaitForSingleObject(request.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(request.hProcess, &code);
        CloseHandle(request.hProcess);
        engine.relayedExitCode = static_cast<int>(code);
    }
    return relaunch;
}

}  // namespace

RunResult checkWriteRights(Engine &engine, const char *probePath) {
    RightsFacts facts = {engine.version, false, tryFirstWrite(probePath)};
    if (facts.writeError == SYSTEM_ERROR_ACCESS_DENIED && isNt6OrLater(facts.version)) {
        facts.elevated = processElevated();
    }
    switch (rightsAction(facts)) {
        case RightsAction::Proceed:
            return RunResult::Done;
        case RightsAction::AskElevation:
            // The copy is a second process of this engine file: this run steps out of the
            // instance count so that the guard admits it.
            leaveInstanceCount(engine);
            return relaunchResult(runElevatedCopy(engine));
        case RightsAction::ExplainRights:
            return RunResult::NeedsRights;
        case RightsAction::Fail:
            break;
    }
    return RunResult::OpenFailed;
}

namespace {

// Every step up to the files being in place and the saver registered; the first failure ends it.
// Nothing is written before the plan and the questions; once the temporary files are begun, a
// failure removes them again, and the earlier saver stays as it was.
RunResult installFiles(Engine &engine, const PayloadTrailer &trailer, const char *playerFile, bool quiet,
                       const char *oldSaver) {
    InstallPlan plan;
    RunResult result = planFromSystem(engine, trailer, playerFile, &plan);
    if (result == RunResult::Done) result = checkSplashPictures(engine, trailer, plan);
    if (result == RunResult::Done) result = checkWriteRights(engine, plan.paths.temporarySaver);
    if (result == RunResult::Done) result = confirmTargets(engine.instance, plan, quiet);
    if (result != RunResult::Done) return result;
    result = writeEngineImage(engine, trailer, plan);
    if (result == RunResult::Done) result = writeTrailerAndPlayer(engine, trailer, plan, playerFile);
    if (result != RunResult::Done) {
        DeleteFileA(plan.paths.temporarySaver);
        DeleteFileA(plan.paths.temporaryPlayer);
        return result;
    }
    return plan.finishingProcess ? startFinishingProcess(plan.paths)
                                 : commitInstall(plan.paths, Registration::FullPath, oldSaver);
}

}  // namespace

RunResult installSaver(Engine &engine, const PayloadTrailer &trailer, const char *playerFile, bool quiet) {
    char oldSaver[PATH_CAPACITY] = {};
    repairSaverActivation();
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", oldSaver, PATH_CAPACITY, "system.ini");
    const RunResult result = installFiles(engine, trailer, playerFile, quiet, oldSaver);
    reportInstall(engine.instance, result, quiet);
    return result;
}

RunResult confirmOverwrite(HINSTANCE instance, const char *saverPath, const char *playerPath) {
    if (!fileExists(saverPath) && !fileExists(playerPath)) return RunResult::Done;
    return showFormattedMessage(instance, STRING_OVERWRITE, MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2, saverPath,
                                playerPath) == IDOK
               ? RunResult::Done
               : RunResult::Cancelled;
}
