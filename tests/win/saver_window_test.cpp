// The saver window's procedure driven by real messages in this process.
#include <gtest/gtest.h>

#include "saver_session.h"
#include "startup/engine_window_win.h"
#include "support.h"

namespace {

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
    SaverSession session;
    HWND window = session.window;
    ASSERT_NE(nullptr, window);
    const UINT_PTR *timers = session.run.saverWindow.timerTable;
    EXPECT_TRUE(registerEngineClass(GetModuleHandleA(nullptr))) << "a second registration is harmless";
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, TimerCounter::hook, nullptr, GetCurrentThreadId());
    TimerCounter::ticks[TIMER_HEARTBEAT] = 0;

    postTimerStart(window, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
    EXPECT_EQ(0u, timers[TIMER_HEARTBEAT]) << "nothing happens until the message is handled";
    EXPECT_TRUE(pumpUntil([] { return TimerCounter::ticks[TIMER_HEARTBEAT] >= 3; }, 5000))
        << "three heartbeats within 5 s";
    EXPECT_NE(0u, timers[TIMER_HEARTBEAT]);

    postTimerStop(window, TIMER_HEARTBEAT);
    EXPECT_TRUE(pumpUntil([&] { return timers[TIMER_HEARTBEAT] == 0; }, 5000));
    postTimerStop(window, TIMER_PASSWORD);
    EXPECT_TRUE(pumpUntil([] { return true; }, 0));
    EXPECT_EQ(0u, timers[TIMER_PASSWORD]) << "stopping a timer that does not run does nothing";
    postTimerStart(nullptr, TIMER_SPLASH, SPLASH_PERIOD);
    MSG posted = {};
    EXPECT_FALSE(PeekMessageA(&posted, reinterpret_cast<HWND>(-1), WM_SAVER_STARTTIMER, WM_SAVER_STARTTIMER, PM_REMOVE))
        << "no window: nothing posted";

    UnhookWindowsHookEx(hook);
}

TEST(SaverWindow, CloseAndScreenSaveCommandsAreSwallowedOnlyWhileAnnounced) {
    SaverSession session;
    HWND window = session.window;
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
        session.engine.saverRunningAnnounced = row.announced;
        EXPECT_EQ(row.expected, SendMessageA(window, WM_SYSCOMMAND, row.command, 0)) << row.label;
        EXPECT_TRUE(IsWindow(window)) << row.label;
    }
    session.engine.saverRunningAnnounced = false;
}

TEST(SaverWindow, EveryFourthMouseMoveActsAsAClick) {
    SaverSession session;
    HWND window = session.window;
    ASSERT_NE(nullptr, window);
    ErrorScreen &screen = session.run.screen;
    session.engine.passwordProtected = false;
    screen.inputEndsSaver = true;
    screen.mouseMoveCount = 0;
    for (int move = 1; move <= 3; ++move) {
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        pumpUntil([] { return false; }, 30);
        EXPECT_TRUE(IsWindow(window)) << "move " << move << " does nothing";
    }
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(0, screen.mouseMoveCount) << "the count starts again";
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 2000)) << "the fourth move clicked: the window closed";
}

}  // namespace
