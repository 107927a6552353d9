#include "startup/test_seams_win.h"

#ifdef LUMIVEX_TEST_SEAMS

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

bool testVersionOverride(uint32_t *version) {
    const char *text = std::getenv("LUMIVEX_TEST_VERSION");
    if (text == nullptr || *text == '\0') return false;
    *version = static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
    return true;
}

uint32_t testPasswordTimeout(uint32_t standardMs) {
    const char *text = std::getenv("LUMIVEX_TEST_PASSWORD_TIMEOUT");
    if (text == nullptr || *text == '\0') return standardMs;
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
}

void testTrace(const char *format, ...) {
    const char *path = std::getenv("LUMIVEX_TEST_TRACE");
    if (path == nullptr || *path == '\0') return;
    FILE *file = std::fopen(path, "a");
    if (file == nullptr) return;
    // The system's formatter, as in the engine: the C library's would need the runtime's start-up.
    char line[1024];
    va_list args;
    va_start(args, format);
    wvsprintfA(line, format, args);
    va_end(args);
    std::fputs(line, file);
    std::fputc('\n', file);
    std::fclose(file);
}

void testStamp(const char *step) {
    const char *wanted = std::getenv("LUMIVEX_TEST_STAMPS");
    if (wanted == nullptr || *wanted != '1') return;
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME &time) {  // 100 ns each
        return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    testTrace("stamp %s %lu", step, static_cast<unsigned long>((ticks(now) - ticks(created)) / 10));
}

void testHoldInstance() {
    const char *name = std::getenv("LUMIVEX_TEST_HOLD");
    if (name == nullptr || *name == '\0') return;
    char entered[MAX_PATH];
    char release[MAX_PATH];
    if (lstrlenA(name) > MAX_PATH - 10) return;
    wsprintfA(entered, "%s-entered", name);
    wsprintfA(release, "%s-release", name);
    HANDLE enteredEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, entered);
    HANDLE releaseEvent = OpenEventA(SYNCHRONIZE, FALSE, release);
    if (enteredEvent != nullptr) SetEvent(enteredEvent);
    if (releaseEvent != nullptr) WaitForSingleObject(releaseEvent, 30000);
    if (enteredEvent != nullptr) CloseHandle(enteredEvent);
    if (releaseEvent != nullptr) CloseHandle(releaseEvent);
}

#endif
