// The state of the player's supervision, and its reset.
#pragma once

#include <windows.h>

extern PROCESS_INFORMATION playerProcessInfo;  // what the last start of a process returned
extern bool playerInfoValid;                   // a process was started by this process at some time
extern bool playerLaunched;                    // the last start succeeded; the player is supervised
extern LONG playerProcessId;                   // the supervised player, or -3 (no process)
extern HWND playerWindow;                      // the player's window last seen in front

constexpr LONG NO_PLAYER_PROCESS = -3;

// Puts playerLaunched, playerProcessId and playerWindow back to their start values.
void resetSupervisionState();
// Closes the handles of the last start (when one was made), clears playerProcessInfo, resets the
// supervision state and shows the cursor.
void releasePlayerHandles();
