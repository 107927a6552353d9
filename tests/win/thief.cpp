#include "thief.h"

#include <algorithm>
#include <cstdio>

#include "support.h"

namespace {

const char THIEF_CLASS[] = "LumivexThief";

DWORD processOf(HWND window) {
    DWORD process = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &process);
    return process;
}

}  // namespace

std::string describeWindow(HWND window) {
    char name[64] = "(none)";
    if (window != nullptr) GetClassNameA(window, name, sizeof name);
    char text[128];
    std::snprintf(text, sizeof text, "%p class %s process %lu", static_cast<void *>(window), name,
                  static_cast<unsigned long>(processOf(window)));
    return text;
}

namespace {

// Takes this thread's messages, and waits for the next one or the time bound.
void pumpFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

ForeignWindow::ForeignWindow(HWND owner) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = THIEF_CLASS;
    registered_ = RegisterClassA(&windowClass) != 0;
    handle_ = CreateWindowExA(0, THIEF_CLASS, "thief", WS_POPUP | WS_VISIBLE, 300, 300, 100, 100, owner, nullptr,
                              windowClass.hInstance, nullptr);
}

ForeignWindow::~ForeignWindow() {
    if (handle_ != nullptr) DestroyWindow(handle_);
    if (registered_) UnregisterClassA(THIEF_CLASS, GetModuleHandleA(nullptr));
}

bool waitForFrontOf(DWORD player, DWORD timeoutMs) {
    return pumpUntil([&] { return processOf(GetForegroundWindow()) == player; }, timeoutMs);
}

bool waitForSteadyFrontOf(DWORD player, DWORD quietMs, DWORD timeoutMs) {
    HWND seen = nullptr;
    DWORD since = GetTickCount();
    return pumpUntil(
        [&] {
            const HWND front = GetForegroundWindow();
            if (front != seen || processOf(front) != player) {
                seen = front;
                since = GetTickCount();
                return false;
            }
            return GetTickCount() - since >= quietMs;
        },
        timeoutMs);
}

bool saverDirectlyBeneath(HWND front, DWORD player, HWND saverWindow, std::string *seen) {
    HWND below = front != nullptr ? GetWindow(front, GW_HWNDNEXT) : nullptr;
    while (below != nullptr && (processOf(below) == player || !IsWindowVisible(below))) {
        below = GetWindow(below, GW_HWNDNEXT);
    }
    if (below == saverWindow) return true;
    *seen = "in front " + describeWindow(front) + ", beneath the player " + describeWindow(below);
    return false;
}

TheftReport stealTheFront(DWORD player, HWND saverWindow, DWORD durationMs, double periodMs) {
    constexpr DWORD SETTLE_MS = 2000;
    TheftReport report;
    ForeignWindow thief(nullptr);
    if (thief.handle() == nullptr) return report;
    const double start = nowMs();
    double stolenAt = -1;
    double nextSteal = start;
    for (double now = start; now - start < durationMs; now = nowMs()) {
        const HWND front = GetForegroundWindow();
        if (stolenAt >= 0 && front != thief.handle()) {
            report.worstMs = std::max(report.worstMs, now - stolenAt);
            ++report.pushedBack;
            stolenAt = -1;
            // The z-order settles a moment after the front changed hands.
            std::string seen;
            if (!waitForFrontOf(player, SETTLE_MS)) {
                seen = "in front " + describeWindow(GetForegroundWindow()) + ", not the player";
            } else if (pumpUntil(
                           [&] { return saverDirectlyBeneath(GetForegroundWindow(), player, saverWindow, &seen); },
                           SETTLE_MS)) {
                seen.clear();
            }
            if (!seen.empty() && report.orderBroken++ == 0) report.firstBreak = seen;
            nextSteal = nowMs() + periodMs;
        }
        if (stolenAt < 0 && now >= nextSteal) {
            SetForegroundWindow(thief.handle());
            if (GetForegroundWindow() == thief.handle()) {
                stolenAt = nowMs();
                ++report.steals;
            }
            nextSteal = now + periodMs;
        }
        pumpFor(1);
    }
    // The last theft too must end.
    if (stolenAt >= 0 && pumpUntil([&] { return GetForegroundWindow() != thief.handle(); }, SETTLE_MS)) {
        report.worstMs = std::max(report.worstMs, nowMs() - stolenAt);
        ++report.pushedBack;
    }
    return report;
}
