// The platform class, the system's screen-saver settings, and the small system services that
// every mode uses: system libraries, the foreground window, the running state, the cursor.
#pragma once

#include <windows.h>

#include <cstdint>

#include "startup/engine_win.h"
#include "startup/platform_class.h"

// The version value that decides the platform class (the system's, or a test build's stand-in).
uint32_t platformVersion();
PlatformClass readPlatformClass();

// The start-up value of password protection for the class: the system's switch on win95, none on
// winNT (the system guards the session itself), and on win31 the stored password value (which it
// loads into *storedValue) together with the protection switch of system.ini [Lumivex].
bool readPasswordProtection(const PlatformClass &platform, uint32_t *storedValue);
// win95 class only: HKCU "Control Panel\desktop" "ScreenSaveUsePassword" holds the number 1.
bool readUsePasswordSetting(const PlatformClass &platform);

// Writes the number as unsigned decimal text; false when the profile write failed. No flush.
bool writeProfileNumber(const char *section, const char *key, uint32_t value, const char *file);
// Reads an unsigned decimal number. A missing or one-character value is written back as "0"
// (and the file flushed) and reads as 0.
uint32_t readProfileNumber(const char *section, const char *key, const char *file);

// A library loaded from the system directory only, freed when the holder goes; never looked for
// along the default search path.
class SystemLibrary {
public:
    explicit SystemLibrary(const char *fileName);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary &) = delete;
    SystemLibrary &operator=(const SystemLibrary &) = delete;
    bool loaded() const { return module_ != nullptr; }
    // The exported function, or null (also when the library is not loaded).
    FARPROC function(const char *name) const;

private:
    HMODULE module_;
};

// A function of kernel32 that not every class has (or implements), looked up at run time; null
// where the system has none. kernel32 is in every process, so it is never loaded for this.
template <typename Function>
Function kernelFunction(const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), name)));
}

// Whether the process runs with the administrator's rights: the token's elevation, which Windows
// Vista and later report; false where the system cannot tell (its token functions are reached at
// run time, as Windows 95 only has stubs of them).
bool processElevated();

// win.ini [windows] "ScreenSaveTimeout" and "ScreenSaveActive", then a flush of win.ini.
void writeSaverActivation(int active, int timeoutSeconds);

// Brings the window to the foreground; with hold set it takes the foreground back once if
// another window grabs it within the next 5 ms. A null or destroyed window changes nothing.
void holdForeground(HWND window, bool hold);

// Tells the system that a screen saver runs (the front window held in front first), and takes it
// back; a second withdraw does nothing.
void announceSaverRunning(Engine &engine, HWND front);
void withdrawSaverRunning(Engine &engine);

// Moves the system's cursor display counter only when the requested state differs from the last.
void setCursorVisible(Engine &engine, bool show);
