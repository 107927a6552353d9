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

// Every step up to the files being in place; the first failure ends it.
int installFiles(const char *enginePath, const char *playerFile, char *saverTarget, char *playerTarget,
                 bool *fromTarget) {
    char playerBeside[PATH_CAPACITY];
    int result = makeInstallNames(enginePath, saverTarget, playerBeside, playerTarget);
    if (result == 0 && !win31) {
        result = replacePathParts(saverTarget, nullptr, nullptr, TEMP_SAVER_NAME, nullptr);
        if (result == 0) result = replacePathParts(playerTarget, nullptr, nullptr, TEMP_PLAYER_NAME, nullptr);
    }
    if (result != 0) return result;
    *fromTarget = startsWithPath(saverTarget, enginePath) || startsWithPath(playerTarget, enginePath);
    if (*fromTarget) return INSTALL_FROM_TARGET;

    PayloadTrailer trailer = {};
    result = readPayloadTrailer(enginePath, &trailer);
    if (result != 0) return result;
    unsigned long fileSize = 0;
    InstallerLayout layout = {};
    if (trailer.imageASize == 0 || trailer.imageBSize == 0 || getFileSize(enginePath, &fileSize) != 0 ||
        installerLayout(trailer, static_cast<uint32_t>(fileSize), &layout) != 0) {
        return INSTALL_BAD_PAYLOAD;
    }
    // An external player named by a path that does not fit is refused, never cut short.
    if (playerFile != nullptr && std::strlen(playerFile) >= static_cast<size_t>(PATH_CAPACITY)) return PATH_TOO_LONG;
    result = checkPlatform(trailer);
    if (result == 0) result = confirmOverwrite(saverTarget, playerTarget);
    if (result == 0) result = writeEngineImage(enginePath, saverTarget, trailer, layout);
    if (result == 0) result = writeTrailerAndPlayer(enginePath, saverTarget, playerTarget, playerFile, &trailer);
    if (result == 0 && !win31) result = startFinishingProcess(enginePath, saverTarget, playerTarget);
    return result;
}

}  // namespace

int installSaver(HINSTANCE instance, const char *enginePath, const char *playerFile, int quiet) {
    char oldSaver[PATH_CAPACITY] = {};
    repairSaverActivation();
    GetPrivateProfileStringA("boot", "scrnsave.exe", "", oldSaver, PATH_CAPACITY, "system.ini");

    char saverTarget[PATH_CAPACITY] = {};
    char playerTarget[PATH_CAPACITY] = {};
    bool fromTarget = false;
    const int result = installFiles(enginePath, playerFile, saverTarget, playerTarget, &fromTarget);
    if (result == 0 && win31) registerSaver(saverTarget, oldSaver);
    reportInstall(instance, result, fromTarget, quiet);
    return result;
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
        if (result == 0) result = writePayloadTrailer(saverTarget, trailer);
        if (result == 0) result = copyFileSlice(enginePath, playerTarget, layout.player, layout.trailer);
        return result;
    }
    unsigned long size = 0;
    int result = getFileSize(playerFile, &size);
    if (result != 0) return result;
    trailer->playerSize = static_cast<uint32_t>(size);
    result = writePayloadTrailer(saverTarget, trailer);
    if (result != 0) return result;
    PathParts external;
    result = splitPath(playerFile, &external);
    if (result != 0) return result;
    // An engine image without a description tag, or without room for the name, keeps its own.
    result = writeDescriptionTag(saverTarget, DESCRIPTION_TAG, external.baseName);
    if (result != 0 && result != FILE_SEEK_FAILED) return result;
    return copyWholeFile(playerFile, playerTarget);
}
