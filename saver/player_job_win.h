// The player as a job of the saver: its command line, its process and the window of it last seen
// in front, with one place that starts it and one that lets it go.
#pragma once

#include <windows.h>

#include "startup/paths.h"

// How long a start waits for the player to be ready for input; its outcome does not matter.
constexpr DWORD INPUT_IDLE_WAIT_MS = 3000;

enum class PlayerState {
    NotStarted,     // no start was made yet
    Running,        // the last start succeeded and the process has not ended
    Ended,          // the process of the last start has ended
    FailedToStart,  // the last start failed (startError says why)
};

struct PlayerJob {
    char playerCommandLine[PATH_CAPACITY] = "  ";  // the player's full path, its whole command line
    HANDLE process = nullptr;                      // owned while not null
    DWORD playerProcessId = 0;
    HWND playerWindow = nullptr;  // the player's window last seen in front
    PlayerState state = PlayerState::NotStarted;
    DWORD startError = 0;
};

// Lets the process of the last start go and starts the player anew, then waits at most
// INPUT_IDLE_WAIT_MS for it to be ready for input; Running, or FailedToStart.
PlayerState startPlayer(PlayerJob *job);
// Running until the process is seen to have ended (its handle signalled), then Ended.
PlayerState refreshPlayerState(PlayerJob *job);
// Closes the process handle and forgets the process; the state stays as it was.
void releasePlayer(PlayerJob *job);
// Whether the window belongs to the player's process.
bool isPlayerWindow(const PlayerJob &job, HWND window);
// The uppermost visible top-level window of the player's process; null when it shows none.
HWND visibleWindowOfPlayer(const PlayerJob &job);
// The player's window last seen in front when it still exists, else the foreground window when
// it is the player's; null when neither.
HWND frontWindowOfPlayer(const PlayerJob &job);
