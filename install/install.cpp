#include "install/install.h"

#include <cstdio>
#include <cstring>

#include "payload/description_tag.h"
#include "payload/file_copy.h"
#include "resources/resource_ids.h"
#include "startup/messages.h"
#include "startup/paths.h"
#include "startup/system_settings.h"
#include "startup/windows_paths.h"

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
    return std::strlen(target) >= n && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, target,
                                                      static_cast<int>(n), enginePath, static_cast<int>(n)) == CSTR_EQUAL;
}

int checkPlatform(const PayloadTrailer &trailer) {
    const bool needsWin32 = (trailer.flags & TRAILER_FLAG_WIN32) != 0;
    if (win31 && needsWin32) return INSTALL_NEEDS_WIN32;
    if (winNT && !needsWin32) return INSTALL_NEEDS_WIN16;
    return 0;
}

// The engine image of the platform class, then both splash bitmaps in one piece.
int writeEngineImage(const char *enginePath, const char *saverTarget, const PayloadTrailer &trailer,
                     const InstallerLayout &layout) {
    int result = win31 ? copyFilePrefix(enginePath, saverTarget, layout.imageB)
                       : copyFileSlice(enginePath, saverTarget, layout.imageB, layout.splash);
    if (result == 0 && (trailer.splash1Size != 0 || trailer.splash2Size != 0)) {
        result = appendFileSlice(enginePath, saverTarget, layout.splash, layout.player);
    }
    return result;
}

// win31 class: the installer makes the saver the system's saver itself, with its full path.
void registerSaver(const char *saverTarget, const char *oldSaver) {
    if (lstrcmpA(saverTarget, oldSaver) == 0) return;
    WritePrivateProfileStringA("boot", "scrnsave.exe", saverTarget, "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE);
}

// A short write reports -4 as well: only the refusal to run from a target shows string 7.
void reportInstall(HINSTANCE instance, int result, bool fromTarget, int quiet) {
    if (fromTarget) {
        showInstallMessage(instance, 0, STRING_RUN_FROM_WINDOWS_DIRECTORY);
        return;
    }
    switch (result) {
        case 0:
            if (!quiet) showInstallMessage(instance, 1, STRING_INSTALLED);
            return;
        case INSTALL_CANCELLED:
            return;
        case INSTALL_NEEDS_WIN32:
            showInstallMessage(instance, 0, STRING_NEEDS_WIN32);
            return;
        case INSTALL_NEEDS_WIN16:
            showInstallMessage(instance, 0, STRING_NEEDS_WIN16);
            return;
        default:
            showInstallMessage(instance, 0, STRING_INSTALL_FAILED);
            return;
    }
}

// Before anything is written, existing files under the final names are replaced only with the
// user's consent when those names come from the installer file's own name: they may be any
// program of that name, not an earlier install of this saver. Quietly, nothing is replaced.
int confirmFinalNames(const InstallNames &names, int quiet) {
    if (win31 || !names.namedByOwnFile) return 0;
    if (!fileExists(names.paths.finalSaver) && !fileExists(names.paths.finalPlayer)) return 0;
    if (quiet) return INSTALL_CANCELLED;
    return confirmOverwrite(names.paths.finalSaver, names.paths.finalPlayer);
}

// Every step up to the files being in place; the first failure ends it.
int installFiles(const char *enginePath, const char *playerFile, int quiet, InstallNames *names, bool *fromTarget) {
    const int planned = planInstallNames(enginePath, names);
    if (planned == PATH_TOO_LONG) return planned;
    const char *saverTarget = names->paths.temporarySaver;
    const char *playerTarget = names->paths.temporaryPlayer;
    *fromTarget = startsWithPath(saverTarget, enginePath) || startsWithPath(playerTarget, enginePath);
    if (*fromTarget) return INSTALL_FROM_TARGET;
    if (planned != 0) return planned;

    PayloadTrailer trailer = {};
    int result = readPayloadTrailer(enginePath, &trailer);
    if (result != 0) return result;
    // Only the parts that are copied from the installer file must be whole: with an external
    // player ("/z") the carried one may be damaged or cut off.
    PayloadTrailer copied = trailer;
    if (playerFile != nullptr) copied.playerSize = 0;
    unsigned long fileSize = 0;
    InstallerLayout layout = {};
    if (trailer.imageASize == 0 || trailer.imageBSize == 0 || getFileSize(enginePath, &fileSize) != 0 ||
        installerLayout(copied, static_cast<uint32_t>(fileSize), &layout) != 0) {
        return INSTALL_BAD_PAYLOAD;
    }
    // An external player named by a path that does not fit is refused, never cut short.
    if (playerFile != nullptr && std::strlen(playerFile) >= static_cast<size_t>(PATH_CAPACITY)) return PATH_TOO_LONG;
    result = checkPlatform(trailer);
    if (result == 0) result = confirmOverwrite(saverTarget, playerTarget);
    if (result == 0) result = confirmFinalNames(*names, quiet);
    if (result == 0) result = writeEngineImage(enginePath, saverTarget, trailer, layout);
    if (result == 0) result = writeTrailerAndPlayer(enginePath, saverTarget, playerTarget, playerFile, &trailer);
    if (result == 0 && !win31) result = startFinishingProcess(names->paths);
    return result;
}

}  // namespace

int installSaver(HINSTANCE instance, const char *enginePath, const char *playerFile, int quiet) {
    char oldSaver[PATH_CAPACITY] = {};
    repairSaverActivation();
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", oldSaver, PATH_CAPACITY, "system.ini");

    InstallNames names = {};
    bool fromTarget = false;
    const int result = installFiles(enginePath, playerFile, quiet, &names, &fromTarget);
    if (result == 0 && win31) registerSaver(names.paths.finalSaver, oldSaver);
    reportInstall(instance, result, fromTarget, quiet);
    return result;
}

int planInstallNames(const char *enginePath, InstallNames *names) {
    *names = InstallNames{};
    FinishingFields &paths = names->paths;
    char playerBeside[PATH_CAPACITY];
    if (makeInstallNames(enginePath, paths.temporarySaver, playerBeside, paths.temporaryPlayer) != 0) {
        return PATH_TOO_LONG;
    }
    std::strcpy(paths.finalSaver, paths.temporarySaver);
    std::strcpy(paths.finalPlayer, paths.temporaryPlayer);
    if (!win31 && (replacePathParts(paths.temporarySaver, nullptr, nullptr, TEMP_SAVER_NAME, nullptr) != 0 ||
                   replacePathParts(paths.temporaryPlayer, nullptr, nullptr, TEMP_PLAYER_NAME, nullptr) != 0)) {
        return PATH_TOO_LONG;
    }

    PathParts own;
    if (splitPath(enginePath, &own) != 0) return PATH_TOO_LONG;
    char baseName[TAG_TEXT_CAPACITY] = {};
    names->namedByOwnFile = win31 || readDescriptionTag(enginePath, DESCRIPTION_TAG, baseName) != 0 ||
                            !usableAsFinalName(baseName);
    if (names->namedByOwnFile) std::strcpy(baseName, own.baseName);
    if (!usableAsFinalName(baseName)) return INSTALL_BAD_PAYLOAD;
    if (replacePathParts(paths.finalSaver, nullptr, nullptr, baseName, nullptr) != 0 ||
        replacePathParts(paths.finalPlayer, nullptr, nullptr, baseName, nullptr) != 0) {
        return PATH_TOO_LONG;
    }
    return 0;
}

int askOkCancel(const char *text) {
    return MessageBoxA(nullptr, text, "", MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK
               ? 0
               : INSTALL_CANCELLED;
}

int confirmOverwrite(const char *saverTarget, const char *playerTarget) {
    if (!fileExists(saverTarget) && !fileExists(playerTarget)) return 0;
    char format[PATH_CAPACITY] = {};
    LoadStringA(GetModuleHandleA(nullptr), STRING_OVERWRITE, format, PATH_CAPACITY);
    char question[3 * PATH_CAPACITY];
    std::snprintf(question, sizeof question, format, saverTarget, playerTarget);
    return askOkCancel(question);
}

int writeTrailerAndPlayer(const char *enginePath, const char *saverTarget, const char *playerTarget,
                          const char *playerFile, PayloadTrailer *trailer) {
    if (playerFile == nullptr) {
        InstallerLayout layout = {};
        int result = installerLayout(*trailer, UINT32_MAX, &layout);
        if (result == 0) result = appendPayloadTrailer(saverTarget, trailer);
        if (result == 0) result = copyFileSlice(enginePath, playerTarget, layout.player, layout.trailer);
        return result;
    }
    unsigned long size = 0;
    int result = getFileSize(playerFile, &size);
    if (result != 0) return result;
    trailer->playerSize = static_cast<uint32_t>(size);
    result = appendPayloadTrailer(saverTarget, trailer);
    if (result != 0) return result;
    PathParts external;
    result = splitPath(playerFile, &external);
    if (result != 0) return result;
    // An engine image without a description tag, or without room for the name, keeps its own.
    result = writeDescriptionTag(saverTarget, DESCRIPTION_TAG, external.baseName);
    if (result != 0 && result != FILE_SEEK_FAILED) return result;
    return copyWholeFile(playerFile, playerTarget);
}
