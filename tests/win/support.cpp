#include "support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>

std::string toWindowsPath(const std::string &path) {
    if (path.empty() || path[0] != '/') return path;
    std::string result = "Z:" + path;
    for (char &c : result) {
        if (c == '/') c = '\\';
    }
    return result;
}

TempDirectory::TempDirectory() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%slumivex-%lu-%u", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempDirectory::~TempDirectory() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path_ + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(full.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

std::vector<unsigned char> readBytes(const std::string &path) {
    std::vector<unsigned char> bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

namespace {

bool putBytes(const std::string &path, const std::vector<unsigned char> &bytes, const char *mode) {
    FILE *file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

bool writeBytes(const std::string &path, const std::vector<unsigned char> &bytes) {
    return putBytes(path, bytes, "wb");
}
bool appendBytes(const std::string &path, const std::vector<unsigned char> &bytes) {
    return putBytes(path, bytes, "ab");
}
bool pathExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

ScopedEnvironment::ScopedEnvironment(const char *name, const std::string &value) : name_(name), hadOld_(false) {
    char buffer[32768];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer) {
        old_ = buffer;
        hadOld_ = true;
    }
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(name_.c_str(), hadOld_ ? old_.c_str() : nullptr); }

bool startProcess(const std::string &program, const std::string &args, PROCESS_INFORMATION *info,
                  const std::string &directory) {
    std::string commandLine = "\"" + program + "\"";
    if (!args.empty()) commandLine += " " + args;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    *info = PROCESS_INFORMATION{};
    return CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, info) != 0;
}

ProcessResult runProcess(const std::string &program, const std::string &args, DWORD timeoutMs,
                         const std::string &directory) {
    ProcessResult result = {};
    PROCESS_INFORMATION info;
    if (!startProcess(program, args, &info, directory)) {
        result.lastError = GetLastError();
        return result;
    }
    result.started = true;
    result.finished = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!result.finished) TerminateProcess(info.hProcess, 0xDEAD);
    GetExitCodeProcess(info.hProcess, &result.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}

namespace {

BOOL CALLBACK collectStatic(HWND child, LPARAM param) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        std::string *longest = reinterpret_cast<std::string *>(param);
        if (std::string(text).size() > longest->size()) *longest = text;
    }
    return TRUE;
}

// The message box watcher: a thread timer that the box's own modal loop dispatches.
struct Watch {
    int button;
    int ticks;
    MessageBoxSeen seen;
    UINT_PTR timer;
} watch;

constexpr int WATCH_TICKS = 500;  // 10 s at 20 ms

BOOL CALLBACK findBox(HWND window, LPARAM param) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(param) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK watchTick(HWND, UINT, UINT_PTR, DWORD) {
    if (watch.seen.found || ++watch.ticks > WATCH_TICKS) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    watch.seen.found = true;
    watch.seen.shown = readDialogText(box);
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(watch.button), 0);
}

}  // namespace

DialogText readDialogText(HWND dialog) {
    DialogText result;
    char caption[1024] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    result.caption = caption;
    EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&result.text));
    return result;
}

MessageBoxSeen beginWatchingMessageBox(int button) {
    watch = Watch{};
    watch.button = button;
    watch.timer = SetTimer(nullptr, 0, 20, watchTick);
    return watch.seen;
}

MessageBoxSeen endWatchingMessageBox() {
    KillTimer(nullptr, watch.timer);
    return watch.seen;
}

std::string readProfileText(const char *section, const char *key, const char *file) {
    char text[1024] = {};
    if (file == nullptr) {
        GetProfileStringA(section, key, "<absent>", text, sizeof text);
    } else {
        GetPrivateProfileStringA(section, key, "<absent>", text, sizeof text, file);
    }
    return text;
}

SavedProfileValue::SavedProfileValue(const char *section, const char *key, const char *file)
    : section_(section), key_(key), file_(file != nullptr ? file : ""), useWinIni_(file == nullptr) {
    value_ = readProfileText(section, key, file);
    present_ = value_ != "<absent>";
}

SavedProfileValue::~SavedProfileValue() {
    const char *value = present_ ? value_.c_str() : nullptr;
    if (useWinIni_) {
        WriteProfileStringA(section_.c_str(), key_.c_str(), value);
        WriteProfileStringA(nullptr, nullptr, nullptr);
    } else {
        WritePrivateProfileStringA(section_.c_str(), key_.c_str(), value, file_.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file_.c_str());
    }
}

std::vector<unsigned char> bitmapFileImage(int width, int height, unsigned char pixelIndex, COLORREF colourOfIndex1) {
    const int rowBytes = (width + 3) & ~3;
    const uint32_t total = 14 + 40 + 1024 + static_cast<uint32_t>(rowBytes * height);
    std::vector<unsigned char> bytes(total, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, total);
    put32(10, 14 + 40 + 1024);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 8;
    for (int i = 0; i < 256; ++i) bytes[54 + 4 * i] = static_cast<unsigned char>(i);
    if (colourOfIndex1 != CLR_INVALID) {
        bytes[54 + 4] = GetBValue(colourOfIndex1);
        bytes[54 + 5] = GetGValue(colourOfIndex1);
        bytes[54 + 6] = GetRValue(colourOfIndex1);
    }
    std::fill(bytes.begin() + 14 + 40 + 1024, bytes.end(), pixelIndex);
    return bytes;
}

bool bringToFront(HWND window, DWORD timeoutMs) {
    if (window == nullptr || !IsWindow(window)) return false;
    SetForegroundWindow(window);
    // The window's own thread takes the activation in its message loop; input that arrives
    // before that would meet a window still being activated (a button press cancelled by the
    // focus moving). So wait until that thread has made the window active and set its focus.
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return pumpUntil(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            return GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) && info.hwndActive == window &&
                   info.hwndFocus != nullptr;
        },
        timeoutMs);
}

namespace {

INPUT keyInput(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Sends the events and lets the system hand them on before the next ones come.
void sendInputs(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pumpUntil([] { return false; }, 30);
}

}  // namespace

void pressKey(WORD virtualKey, WORD modifier) {
    if (modifier == 0) {
        sendInputs({keyInput(virtualKey, false), keyInput(virtualKey, true)});
    } else {
        sendInputs({keyInput(modifier, false), keyInput(virtualKey, false), keyInput(virtualKey, true),
                    keyInput(modifier, true)});
    }
}

void typeText(const std::string &text) {
    for (char c : text) {
        const SHORT scan = VkKeyScanA(c);
        if (scan == -1) continue;
        pressKey(LOBYTE(scan), (HIBYTE(scan) & 1) != 0 ? VK_SHIFT : 0);
    }
}

void clickWindow(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    // Absolute positions are given on a 0..65535 scale of the primary screen; every event carries
    // the position, so the button goes down and up where the pointer was moved to.
    auto event = [&](DWORD flags) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(centre.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(centre.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        return input;
    };
    // The pointer first, and the press only once the system has it there.
    sendInputs({event(0)});
    pumpUntil(
        [&] {
            POINT now = {};
            return GetCursorPos(&now) && now.x == centre.x && now.y == centre.y;
        },
        1000);
    sendInputs({event(MOUSEEVENTF_LEFTDOWN), event(MOUSEEVENTF_LEFTUP)});
}

namespace {
std::map<std::string, std::string> &options() {
    static std::map<std::string, std::string> values;
    return values;
}
}  // namespace

void parseTestOptions(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            options()[arg.substr(2, equals - 2)] = arg.substr(equals + 1);
        }
    }
}

std::string testOption(const char *name) {
    const auto found = options().find(name);
    return found != options().end() ? found->second : std::string();
}

int quitsSeen = 0;

int answerOk(HWND, const DialogText &) { return IDOK; }
int answerCancel(HWND, const DialogText &) { return IDCANCEL; }

namespace {

struct BoxSearch {
    DWORD processId;
    const char *className;
    std::vector<HWND> boxes;
};

BOOL CALLBACK findProcessBoxes(HWND window, LPARAM param) {
    auto *search = reinterpret_cast<BoxSearch *>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (processId == search->processId && lstrcmpA(className, search->className) == 0 && IsWindowVisible(window)) {
        search->boxes.push_back(window);
    }
    return TRUE;
}

}  // namespace

AnsweredRun answerProcess(PROCESS_INFORMATION &info, DWORD timeoutMs, BoxAnswer answer, const char *closeClass) {
    AnsweredRun run = {};
    run.process.started = true;
    std::vector<HWND> answered;
    const DWORD start = GetTickCount();
    // Each pass waits on the process itself for at most 20 ms, then looks for its boxes.
    while (!run.process.finished && GetTickCount() - start < timeoutMs) {
        run.process.finished = WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0;
        if (closeClass != nullptr) {
            BoxSearch windows = {info.dwProcessId, closeClass, {}};
            EnumWindows(findProcessBoxes, reinterpret_cast<LPARAM>(&windows));
            for (HWND window : windows.boxes) {
                if (std::find(answered.begin(), answered.end(), window) != answered.end()) continue;
                answered.push_back(window);
                if (bringToFront(window)) pressKey(VK_F4, VK_MENU);
            }
        }
        BoxSearch search = {info.dwProcessId, "#32770", {}};
        EnumWindows(findProcessBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.boxes) {
            if (std::find(answered.begin(), answered.end(), box) != answered.end()) continue;
            const DialogText text = readDialogText(box);
            if (text.text.empty()) continue;  // not laid out yet: read it on the next pass
            run.boxes.push_back(text);
            answered.push_back(box);
            const int button = answer(box, text);
            if (button != 0 && bringToFront(box)) clickWindow(GetDlgItem(box, button));
        }
    }
    if (!run.process.finished) TerminateProcess(info.hProcess, 0xDEAD);
    GetExitCodeProcess(info.hProcess, &run.process.exitCode);
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return run;
}

AnsweredRun runAnswering(const std::string &program, const std::string &args, DWORD timeoutMs, BoxAnswer answer,
                         const std::string &directory, const char *closeClass) {
    PROCESS_INFORMATION info;
    if (!startProcess(program, args, &info, directory)) {
        AnsweredRun run = {};
        run.process.lastError = GetLastError();
        return run;
    }
    return answerProcess(info, timeoutMs, answer, closeClass);
}

AnsweredRun answerProcessNamed(const char *exeName, DWORD timeoutMs, BoxAnswer answer) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    PROCESS_INFORMATION info = {};
    for (BOOL more = Process32First(snapshot, &entry); more && info.hProcess == nullptr;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) != 0) continue;
        info.hProcess =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        info.dwProcessId = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    if (info.hProcess == nullptr) return AnsweredRun{};
    return answerProcess(info, timeoutMs, answer, nullptr);
}

bool waitForProcessesNamed(const char *exeName, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE running = nullptr;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && running == nullptr;
             more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, exeName) == 0) {
                running = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
            }
        }
        CloseHandle(snapshot);
        if (running == nullptr) return true;
        const DWORD elapsed = GetTickCount() - start;
        const DWORD waited = elapsed < timeoutMs ? WaitForSingleObject(running, timeoutMs - elapsed) : WAIT_TIMEOUT;
        CloseHandle(running);
        if (waited != WAIT_OBJECT_0) return false;
    }
}

// Milliseconds on the performance counter.
double nowMs() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

Screenshot grabScreen(const RECT &r) {
    Screenshot shot;
    shot.width = r.right - r.left;
    shot.height = r.bottom - r.top;
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height * 4);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, shot.width, shot.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(shot.height), shot.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

int countPixels(const Screenshot &shot, int top, int bottom, bool (*test)(COLORREF)) {
    int count = 0;
    for (int y = top; y < bottom && y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) count += test(shot.at(x, y)) ? 1 : 0;
    }
    return count;
}

StandInDisplaySettings::StandInDisplaySettings() {
    dialog = CreateWindowExA(0, "STATIC", "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    monitor = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 120, 40, 152, 112, dialog, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
}

StandInDisplaySettings::~StandInDisplaySettings() {
    if (dialog != nullptr && IsWindow(dialog)) DestroyWindow(dialog);
}

std::string StandInDisplaySettings::previewArgs() const { return "/p " + windowNumber(monitor); }

HWND StandInDisplaySettings::preview() const {
    return monitor != nullptr && IsWindow(monitor) ? FindWindowExA(monitor, nullptr, "Lumivex", nullptr) : nullptr;
}

std::string windowNumber(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }
