// The finishing process: on the win95 and winNT classes the installer writes the new saver and
// player under temporary names; a copy of the new saver, started with "/r", moves them to their
// final names and registers the saver with its short path.
#include <windows.h>

#include <cstring>

#include "install/finishing_command.h"
#include "install/install.h"
#include "payload/description_tag.h"
#include "payload/file_copy.h"
#include "saver/player.h"
#include "startup/entry.h"
#include "startup/paths.h"

namespace {

// A description can become a file name only when it names no other directory or stream and
// holds nothing the finishing command line cannot carry.
bool usableAsBaseName(const char *text) {
    if (text[0] == '\0') return false;
    for (const char *p = text; *p != '\0'; ++p) {
        if (std::strchr("\\/:\"*?<>|", *p) != nullptr || static_cast<unsigned char>(*p) < 32) return false;
    }
    return std::strcmp(text, ".") != 0 && std::strcmp(text, "..") != 0;
}

}  // namespace

void applyDescriptionNames(const char *path, char *saverPath, char *playerPath) {
    char text[TAG_TEXT_CAPACITY] = {};
    if (readDescriptionTag(path, DESCRIPTION_TAG, text) != 0 || !usableAsBaseName(text)) {
        // Without a usable description the installer file's own name serves, so the saver and
        // its player still get one name and the saver finds its player.
        PathParts own;
        if (splitPath(path, &own) != 0 || !usableAsBaseName(own.baseName)) return;
        std::strcpy(text, own.baseName);
    }
    char saver[PATH_CAPACITY];
    char player[PATH_CAPACITY];
    std::strcpy(saver, saverPath);
    std::strcpy(player, playerPath);
    if (replacePathParts(saver, nullptr, nullptr, text, nullptr) == 0 &&
        replacePathParts(player, nullptr, nullptr, text, nullptr) == 0) {
        std::strcpy(saverPath, saver);
        std::strcpy(playerPath, player);
    }
}

int startFinishingProcess(const char *enginePath, char *saverTarget, char *playerTarget) {
    FinishingFields fields = {};
    std::strcpy(fields.temporarySaver, saverTarget);
    std::strcpy(fields.finalSaver, saverTarget);
    std::strcpy(fields.temporaryPlayer, playerTarget);
    std::strcpy(fields.finalPlayer, playerTarget);
    char copyPath[PATH_CAPACITY];
    if (finishingCopyPath(saverTarget, copyPath) != 0) return PATH_TOO_LONG;
    applyDescriptionNames(enginePath, fields.finalSaver, fields.finalPlayer);
    if (std::strcmp(fields.finalSaver, saverTarget) == 0 && std::strcmp(fields.finalPlayer, playerTarget) == 0) {
        return 0;
    }

    int result = copyWholeFile(saverTarget, copyPath);
    if (result == 0) {
        char commandLine[FINISHING_COMMAND_CAPACITY];
        result = buildFinishingCommandLine(copyPath, fields, commandLine) == 0 && spawnProcess(commandLine) == 0
                     ? 0
                     : FINISHING_NOT_STARTED;
    }
    if (result == 0) {
        std::strcpy(saverTarget, fields.finalSaver);
        std::strcpy(playerTarget, fields.finalPlayer);
    } else {
        DeleteFileA(fields.temporarySaver);
        DeleteFileA(fields.temporaryPlayer);
    }
    return result;
}

int finishInstall(const char *commandTail) {
    FinishingFields fields;
    if (parseFinishingCommandLine(commandTail, &fields) != 0) return 0;
    // An old file goes only when the new one that replaces it is there, so a failed install
    // never leaves the user with neither.
    const bool newPlayer = fileExists(fields.temporaryPlayer) != 0;
    const bool newSaver = fileExists(fields.temporarySaver) != 0;
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
    return 0;
}
