// The window-order rule of a protected show: nothing but the player (and the password question)
// may come to the front; the player's windows stay on top with the saver window directly beneath.
#pragma once

#include <windows.h>

#include "saver/player_job_win.h"

// Looks at the foreground window once and restores the order where it is broken. A window owned
// by one of the player's windows counts as the player's; the front window of the player is noted
// in the job.
void keepWindowOrder(PlayerJob *player, HWND saverWindow, HWND passwordDialog);
