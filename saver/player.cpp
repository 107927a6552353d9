#include "saver/player.h"

#include <cstring>

#include "install/finishing_command.h"
#include "saver/password.h"
#include "saver/saver_window.h"
#include "saver/supervision.h"
#include "startup/system_settings.h"

namespace {

constexpr DWORD INPUT_IDLE_WAIT_MS = 3000;

bool isPlayerWindow(HWND window) {
    return window != nullptr && static_cast<LONG>(windowProcessId(window)) == playerProcessId;
}

// The order player window, saver window, everything else.
void raiseSaverAndPlayer(HWND foreground) {
    if (foreground != saverWindow && IsWindow(saverWindow)) SetForegroundWindow(saverWindow);
    if (playerWindow != nullptr && IsWindow(playerWindow)) SetForegroundWindow(playerWindow);
}

// Under password protection nothing but the player (and the password question) may come to the
// front: the player's windows on top, the saver window directly beneath them.
void keepWindowOrder() {
    const HWND foreground = GetForegroundWindow();
    bool belongsToPlayer = isPlayerWindow(foreground);
    if (!belongsToPlayer && foreground != nullptr && foreground != passwordDialog) {
        const HWND owner = windowOwner(foreground);
        belongsToPlayer = owner != nullptr && IsWindow(owner) && isPlayerWindow(owner);
    }
    if (belongsToPlayer) {
        playerWindow = foreground;
        HWND below = foreground;
        while (below != nullptr && isPlayerWindow(below)) below = GetWindow(below, GW_HWNDNEXT);
        if (below != saverWindow) raiseSaverAndPlayer(foreground);
    } else if (passwordDialog == nullptr) {
        raiseSaverAndPlayer(foreground);
    } else if (foreground != passwordDialog) {
        SetForegroundWindow(passwordDialog);
    }
}

}  // namespace

int spawnProcess(const char *commandLine) {
    releasePlayerHandles();
    playerInfoValid = true;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    resetSupervisionState();
    holdForeground(saverWindow, 0);

    // The system may write into the command line, so it gets a copy of its own.
    char line[FINISHING_COMMAND_CAPACITY];
    if (std::strlen(commandLine) >= sizeof line) return ERROR_FILENAME_EXCED_RANGE;
    std::strcpy(line, commandLine);
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &playerProcessInfo)) {
        const DWORD error = GetLastError();
        return error != 0 ? static_cast<int>(error) : ERROR_GEN_FAILURE;
    }
    playerProcessId = static_cast<LONG>(playerProcessInfo.dwProcessId);
    WaitForInputIdle(playerProcessInfo.hProcess, INPUT_IDLE_WAIT_MS);
    playerLaunched = true;
    return 0;
}

int launchPlayer(HINSTANCE instance, const char *commandLine) {
    const int error = spawnProcess(commandLine);
    if (error != 0) showErrorScreen(instance, error);
    return 0;
}

bool isPlayerRunning() {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(playerProcessId));
    if (process == nullptr) return false;
    DWORD code = 0;
    const BOOL read = GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return read && code == STILL_ACTIVE;
}

DWORD windowProcessId(HWND window) {
    DWORD processId = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &processId);
    return processId;
}

HWND windowOwner(HWND window) { return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_HWNDPARENT)); }

int supervisePlayer(HINSTANCE instance) {
    MSG message = {};
    BOOL status = TRUE;
    WPARAM result = 0;
    int checkResult = 0;
    do {
        status = GetMessageA(&message, nullptr, 0, 0);
        if (status == -1) continue;
        result = message.wParam;
        if (passwordDialog == nullptr || !IsDialogMessageA(passwordDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (playerLaunched && !isPlayerRunning()) {
            if (!passwordProtected) {
                if (saverWindow != nullptr) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
            } else if (passwordDialog == nullptr) {
                if (passwordVerified) {
                    status = 0;
                    result = 0;
                } else {
                    checkResult = checkPassword(instance, 1);
                }
                if (win95 && checkResult == 0) {
                    status = 0;
                    result = 0;
                }
            }
        }
        if (passwordProtected && !win95 && status != 0) keepWindowOrder();
    } while (status != 0 && saverWindow != nullptr);
    return static_cast<int>(result);
}
