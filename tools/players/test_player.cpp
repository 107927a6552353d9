// A player for the tests: what it does is set by environment variables inherited from the engine.
//   LUMIVEX_PLAYER_RECORD=path       append "start <tick> <pid> <command line>", "quit <tick>" when a
//                                    WM_QUIT is sent to its window, and "end <tick> <code>"
//   LUMIVEX_PLAYER_EXIT_AFTER=ms     end by itself that long after its windows are up (default: never)
//   LUMIVEX_PLAYER_EXIT_CODE=n       the exit code it ends with (default 0)
//   LUMIVEX_PLAYER_WINDOW=none|plain|owned   (default plain)
//   LUMIVEX_PLAYER_INPUT=ends|ignore          (default ends)
//   LUMIVEX_PLAYER_FOREGROUND=1      bring its window to the foreground after showing it
//   LUMIVEX_PLAYER_CRASH=1           end by an access violation instead of returning its exit code
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const char kClassName[] = "LumivexTestPlayer";

char g_record[MAX_PATH * 4] = "";  // empty: no record
UINT g_exitCode = 0;
bool g_inputEnds = true;
HWND g_window = nullptr;
char g_line[33000];  // a command line is at most 32767 characters

// The variable's value, or false when it is absent or empty.
bool readVariable(const char *name, char *value, DWORD size) {
    DWORD length = GetEnvironmentVariableA(name, value, size);
    return length > 0 && length < size;
}

void appendRecord(const char *text) {
    if (g_record[0] == '\0') {
        return;
    }
    HANDLE file = CreateFileA(g_record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
    CloseHandle(file);
}

// Ends the run: destroying the window posts the quit message; with no window, post it here.
void finish() {
    if (g_window != nullptr) {
        DestroyWindow(g_window);  // also destroys the owned window
    } else {
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            // The colour to fill with comes as the creation parameter.
            const CREATESTRUCTA *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            SetDCBrushColor(dc, static_cast<COLORREF>(GetWindowLongPtrA(window, GWLP_USERDATA)));
            FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
            EndPaint(window, &paint);
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (g_inputEnds) {
                finish();
            }
            return 0;
        case WM_QUIT:  // only when sent rather than posted; a posted one ends the message loop
            snprintf(g_line, sizeof(g_line), "quit %lu\n", GetTickCount());
            appendRecord(g_line);
            finish();
            return 0;
        case WM_CLOSE:
            finish();
            return 0;
        case WM_DESTROY:
            if (window == g_window) {
                g_window = nullptr;
                PostQuitMessage(0);
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND makeWindow(HINSTANCE instance, const char *title, HWND owner, int x, int y, int width, int height,
                COLORREF colour) {
    void *parameter = reinterpret_cast<void *>(static_cast<UINT_PTR>(colour));
    HWND window = CreateWindowExA(0, kClassName, title, WS_POPUP | WS_VISIBLE, x, y, width, height, owner, nullptr,
                                  instance, parameter);
    if (window != nullptr) {
        UpdateWindow(window);
    }
    return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char value[64];
    readVariable("LUMIVEX_PLAYER_RECORD", g_record, sizeof(g_record));
    if (readVariable("LUMIVEX_PLAYER_EXIT_CODE", value, sizeof(value))) {
        g_exitCode = static_cast<UINT>(strtoll(value, nullptr, 10));
    }
    if (readVariable("LUMIVEX_PLAYER_INPUT", value, sizeof(value))) {
        g_inputEnds = lstrcmpiA(value, "ignore") != 0;
    }
    char mode[16] = "plain";
    readVariable("LUMIVEX_PLAYER_WINDOW", mode, sizeof(mode));
    bool foreground = readVariable("LUMIVEX_PLAYER_FOREGROUND", value, sizeof(value)) && lstrcmpA(value, "1") == 0;

    snprintf(g_line, sizeof(g_line), "start %lu %lu %s\n", GetTickCount(), GetCurrentProcessId(), GetCommandLineA());
    appendRecord(g_line);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);  // a shared system cursor: nothing to release
    windowClass.lpszClassName = kClassName;
    bool registered = false;
    if (lstrcmpiA(mode, "none") != 0) {
        registered = RegisterClassA(&windowClass) != 0;
        g_window = makeWindow(instance, "Lumivex test player", nullptr, 100, 100, 200, 150, RGB(0, 160, 80));
        if (g_window != nullptr && lstrcmpiA(mode, "owned") == 0) {
            makeWindow(instance, "Lumivex test player owned", g_window, 150, 150, 120, 80, RGB(200, 40, 40));
        }
        if (g_window != nullptr && foreground) {
            SetForegroundWindow(g_window);
        }
    }

    // Counted from when its windows are up, so that they live at least that long.
    UINT_PTR timer = 0;
    if (readVariable("LUMIVEX_PLAYER_EXIT_AFTER", value, sizeof(value))) {
        timer = SetTimer(nullptr, 0, static_cast<UINT>(strtoul(value, nullptr, 10)), nullptr);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_TIMER && timer != 0 && msg.wParam == timer) {
            finish();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (timer != 0) {
        KillTimer(nullptr, timer);
    }
    if (g_window != nullptr) {
        DestroyWindow(g_window);
    }
    if (registered) {
        UnregisterClassA(kClassName, instance);
    }

    if (readVariable("LUMIVEX_PLAYER_CRASH", value, sizeof(value)) && lstrcmpA(value, "1") == 0) {
        snprintf(g_line, sizeof(g_line), "crash %lu\n", GetTickCount());
        appendRecord(g_line);
        SetErrorMode(SEM_NOGPFAULTERRORBOX);  // no crash dialog: the process just ends
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    snprintf(g_line, sizeof(g_line), "end %lu %u\n", GetTickCount(), g_exitCode);
    appendRecord(g_line);
    return static_cast<int>(g_exitCode);
}
