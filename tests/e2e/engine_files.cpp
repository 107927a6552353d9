#include "engine_files.h"

#include "payload/trailer.h"
#include "support.h"

std::string testEngine() { return toWindowsPath(testOption("engine")); }
std::string testPlayer() { return toWindowsPath(testOption("test-player")); }

bool makeInstalledSaver(const std::string &engine, const std::string &saverPath,
                        const std::vector<unsigned char> &splash1, uint32_t playerSize) {
    if (!CopyFileA(engine.c_str(), saverPath.c_str(), FALSE)) return false;
    const uint32_t engineSize = static_cast<uint32_t>(readBytes(saverPath).size());
    if (!splash1.empty() && !appendBytes(saverPath, splash1)) return false;
    PayloadTrailer trailer = {};
    trailer.imageASize = trailer.imageBSize = engineSize;
    trailer.splash1Size = static_cast<uint32_t>(splash1.size());
    trailer.playerSize = playerSize;
    trailer.flags = TRAILER_FLAG_WIN32;
    return appendPayloadTrailer(saverPath.c_str(), &trailer) == FileResult::Ok;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const char *className;
    const char *title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto *search = reinterpret_cast<WindowSearch *>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64] = {};
    char title[128] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (processId == search->processId && lstrcmpA(className, search->className) == 0 &&
        (search->title == nullptr || lstrcmpA(title, search->title) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND windowOfProcess(DWORD processId, const char *className, const char *title) {
    WindowSearch search = {processId, className, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForVisibleWindow(const PROCESS_INFORMATION &process, const char *className, const char *title,
                          DWORD timeoutMs) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
        HWND window = windowOfProcess(process.dwProcessId, className, title);
        if (window != nullptr && IsWindowVisible(window)) return window;
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

DWORD finishProcess(PROCESS_INFORMATION &process, DWORD timeoutMs) {
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 0xDEAD);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

ScopedProgramVersion::ScopedProgramVersion(const std::string &exeName, const char *version)
    : key_("Software\\Wine\\AppDefaults\\" + exeName) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                       static_cast<DWORD>(lstrlenA(version) + 1));
        RegCloseKey(key);
    }
}

ScopedProgramVersion::~ScopedProgramVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
