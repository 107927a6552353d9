#include "saver/supervision.h"

#include "startup/system_settings.h"

PROCESS_INFORMATION playerProcessInfo = {};
bool playerInfoValid = false;
bool playerLaunched = false;
LONG playerProcessId = NO_PLAYER_PROCESS;
HWND playerWindow = nullptr;

void resetSupervisionState() {
    playerLaunched = false;
    playerProcessId = NO_PLAYER_PROCESS;
    playerWindow = nullptr;
}

void releasePlayerHandles() {
    if (playerInfoValid) {
        if (playerProcessInfo.hProcess != nullptr) CloseHandle(playerProcessInfo.hProcess);
        if (playerProcessInfo.hThread != nullptr) CloseHandle(playerProcessInfo.hThread);
        playerProcessInfo.dwProcessId = 0;
        playerProcessInfo.dwThreadId = 0;
    }
    playerProcessInfo = PROCESS_INFORMATION{};
    resetSupervisionState();
    setCursorVisible(1);
}
