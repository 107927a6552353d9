#include "install/program_entry.h"

#include <cstring>

bool makeProgramEntryTexts(const char *saverPath, ProgramEntryTexts *out) {
    *out = ProgramEntryTexts{};
    PathParts parts;
    if (splitPath(saverPath, &parts) != PathResult::Ok || parts.baseName[0] == '\0') return false;
    std::strcpy(out->key, UNINSTALL_KEY);
    std::strcat(out->key, "\\");
    std::strcat(out->key, parts.baseName);
    std::strcat(out->key, parts.extension);
    std::strcpy(out->displayName, parts.baseName);
    std::strcat(out->displayName, " (screen saver)");
    std::strcpy(out->uninstall, "\"");
    std::strcat(out->uninstall, saverPath);
    std::strcat(out->uninstall, "\" /u");
    std::strcpy(out->quietUninstall, out->uninstall);
    std::strcat(out->quietUninstall, " /q");
    return true;
}

uint32_t estimatedSizeKiB(uint32_t saverBytes, uint32_t playerBytes) {
    const uint64_t bytes = uint64_t{saverBytes} + playerBytes;
    return static_cast<uint32_t>((bytes + 1023) / 1024);
}
