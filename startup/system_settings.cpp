#include "startup/system_settings.h"

#include <cstring>

#include "saver/saver_window.h"
#include "startup/entry.h"
#include "startup/paths.h"
#include "startup/platform_class.h"
#include "startup/profile_number.h"
#include "startup/test_seams.h"

HINSTANCE moduleInstance = nullptr;
bool win95 = false;
bool winNT = false;
bool win31 = false;
bool passwordProtected = false;
uint32_t storedPasswordValue = 0;
bool saverRunningAnnounced = false;
bool cursorShown = true;

namespace {

// The digits last written by writeProfileNumber.
char profileWriteBuffer[PROFILE_NUMBER_BUFFER];

constexpr UINT SPI_SCREENSAVERRUNNING_ = 97;
constexpr DWORD FOREGROUND_HOLD_MS = 5;

}  // namespace

uint32_t platformVersion() {
    uint32_t version = 0;
    if (testVersionOverride(&version)) return version;
    return GetVersion();
}

void classifyPlatform() {
    const PlatformClass platform = classifyVersion(platformVersion());
    win95 = platform.win95;
    winNT = platform.winNT;
    win31 = platform.win31;
}

bool readUsePasswordSetting() {
    if (!win95) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    BYTE value[4] = {};
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, value, &size);
    RegCloseKey(key);
    const uint32_t number = value[0] | value[1] << 8 | value[2] << 16 | static_cast<uint32_t>(value[3]) << 24;
    return status == ERROR_SUCCESS && number == 1;
}

bool readPasswordProtection() {
    if (win95) return readUsePasswordSetting();
    if (winNT) return false;
    storedPasswordValue = readProfileNumber("Lumivex", "Password Value", "system.ini");
    if (storedPasswordValue == 0) return false;
    // "Password Protect" is read as a plain number: it is one character long, so the
    // rewrite rule of readProfileNumber must not touch it.
    return GetPrivateProfileIntA("Lumivex", "Password Protect", 0, "system.ini") == 1;
}

int writeProfileNumber(const char *section, const char *key, uint32_t value, const char *file) {
    formatProfileNumber(value, profileWriteBuffer);
    return WritePrivateProfileStringA(section, key, profileWriteBuffer, file);
}

uint32_t readProfileNumber(const char *section, const char *key, const char *file) {
    char text[PROFILE_NUMBER_BUFFER] = {};
    const DWORD length = GetPrivateProfileStringA(section, key, "", text, sizeof text, file);
    if (length <= 1) {
        writeProfileNumber(section, key, 0, file);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
        return 0;
    }
    return parseProfileNumber(text);
}

int loadSystemLibrary(const char *fileName, HMODULE *module) {
    *module = nullptr;
    char path[PATH_CAPACITY] = {};
    const UINT length = GetSystemDirectoryA(path, PATH_CAPACITY);
    // Without the system directory the library is not loaded at all: it is never looked for
    // along the default search path.
    if (length == 0 || length >= static_cast<UINT>(PATH_CAPACITY)) return SYSTEM_LIBRARY_MISSING;
    size_t n = length;
    if (path[n - 1] != '\\') path[n++] = '\\';
    if (n + std::strlen(fileName) >= static_cast<size_t>(PATH_CAPACITY)) return SYSTEM_LIBRARY_MISSING;
    std::strcpy(path + n, fileName);
    *module = LoadLibraryA(path);
    return *module != nullptr ? 0 : SYSTEM_LIBRARY_MISSING;
}

void writeSaverActivation(int active, int timeoutSeconds) {
    char text[PROFILE_NUMBER_BUFFER];
    wsprintfA(text, "%d", timeoutSeconds);
    WriteProfileStringA("windows", "ScreenSaveTimeout", text);
    wsprintfA(text, "%d", active);
    WriteProfileStringA("windows", "ScreenSaveActive", text);
    WriteProfileStringA(nullptr, nullptr, nullptr);
}

void holdForeground(HWND window, int hold) {
    if (window == nullptr || !IsWindow(window)) return;
    const DWORD start = GetTickCount();
    if (GetForegroundWindow() != window) SetForegroundWindow(window);
    if (!hold) return;
    Sleep(2);
    bool done = false;
    for (DWORD now = GetTickCount(); !done && now - start < FOREGROUND_HOLD_MS; now = GetTickCount()) {
        if (GetForegroundWindow() != window) {
            SetForegroundWindow(window);
            done = true;
        }
    }
}

void announceSaverRunning() {
    holdForeground(saverWindow, 1);
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING_, 1, &previous, 0);
    saverRunningAnnounced = true;
}

void withdrawSaverRunning() {
    if (!saverRunningAnnounced) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING_, 0, &previous, 0);
    saverRunningAnnounced = false;
}

void setCursorVisible(int show) {
    if (show && !cursorShown) ShowCursor(TRUE);
    if (!show && cursorShown) ShowCursor(FALSE);
    cursorShown = show != 0;
}
