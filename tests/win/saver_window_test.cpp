// The saver window's procedure driven by real messages in this process.
#include <gtest/gtest.h>

#include "saver/saver_window.h"
#include "startup/system_settings.h"
#include "support.h"

namespace {

// A window of the engine's class; the class is registered on first use (a second registration
// fails, as it does in the engine).
HWND makeSaverWindow() {
    static bool registered = false;
    if (!registered) {
        HWND first = createSaverWindow(GetModuleHandleA(nullptr), WS_POPUP, nullptr);
        registered = true;
        if (first != nullptr) return first;
    }
    return CreateWindowExA(0, "Lumivex", "Lumivex", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}


struct TimerCounter {
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam) {
        const MSG *message = reinterpret_cast<const MSG *>(lParam);
        if (code >= 0 && message->message == WM_TIMER) ++ticks[message->wParam < 6 ? message->wParam : 0];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static int ticks[6];
};
int TimerCounter::ticks[6];

TEST(SaverWindow, TimersStartAndStopThroughPostedMessages) {
    HWND window = makeSaverWindow();
    ASSERT_NE(nullptr, window);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, TimerCounter::hook, nullptr, GetCurrentThreadId());
    TimerCounter::ticks[TIMER_HEARTBEAT] = 0;

    postTimerStart(window, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
    EXPECT_EQ(0u, timerTable[TIMER_HEARTBEAT]) << "nothing happens until the message is handled";
    EXPECT_TRUE(pumpUntil([] { return TimerCounter::ticks[TIMER_HEARTBEAT] >= 3; }, 5000))
        << "three heartbeats within 5 s";
    EXPECT_NE(0u, timerTable[TIMER_HEARTBEAT]);

    postTimerStop(window, TIMER_HEARTBEAT);
    EXPECT_TRUE(pumpUntil([] { return timerTable[TIMER_HEARTBEAT] == 0; }, 5000));
    postTimerStop(window, TIMER_PASSWORD);
    EXPECT_TRUE(pumpUntil([] { return true; }, 0));
    EXPECT_EQ(0u, timerTable[TIMER_PASSWORD]) << "stopping a timer that does not run does nothing";
    EXPECT_EQ(0, postTimerStart(nullptr, TIMER_SPLASH, SPLASH_PERIOD)) << "no window: nothing posted";

    UnhookWindowsHookEx(hook);
    DestroyWindow(window);
    pumpUntil([] { return false; }, 50);
}

TEST(SaverWindow, CloseAndScreenSaveCommandsAreSwallowedOnlyWhileAnnounced) {
    HWND window = makeSaverWindow();
    ASSERT_NE(nullptr, window);
    struct Row {
        const char *label;
        bool announced;
        WPARAM command;
        LRESULT expected;
    };
    const Row rows[] = {
        {"screen save while announced", true, SC_SCREENSAVE, 1},
        {"close while announced", true, SC_CLOSE, 1},
        {"screen save after the withdraw", false, SC_SCREENSAVE, 0},
    };
    for (const Row &row : rows) {
        saverRunningAnnounced = row.announced;
        EXPECT_EQ(row.expected, SendMessageA(window, WM_SYSCOMMAND, row.command, 0)) << row.label;
        EXPECT_TRUE(IsWindow(window)) << row.label;
    }
    saverRunningAnnounced = false;
    DestroyWindow(window);
    pumpUntil([] { return false; }, 50);
}

TEST(SaverWindow, EveryFourthMouseMoveActsAsAClick) {
    HWND window = makeSaverWindow();
    ASSERT_NE(nullptr, window);
    const bool oldProtected = passwordProtected;
    passwordProtected = false;
    inputEndsSaver = true;
    mouseMoveCount = 0;
    for (int move = 1; move <= 3; ++move) {
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        pumpUntil([] { return false; }, 30);
        EXPECT_TRUE(IsWindow(window)) << "move " << move << " does nothing";
    }
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(0, mouseMoveCount) << "the count starts again";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 2000)) << "the fourth move clicked: the window closed";
    inputEndsSaver = false;
    passwordProtected = oldProtected;
    if (IsWindow(window)) DestroyWindow(window);
}

}  // namespace
