#include "saver/player.h"

#include <windows.h>

#include <cstring>

#include "install/finishing_command.h"
#include "saver/saver_window.h"
#include "saver/supervision.h"
#include "startup/system_settings.h"

namespace {
constexpr DWORD INPUT_IDLE_WAIT_MS = 3000;
}

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
