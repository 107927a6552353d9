#include "saver/window_order_win.h"

namespace {

HWND windowOwner(HWND window) { return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT)); }

// The order player window, saver window, everything else, after a window of another program
// came to the front. The saver window is put on top of the z-order without being activated (an
// activation may raise it again later, over the player), then the player's window is brought to
// the front above it. Without a player window the saver window itself takes the front.
void raiseSaverAndPlayer(PlayerJob &player, HWND saverWindow, HWND foreground) {
    // The window last seen in front may have gone (a dialog of the player's that closed): then
    // the player's uppermost visible window takes its place.
    if (player.playerWindow == nullptr || !IsWindow(player.playerWindow))
        player.playerWindow = visibleWindowOfPlayer(player);
    const bool playerShown = player.playerWindow != nullptr;
    if (IsWindow(saverWindow)) {
        SetWindowPos(saverWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (!playerShown && foreground != saverWindow) SetForegroundWindow(saverWindow);
    }
    if (playerShown) SetForegroundWindow(player.playerWindow);
}

}  // namespace

void keepWindowOrder(PlayerJob *player, HWND saverWindow, HWND passwordDialog) {
    const HWND foreground = GetForegroundWindow();
    bool belongsToPlayer = isPlayerWindow(*player, foreground);
    if (!belongsToPlayer && foreground != nullptr && foreground != passwordDialog) {
        const HWND owner = windowOwner(foreground);
        belongsToPlayer = owner != nullptr && IsWindow(owner) && isPlayerWindow(*player, owner);
    }
    if (belongsToPlayer) {
        player->playerWindow = foreground;
        // The player keeps the front; the saver window goes directly beneath its windows (hidden
        // windows in between, such as input-method windows, are not seen and do not count).
        HWND lowest = foreground;
        HWND below = GetWindow(foreground, GW_HWNDNEXT);
        while (below != nullptr && (isPlayerWindow(*player, below) || !IsWindowVisible(below))) {
            lowest = below;
            below = GetWindow(below, GW_HWNDNEXT);
        }
        if (below != saverWindow && IsWindow(saverWindow)) {
            SetWindowPos(saverWindow, lowest, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    } else if (passwordDialog == nullptr) {
        raiseSaverAndPlayer(*player, saverWindow, foreground);
    } else if (foreground != passwordDialog) {
        SetForegroundWindow(passwordDialog);
    }
}
