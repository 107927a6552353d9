// The smallest player that keeps the engine's contract, for makers to start from:
// - it is started with its own full path as its whole command line, and needs nothing else;
// - it shows the show in a window of its own process: top-level, top-most (under password
//   protection the engine's black saver window is top-most too and must not hide it) and
//   covering every monitor;
// - it ends by itself when the show is to end, on the user's key press, click or mouse move, with
//   an exit code other than 259 (which the engine takes for "still running");
// - a WM_QUIT that reaches it (the engine hands one on to its front window) ends it as well.
#include <windows.h>

namespace {

const char CLASS_NAME[] = "LumivexExamplePlayer";
POINT firstMouse = {-1, -1};  // where the pointer was when the window first heard of it

LRESULT CALLBACK showWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(196, 184, 246));
            DrawTextA(dc, "A Lumivex show: press a key to end it", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_MOUSEMOVE: {
            // The window is told where the pointer is when it appears; only a real move ends the show.
            const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (firstMouse.x < 0) {
                firstMouse = at;
            } else if (abs(at.x - firstMouse.x) > 4 || abs(at.y - firstMouse.y) > 4) {
                DestroyWindow(window);
            }
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = showWindow;
    windowClass.hInstance = instance;
    windowClass.hCursor = nullptr;  // no pointer over the show
    windowClass.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&windowClass)) return 1;
    // Every monitor where the system knows several (the virtual screen), else the screen.
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        left = top = 0;
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, CLASS_NAME, "Lumivex example show", WS_POPUP | WS_VISIBLE, left, top,
                                  width, height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    SetForegroundWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
