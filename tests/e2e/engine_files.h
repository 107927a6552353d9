// Engine files for the end-to-end runs: an installed saver laid out as the installer writes it,
// and the engine's windows found by class.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The test build of the engine and the test player, as the test options give them.
std::string testEngine();
std::string testPlayer();

// saverPath becomes the engine followed by the splash bitmap (when given) and a trailer whose
// player size is playerSize. False when a file could not be written.
bool makeInstalledSaver(const std::string &engine, const std::string &saverPath,
                        const std::vector<unsigned char> &splash1, uint32_t playerSize);

// The first top-level window of the class (and title, when given) that the process created.
HWND windowOfProcess(DWORD processId, const char *className, const char *title = nullptr);

// Waits until the process shows a window of the class (and title) or ends; null if neither
// happens within the time bound.
HWND waitForVisibleWindow(const PROCESS_INFORMATION &process, const char *className, const char *title,
                          DWORD timeoutMs);

// Waits for the process's end (terminating it after timeoutMs), closes its handles and returns
// its exit code.
DWORD finishProcess(PROCESS_INFORMATION &process, DWORD timeoutMs);

// A Wine per-program Windows version ("nt351" makes the win31 class) for one file name, taken
// back on scope exit.
class ScopedProgramVersion {
public:
    ScopedProgramVersion(const std::string &exeName, const char *version);
    ~ScopedProgramVersion();
    ScopedProgramVersion(const ScopedProgramVersion &) = delete;
    ScopedProgramVersion &operator=(const ScopedProgramVersion &) = delete;

private:
    std::string key_;
};
