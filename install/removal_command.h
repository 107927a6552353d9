// The removal of an installed saver. The saver that the list of programs starts ("NAME.scr" /u)
// cannot delete its own file while it runs, so it hands the removal to a copy of itself in the
// temporary folder, which waits for it to end. That helper's command line: the helper's path,
// " /u /w ", the saver's process id in decimal, " /q" for a quiet removal, then the saver's path
// between double quotes. The path may hold blanks, not a double quote.
#pragma once

#include <cstdint>

#include "startup/paths.h"

struct RemovalFields {
    uint32_t saverProcess;      // the process id to wait for; 0 for the saver's own run
    bool quiet;                 // only failures are reported
    char saver[PATH_CAPACITY];  // the installed saver's path
};

// Builds the helper's command line into a buffer of capacity bytes; false (out empty) when it
// does not fit or a path holds a double quote.
bool buildRemovalCommandLine(const char *helperPath, const RemovalFields &fields, char *out, uint32_t capacity);

// Takes the fields back out of the helper's tail: false (fields empty) when there is no process
// id after "/w", or no saver path between two double quotes, or the path does not fit.
bool parseRemovalCommandLine(const char *tail, RemovalFields *fields);
