// The bare launcher again, as a Windows program that loads the DLLs the engine imports (user32,
// gdi32, advapi32 and msvcrt) before it starts the player: the benchmark's measure of what those
// loads cost the engine's start.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int) {
    // One call into each DLL keeps its import (none of them has any effect here).
    if (GetSystemMetrics(SM_CXSCREEN) < 0 || GetStockObject(WHITE_BRUSH) == nullptr ||
        RegCloseKey(nullptr) == ERROR_SUCCESS || std::strlen(tail) == 0) {
        return 2;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, tail, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 0;
}
