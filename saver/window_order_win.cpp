#include "saver/window_order_win.h"

namespace {

HWND windowOwner(HWND window) { return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT)); }

// The order player window, saver window, everything else.
void raiseSaverAndPlayer(const PlayerJob &player, HWND saverWindow, HWND foreground) {
    if (foreground != saverWindow && IsWindow(saverWindow)) SetForegroundWindow(saverWindow);
    if (player.playerWindow != nullptr && IsWindow(player.playerWindow)) SetForegroundWindow(player.playerWindow);
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
        HWND below = foreground;
        while (below != nullptr && isPlayerWindow(*player, below)) below = GetWindow(below, GW_HWNDNEXT);
        if (below != saverWindow) raiseSaverAndPlayer(*player, saverWindow, foreground);
    } else if (passwordDialog == nullptr) {
        raiseSaverAndPlayer(*player, saverWindow, foreground);
    } else if (foreground != passwordDialog) {
        SetForegroundWindow(passwordDialog);
    }
}
