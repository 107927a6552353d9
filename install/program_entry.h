// A saver's entry in the system's list of programs (Add/Remove Programs, "Apps & Features"): a
// key under Software\Microsoft\Windows\CurrentVersion\Uninstall named after the saver's file
// ("Fish Tank.scr"), with the texts that the list shows and runs.
#pragma once

#include <cstdint>

#include "startup/paths.h"

constexpr char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The value that keeps the saver registered before the install, so that a removal gives it back;
// an entry with this value is one of ours.
constexpr char PREVIOUS_SAVER_VALUE[] = "PreviousScreenSaver";

struct ProgramEntryTexts {
    char key[PATH_CAPACITY + sizeof UNINSTALL_KEY];  // UNINSTALL_KEY\NAME.scr
    char displayName[PATH_CAPACITY + 20];            // "NAME (screen saver)"
    char uninstall[PATH_CAPACITY + 8];               // "\"SAVER\" /u"
    char quietUninstall[PATH_CAPACITY + 12];         // "\"SAVER\" /u /q"
};

// The texts of the installed saver's entry; false when the path has no file name.
bool makeProgramEntryTexts(const char *saverPath, ProgramEntryTexts *out);

// The size the list shows, in KiB, rounded up.
uint32_t estimatedSizeKiB(uint32_t saverBytes, uint32_t playerBytes);
