#include "saver/saver_run_win.h"

#include <cstring>

#include "resources/resource_ids.h"
#include "saver/window_order_win.h"
#include "startup/scoped_win.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"
#include "startup/windows_paths_win.h"

namespace {

// What the saver window covers: every monitor where the system reports the virtual screen, else
// the desktop window. (Windows 95 and NT before 2000 know no virtual-screen metrics and give 0.)
Rect saverWindowArea() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const Rect virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return saverArea(virtualScreen, {desktop.left, desktop.top, desktop.right, desktop.bottom});
}

}  // namespace

SaverRun::SaverRun(Engine &engineOfRun, OwnedImages &imagesOfRun) : engine(engineOfRun), images(imagesOfRun) {
    saverWindow.handler = this;
    question.engine = &engine;
    question.saverWindow = &saverWindow;
    question.resumer = this;
}

SaverRun::~SaverRun() {
    if (saverWindow.handle != nullptr) DestroyWindow(saverWindow.handle);
    releasePlayer(&player);
}

bool SaverRun::createSaverWindow() {
    const Rect area = saverWindowArea();
    return createEngineWindow(engine.instance, &saverWindow, 0, WS_POPUP, area.left, area.top, rectWidth(area),
                              rectHeight(area)) != nullptr;
}

void SaverRun::createErrorWindow() {
    if (saverWindow.handle != nullptr) return;
    const Rect area = saverWindowArea();
    createEngineWindow(engine.instance, &saverWindow, WS_EX_TOPMOST, WS_POPUP, area.left, area.top, rectWidth(area),
                       rectHeight(area));
}

void SaverRun::showErrorScreen() {
    if (saverWindow.handle == nullptr) return;
    screen.inputEndsSaver = true;
    setCursorVisible(engine, false);
    LoadStringA(engine.instance, STRING_SAVER_DAMAGED, screen.messageText, sizeof screen.messageText);
    reloadImageSet(engine.instance, &images.imageSet(), 0, 0);
    postTimerStart(saverWindow.handle, TIMER_SPLASH, SPLASH_PERIOD);
    postTimerStart(saverWindow.handle, TIMER_MESSAGE, MESSAGE_PERIOD);
    ShowWindow(saverWindow.handle, SW_SHOWNORMAL);
}

void SaverRun::launchPlayer() {
    holdForeground(saverWindow.handle, false);
    if (!playerUsable || startPlayer(&player) != PlayerState::Running) showErrorScreen();
}

RunResult SaverRun::run(const PayloadTrailer &trailer) {
    char saverTarget[PATH_CAPACITY];
    char playerTarget[PATH_CAPACITY];
    char playerBeside[PATH_CAPACITY];
    if (makeInstallNames(engine.path, saverTarget, playerBeside, playerTarget) == PathResult::Ok) {
        std::strcpy(player.playerCommandLine, playerBeside);
    }
    announceSaverRunning(engine, saverWindow.handle);
    testStamp("announced");

    uint32_t playerSize = 0;
    const bool present = getFileSize(player.playerCommandLine, &playerSize);
    playerUsable = present && playerSize == trailer.playerSize;
    testStamp("player checked");
    if (playerUsable && !engine.passwordProtected) {
        // Without protection the saver window stays hidden, only a message target beside the
        // player, so the player starts first: the show is up as soon as a bare launcher would
        // bring it. A player that cannot start gives the error screen in that window.
        const bool started = startPlayer(&player) == PlayerState::Running;
        if (createSaverWindow() && !started) showErrorScreen();
        testStamp("window made");
    } else if (playerUsable && createSaverWindow()) {
        // Under protection the black saver window is shown first, then the player above it.
        testStamp("window made");
        ShowWindow(saverWindow.handle, SW_SHOW);
        if (keepsWindowOrder()) postTimerStart(saverWindow.handle, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
        launchPlayer();
    } else if (!present || engine.passwordProtected) {
        // A missing player shows the error screen. A player of the wrong size ends an
        // unprotected run at once; a protected run is never left without the password, so it
        // shows the error screen too.
        createErrorWindow();
        if (keepsWindowOrder()) postTimerStart(saverWindow.handle, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
        showErrorScreen();
    }
    if (saverWindow.handle != nullptr) supervise();
    withdrawSaverRunning(engine);
    return RunResult::Done;
}

bool SaverRun::checkPlayer() {
    if (refreshPlayerState(&player) != PlayerState::Ended) return false;
    if (!engine.passwordProtected) {
        if (saverWindow.handle != nullptr) PostMessageA(saverWindow.handle, WM_CLOSE, 0, 0);
        return false;
    }
    if (question.passwordDialog != nullptr) return false;
    if (question.passwordVerified) return true;
    return askForPassword(&question) == PasswordOutcome::Accepted;
}

void SaverRun::supervise() {
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            // A quit for the thread ends the loop: the saver window's end posts one. One that
            // another program posts to the thread cannot end a protected run before the password.
            // A WM_QUIT posted to the saver window itself goes to its window procedure below.
            if (message.message == WM_QUIT && message.hwnd == nullptr) {
                if (saverWindow.handle == nullptr || !passwordStillNeeded()) return;
                continue;
            }
            if (question.passwordDialog == nullptr || !IsDialogMessageA(question.passwordDialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (checkPlayer()) return;
            if (keepsWindowOrder()) keepWindowOrder(&player, saverWindow.handle, question.passwordDialog);
            if (saverWindow.handle == nullptr) return;
        }
        // Asleep until the next message, or the player's end while it runs: its end is noticed
        // at once. Only the window-order rule needs the heartbeat, which bounds the wait then.
        HANDLE process = player.state == PlayerState::Running ? player.process : nullptr;
        const DWORD woke =
            MsgWaitForMultipleObjects(process != nullptr ? 1 : 0, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 && process != nullptr && checkPlayer()) return;
    }
}

void SaverRun::onTimer(HWND target, WPARAM id) {
    ImageSet &set = images.imageSet();
    if (id == TIMER_SPLASH || id == TIMER_MESSAGE) {
        Painting paint(target);
        if (id == TIMER_SPLASH) {
            if (!screen.splashPainted && set.splash1.dib != nullptr) {
                if (set.palette == nullptr) rebuildPaletteOfPictures(&set);
                remakeSlotBitmap(paint.get(), &set.splash1, &set.palette);
                screen.splashPainted = true;
            }
            drawBitmapAtRandom(target, set.splash1.bitmap, set.palette, &screen.animation);
        } else {
            scrollMessage(target, screen.messageText, &screen.animation);
        }
        return;
    }
    if (id == TIMER_PASSWORD && question.passwordDialog != nullptr && IsWindow(question.passwordDialog)) {
        PostMessageA(question.passwordDialog, WM_CLOSE, CLOSE_BY_TIMEOUT, 0);
    }
}

void SaverRun::onInput() {
    if (!screen.inputEndsSaver) return;
    if (engine.passwordProtected) {
        askForPassword(&question);
    } else {
        PostMessageA(saverWindow.handle, WM_CLOSE, 0, 0);
    }
}

LRESULT SaverRun::onMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            images.release();
            PostQuitMessage(0);
            return 0;
        case WM_QUIT: {
            // Handed on to the player's front window, then the saver window closes itself. Under
            // protection it stays: the player's end brings the password question.
            const HWND playerFront = player.state == PlayerState::Running ? frontWindowOfPlayer(player) : nullptr;
            if (playerFront != nullptr) SendMessageA(playerFront, WM_QUIT, 0, 0);
            SendMessageA(target, WM_CLOSE, 0, 0);
            return 0;
        }
        case WM_CLOSE:
            if (!passwordStillNeeded()) DestroyWindow(target);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            onInput();
            return DefWindowProcA(target, message, wParam, lParam);
        case WM_MOUSEMOVE:
            // Every fourth move counts as a click.
            if (++screen.mouseMoveCount > MOUSE_MOVE_LIMIT) {
                screen.mouseMoveCount = 0;
                SendMessageA(target, WM_LBUTTONDOWN, 0, 0);
                return 0;
            }
            return DefWindowProcA(target, message, wParam, lParam);
        case WM_SYSCOMMAND:
            if (engine.saverRunningAnnounced && (wParam == SC_CLOSE || wParam == SC_SCREENSAVE)) return 1;
            return DefWindowProcA(target, message, wParam, lParam);
        case WM_TIMER:
            onTimer(target, wParam);
            return 0;
        case WM_SAVER_CHECKPASSWORD:
            askForPassword(&question);
            return 0;
        default:
            return DefWindowProcA(target, message, wParam, lParam);
    }
}
