#include "startup/test_seams_win.h"

#ifdef LUMIVEX_TEST_SEAMS

#include <windows.h>

#include <cstdarg>

namespace {

// The value of an environment variable into buffer (MAX_PATH bytes); false when unset or empty.
bool environmentValue(const char *name, char *buffer) {
    const DWORD length = GetEnvironmentVariableA(name, buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// A number written in decimal or, after "0x", in hexadecimal; digits end at the first other character.
uint32_t parseNumber(const char *text) {
    uint32_t value = 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (text += 2;; ++text) {
            const char c = *text;
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return value;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
    }
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<uint32_t>(*text - '0');
    return value;
}

}  // namespace

bool testVersionOverride(uint32_t *version) {
    char text[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_VERSION", text)) return false;
    *version = parseNumber(text);
    return true;
}

uint32_t testPasswordTimeout(uint32_t standardMs) {
    char text[MAX_PATH];
    return environmentValue("LUMIVEX_TEST_PASSWORD_TIMEOUT", text) ? parseNumber(text) : standardMs;
}

void testTrace(const char *format, ...) {
    char path[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_TRACE", path)) return;
    // The system's formatter writes at most 1024 bytes, the NUL included; a newline ends the line.
    char line[1024 + 2];
    va_list args;
    va_start(args, format);
    const int length = wvsprintfA(line, format, args);
    va_end(args);
    line[length] = '\n';
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    SetFilePointer(file, 0, nullptr, FILE_END);
    WriteFile(file, line, static_cast<DWORD>(length + 1), &written, nullptr);
    CloseHandle(file);
}

bool testWriteErrorOverride(uint32_t *error) {
    char text[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_WRITE_ERROR", text)) return false;
    *error = parseNumber(text);
    return true;
}

bool testNoShortNames() {
    char text[MAX_PATH];
    return environmentValue("LUMIVEX_TEST_NO_SHORT_NAMES", text) && text[0] == '1';
}

bool testEntryRefused(bool localMachine) {
    char text[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_ENTRY_REFUSED", text)) return false;
    return localMachine || lstrcmpA(text, "both") == 0;
}

bool testElevatedOverride(bool *elevated) {
    char text[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_ELEVATED", text)) return false;
    *elevated = text[0] == '1';
    return true;
}

bool testRelaunchOverride(bool *started, uint32_t *error) {
    char text[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_RELAUNCH", text)) return false;
    *started = false;
    *error = lstrcmpA(text, "declined") == 0 ? 1223 : 2;  // ERROR_CANCELLED, or file not found
    return true;
}

void testPrepareElevatedCopy() {
    SetEnvironmentVariableA("LUMIVEX_TEST_ELEVATED", "1");
    SetEnvironmentVariableA("LUMIVEX_TEST_WRITE_ERROR", nullptr);
}

void testStamp(const char *step) {
    char wanted[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_STAMPS", wanted) || wanted[0] != '1') return;
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME &time) {  // 100 ns each
        return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    testTrace("stamp %s %lu", step, static_cast<unsigned long>((ticks(now) - ticks(created)) / 10));
}

void testHoldInstance() {
    char name[MAX_PATH];
    if (!environmentValue("LUMIVEX_TEST_HOLD", name)) return;
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
