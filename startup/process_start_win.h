// Starting a program of the engine's: the player, or the finishing copy of an install.
#pragma once

#include <windows.h>

// The most a command line may hold: five paths and their separators fit.
constexpr size_t COMMAND_LINE_CAPACITY = 2048;

struct StartedProcess {
    HANDLE process;  // the caller owns it and closes it
    DWORD id;
};

// Starts a program with the command line as given (no application name; the system writes into a
// copy of its own), shown normally; closes its thread handle at once. False with the system's
// error code when it could not be started (ERROR_FILENAME_EXCED_RANGE for a line longer than the
// capacity).
bool startProgram(const char *commandLine, StartedProcess *started, DWORD *error);
