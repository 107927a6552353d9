// Starting the player (and the finishing process of an install) as a child process.
#pragma once

// Starts a program with the command line as given (no application name): 0, or the system's
// error code. Closes the handles of the previous start first and records the new process as the
// supervised one; waits at most 3 s for it to become idle.
int spawnProcess(const char *commandLine);
