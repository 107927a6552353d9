// The least a program can do to start a player: CreateProcess with the path as the command line;
// with --wait it also waits on the player's process handle until the player ends. The benchmark
// compares the engine's start of the player, and its noticing of the player's end, with these.
#include <windows.h>

#include <cstring>

int main(int argc, char **argv) {
    const bool wait = argc == 3 && std::strcmp(argv[1], "--wait") == 0;
    if (argc < 2 || (argc == 3 && !wait)) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, argv[argc - 1], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return 1;
    }
    CloseHandle(info.hThread);
    if (wait) WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    return 0;
}
