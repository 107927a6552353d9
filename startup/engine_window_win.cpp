#include "startup/engine_window_win.h"

namespace {

constexpr char ENGINE_CLASS[] = "Lumivex";

bool isTimerId(WPARAM id) { return id >= 1 && id < TIMER_SLOTS; }

EngineWindow *stateOf(HWND window) {
    return reinterpret_cast<EngineWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The class's own messages: the timer requests, and the black ground of every engine window.
bool handleClassMessage(EngineWindow &state, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) {
    *result = 0;
    switch (message) {
        case WM_SAVER_STARTTIMER:
            if (isTimerId(wParam))
                state.timerTable[wParam] = SetTimer(state.handle, wParam, static_cast<UINT>(lParam), nullptr);
            return true;
        case WM_SAVER_STOPTIMER:
            if (isTimerId(wParam) && state.timerTable[wParam] != 0) {
                KillTimer(state.handle, wParam);
                state.timerTable[wParam] = 0;
            }
            return true;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(state.handle, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool registerEngineClass(HINSTANCE instance) {
    WNDCLASSA existing = {};
    if (GetClassInfoA(instance, ENGINE_CLASS, &existing)) return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = engineWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "LumIcon");
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = ENGINE_CLASS;
    return RegisterClassA(&windowClass) != 0;
}

HWND createEngineWindow(HINSTANCE instance, EngineWindow *window, DWORD extendedStyle, DWORD style, int x, int y,
                        int width, int height, HWND parent) {
    if (!registerEngineClass(instance)) return nullptr;
    return CreateWindowExA(extendedStyle, ENGINE_CLASS, ENGINE_CLASS, style, x, y, width, height, parent, nullptr,
                           instance, window);
}

void postTimerStart(HWND window, UINT_PTR id, UINT periodMs) {
    if (window != nullptr) PostMessageA(window, WM_SAVER_STARTTIMER, id, static_cast<LPARAM>(periodMs));
}

void postTimerStop(HWND window, UINT_PTR id) {
    if (window != nullptr) PostMessageA(window, WM_SAVER_STOPTIMER, id, 0);
}

LRESULT CALLBACK engineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto *state = static_cast<EngineWindow *>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        if (state != nullptr) state->handle = window;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    EngineWindow *state = stateOf(window);
    if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    if (handleClassMessage(*state, message, wParam, lParam, &result)) return result;
    if (message == WM_DESTROY) {
        for (UINT_PTR id = 1; id < TIMER_SLOTS; ++id) {
            if (state->timerTable[id] != 0) KillTimer(window, id);
            state->timerTable[id] = 0;
        }
    }
    result = state->handler != nullptr ? state->handler->onMessage(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        state->handle = nullptr;
    }
    return result;
}
