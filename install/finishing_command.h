// The command line of the finishing process: the finishing copy's path, " /r ", then four paths
// separated by one double quote each: temporary saver, final saver, temporary player, final
// player. Paths may hold blanks; none may hold a double quote, and the first no "/".
#pragma once

#include <cstddef>

#include "startup/paths.h"

constexpr size_t FINISHING_COMMAND_CAPACITY = 6 * PATH_CAPACITY;

struct FinishingFields {
    char temporarySaver[PATH_CAPACITY];
    char finalSaver[PATH_CAPACITY];
    char temporaryPlayer[PATH_CAPACITY];
    char finalPlayer[PATH_CAPACITY];
};

// Builds the whole command line into a FINISHING_COMMAND_CAPACITY buffer. The program path is
// quoted, so a Windows directory with blanks still names one program. False (out empty) when a
// path holds a character the format cannot carry.
bool buildFinishingCommandLine(const char *copyPath, const FinishingFields &fields, char *out);

// Takes the four paths back out of the command-line tail that the finishing process receives.
// False (fields empty) when there are fewer than three double quotes, no "/" before the first,
// or a field that does not fit a path.
bool parseFinishingCommandLine(const char *tail, FinishingFields *fields);
