// Saver mode: the saver window (a window of the engine's class), the error screen, the player's
// launch and supervision, and the password question, all owned by one run.
#pragma once

#include <windows.h>

#include "images/drawing_win.h"
#include "images/image_set_win.h"
#include "payload/trailer.h"
#include "saver/password_win.h"
#include "saver/player_job_win.h"
#include "startup/engine_win.h"
#include "startup/engine_window_win.h"
#include "startup/run_result.h"

constexpr LONG MOUSE_MOVE_LIMIT = 3;

// The error screen: the splash picture jumping about on black and the message scrolling along
// the top, ended by the user's input.
struct ErrorScreen {
    bool inputEndsSaver = false;  // key presses and clicks end the run
    LONG mouseMoveCount = 0;      // mouse moves since the last one that counted as a click
    char messageText[260] = "  ";
    bool splashPainted = false;  // splash1's device bitmap was made for the window
    Animation animation;
};

class SaverRun : public EngineWindowHandler, public ShowResumer {
public:
    SaverRun(Engine &engine, OwnedImages &images);
    ~SaverRun();
    SaverRun(const SaverRun &) = delete;
    SaverRun &operator=(const SaverRun &) = delete;

    // Saver mode for the engine file at engine.path, whose trailer the entry point read: the
    // player NAME.exe beside NAME.scr, started when its size is the trailer's, or the error screen
    // when it is missing or cannot start. Ends when the player's end (and, under protection, the
    // right password) or the user's input on the error screen ends it.
    RunResult run(const PayloadTrailer &trailer);

    // The steps of a run.
    // The hidden full-desktop pop-up saver window; false when it cannot be made.
    bool createSaverWindow();
    // The top-most full-desktop window of the error screen, when there is no saver window yet.
    void createErrorWindow();
    // Turns the saver window into the error screen.
    void showErrorScreen();
    // Starts the player; when it is not usable or cannot start, the error screen shows instead.
    void launchPlayer();
    // The supervision loop: pumps the saver window, the password question and the timers, and
    // after every message (and at the player's end) looks at the player and, under password
    // protection, at the window order.
    void supervise();

    void resumeShow() override { launchPlayer(); }
    LRESULT onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    Engine &engine;
    OwnedImages &images;
    EngineWindow saverWindow;  // the saver window, or the error screen's window
    PlayerJob player;
    bool playerUsable = false;  // the player is there and has the size the trailer gives
    PasswordQuestion question;
    ErrorScreen screen;

private:
    // What the end of the player means now; true when the run is over.
    bool checkPlayer();
    // Under protection, until the right password was given, nothing but the password question
    // may end the run: a WM_CLOSE or WM_QUIT from another program is not obeyed.
    // The window-order rule holds under protection, except on the win95 class, where the loop
    // leaves the order alone; it is checked on a 50 ms heartbeat.
    bool keepsWindowOrder() const { return engine.passwordProtected && !engine.platform.win95; }
    bool passwordStillNeeded() const { return engine.passwordProtected && !question.passwordVerified; }
    void onTimer(HWND window, WPARAM id);
    void onInput();
};
