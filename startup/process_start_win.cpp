#include "startup/process_start_win.h"

#include <cstring>

bool startProgram(const char *commandLine, StartedProcess *started, DWORD *error) {
    *started = StartedProcess{};
    *error = 0;
    char line[COMMAND_LINE_CAPACITY];
    if (std::strlen(commandLine) >= sizeof line) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    std::strcpy(line, commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        *error = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
        return false;
    }
    CloseHandle(info.hThread);
    started->process = info.hProcess;
    started->id = info.dwProcessId;
    return true;
}
