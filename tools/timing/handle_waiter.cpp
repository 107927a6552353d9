// The least a program can do to start a player and notice its end: CreateProcess with the path as
// the command line, then a wait on the process handle. The benchmark compares the engine with it.
#include <windows.h>

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, argv[1], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 1;
    CloseHandle(info.hThread);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    return 0;
}
