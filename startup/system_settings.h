// The platform class, the system's screen-saver settings, and the small system services that
// every mode uses: system libraries, the foreground window, the running state, the cursor.
#pragma once

#include <windows.h>

#include <cstdint>

// Process-wide state, set once at start-up unless said otherwise.
extern bool win95;
extern bool winNT;
extern bool win31;
extern bool passwordProtected;           // verify the password when the saver ends
extern uint32_t storedPasswordValue;     // win31 class: system.ini [Lumivex] "Password Value"
extern bool saverRunningAnnounced;       // the system was told that a saver runs
extern bool cursorShown;                 // the cursor state last requested

constexpr int SYSTEM_LIBRARY_MISSING = -300;

// The version value that decides the platform class (the system's, or a test build's stand-in).
uint32_t platformVersion();
// Sets exactly one of win95, winNT and win31.
void classifyPlatform();

// The start-up value of passwordProtected; on the win31 class it also loads storedPasswordValue.
bool readPasswordProtection();
// win95 class only: HKCU "Control Panel\desktop" "ScreenSaveUsePassword" holds the number 1.
bool readUsePasswordSetting();

// Writes the number as unsigned decimal text; returns the profile write's result. No flush.
int writeProfileNumber(const char *section, const char *key, uint32_t value, const char *file);
// Reads an unsigned decimal number. A missing or one-character value is written back as "0"
// (and the file flushed) and reads as 0.
uint32_t readProfileNumber(const char *section, const char *key, const char *file);

// Loads a library from the system directory only: 0 and the handle, or -300 and null.
int loadSystemLibrary(const char *fileName, HMODULE *module);

// win.ini [windows] "ScreenSaveTimeout" and "ScreenSaveActive", then a flush of win.ini.
void writeSaverActivation(int active, int timeoutSeconds);

// Brings the window to the foreground; with hold set it takes the foreground back once if
// another window grabs it within the next 5 ms.
void holdForeground(HWND window, int hold);

// Tells the system that a screen saver runs, and takes it back (a second withdraw does nothing).
void announceSaverRunning();
void withdrawSaverRunning();

// Moves the system's cursor display counter only when the requested state differs from the last.
void setCursorVisible(int show);
