#include "startup/system_settings_win.h"

#include <cstring>

#include "startup/paths.h"
#include "startup/profile_number.h"
#include "startup/test_seams_win.h"

namespace {

constexpr UINT SPI_SCREENSAVERRUNNING_ = 97;
constexpr DWORD FOREGROUND_HOLD_MS = 5;

}  // namespace

uint32_t platformVersion() {
    uint32_t version = 0;
    if (testVersionOverride(&version)) return version;
    return GetVersion();
}

PlatformClass readPlatformClass() { return classifyVersion(platformVersion()); }

bool readUsePasswordSetting(const PlatformClass &platform) {
    if (!platform.win95) return false;
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

bool readPasswordProtection(const PlatformClass &platform, uint32_t *storedValue) {
    if (platform.win95) return readUsePasswordSetting(platform);
    if (platform.winNT) return false;
    *storedValue = readProfileNumber("Lumivex", "Password Value", "system.ini");
    if (*storedValue == 0) return false;
    // "Password Protect" is read as a plain number: it is one character long, so the
    // rewrite rule of readProfileNumber must not touch it.
    return GetPrivateProfileIntA("Lumivex", "Password Protect", 0, "system.ini") == 1;
}

bool writeProfileNumber(const char *section, const char *key, uint32_t value, const char *file) {
    char digits[PROFILE_NUMBER_BUFFER];
    formatProfileNumber(value, digits);
    return WritePrivateProfileStringA(section, key, digits, file) != FALSE;
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

SystemLibrary::SystemLibrary(const char *fileName) : module_(nullptr) {
    char path[PATH_CAPACITY] = {};
    const UINT length = GetSystemDirectoryA(path, PATH_CAPACITY);
    // Without the system directory the library is not loaded at all.
    if (length == 0 || length >= static_cast<UINT>(PATH_CAPACITY)) return;
    size_t n = length;
    if (path[n - 1] != '\\') path[n++] = '\\';
    if (n + std::strlen(fileName) >= static_cast<size_t>(PATH_CAPACITY)) return;
    std::strcpy(path + n, fileName);
    module_ = LoadLibraryA(path);
}

SystemLibrary::~SystemLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
}

FARPROC SystemLibrary::function(const char *name) const {
    return module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
}

bool processElevated() {
    bool elevated = false;
    if (testElevatedOverride(&elevated)) return elevated;
    using OpenProcessTokenFunction = BOOL(WINAPI *)(HANDLE, DWORD, PHANDLE);
    using GetTokenInformationFunction = BOOL(WINAPI *)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    const SystemLibrary advapi("ADVAPI32.DLL");
    const auto openToken =
        reinterpret_cast<OpenProcessTokenFunction>(reinterpret_cast<void *>(advapi.function("OpenProcessToken")));
    const auto queryToken =
        reinterpret_cast<GetTokenInformationFunction>(reinterpret_cast<void *>(advapi.function("GetTokenInformation")));
    HANDLE token = nullptr;
    // The process's own pseudo handle, as GetCurrentProcess gives it.
    const HANDLE self = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
    if (openToken == nullptr || queryToken == nullptr || !openToken(self, TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const bool answered = queryToken(token, TokenElevation, &elevation, sizeof elevation, &size) != FALSE;
    CloseHandle(token);
    return answered && elevation.TokenIsElevated != 0;
}

void writeSaverActivation(int active, int timeoutSeconds) {
    char text[PROFILE_NUMBER_BUFFER];
    wsprintfA(text, "%d", timeoutSeconds);
    WriteProfileStringA("windows", "ScreenSaveTimeout", text);
    wsprintfA(text, "%d", active);
    WriteProfileStringA("windows", "ScreenSaveActive", text);
    WriteProfileStringA(nullptr, nullptr, nullptr);
}

void holdForeground(HWND window, bool hold) {
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

void announceSaverRunning(Engine &engine, HWND front) {
    holdForeground(front, true);
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING_, 1, &previous, 0);
    engine.saverRunningAnnounced = true;
}

void withdrawSaverRunning(Engine &engine) {
    if (!engine.saverRunningAnnounced) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING_, 0, &previous, 0);
    engine.saverRunningAnnounced = false;
}

void setCursorVisible(Engine &engine, bool show) {
    if (show && !engine.cursorShown) ShowCursor(TRUE);
    if (!show && engine.cursorShown) ShowCursor(FALSE);
    engine.cursorShown = show;
}
