// The bare launcher built as the engine is built: its own entry point without the C runtime's
// start-up code, no C runtime DLL, importing the DLLs the engine imports (kernel32, user32, gdi32,
// advapi32). The benchmark's measure of what those imports cost the engine's start.
#include <windows.h>

#include "startup/switches.h"

extern "C" void launcherStart() {
    const char *player = commandLineTail(GetCommandLineA());
    // The address of one function of each DLL keeps its import; nothing is called, so nothing of
    // the DLLs runs beyond what loading them runs (a call such as GetSystemMetrics would also
    // connect to the display).
    static const void *volatile imports[] = {reinterpret_cast<const void *>(&IsWindow),
                                             reinterpret_cast<const void *>(&GetStockObject),
                                             reinterpret_cast<const void *>(&RegCloseKey)};
    if (imports[0] == nullptr || player[0] == '\0') ExitProcess(2);
    char line[MAX_PATH + 2];
    lstrcpynA(line, player, sizeof line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) ExitProcess(1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    ExitProcess(0);
}
