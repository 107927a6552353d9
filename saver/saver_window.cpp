#include "saver/saver_window.h"

#include <sys/stat.h>

#include <cstring>

#include "images/drawing.h"
#include "images/image_set.h"
#include "resources/resource_ids.h"
#include "saver/password.h"
#include "saver/player.h"
#include "saver/supervision.h"
#include "settings/password_options.h"
#include "settings/settings_window.h"
#include "startup/entry.h"
#include "startup/paths.h"
#include "startup/system_settings.h"
#include "startup/windows_paths.h"

HWND saverWindow = nullptr;
bool inputEndsSaver = false;
UINT_PTR timerTable[6] = {};
LONG mouseMoveCount = 0;
char messageText[260] = "  ";
char playerCommandLine[260] = "  ";
bool splashPainted = false;

namespace {

constexpr char SAVER_CLASS[] = "Lumivex";

RECT desktopRect() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

bool isTimerId(WPARAM id) { return id >= 1 && id < sizeof timerTable / sizeof timerTable[0]; }

void onTimer(HWND window, WPARAM id) {
    if (id == TIMER_SPLASH || id == TIMER_MESSAGE) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (id == TIMER_SPLASH) {
            if (!splashPainted && imageSet.splash1.dib != nullptr) {
                if (imageSet.palette == nullptr) {
                    rebuildSharedPalette(imageSet.corner.dib, imageSet.splash2.dib, imageSet.splash1.dib, nullptr);
                }
                remakeSlotBitmap(dc, &imageSet.splash1, &imageSet.palette);
                splashPainted = true;
            }
            drawBitmapAtRandom(window, imageSet.splash1.bitmap, imageSet.palette);
        } else {
            scrollMessage(window, messageText);
        }
        EndPaint(window, &paint);
        return;
    }
    if (id == TIMER_PASSWORD && passwordDialog != nullptr && IsWindow(passwordDialog)) {
        PostMessageA(passwordDialog, WM_CLOSE, CLOSE_BY_TIMEOUT, 0);
    }
}

void onDestroy(HWND window) {
    for (UINT_PTR id = 1; id < sizeof timerTable / sizeof timerTable[0]; ++id) {
        if (timerTable[id] != 0) KillTimer(window, id);
    }
    if (settingsDialog != nullptr && IsWindow(settingsDialog)) DestroyWindow(settingsDialog);
    freeImageSet(&imageSet);
    PostQuitMessage(0);
    saverWindow = nullptr;
}

}  // namespace

int postTimerStart(HWND window, UINT_PTR id, UINT periodMs) {
    if (window != nullptr) PostMessageA(window, WM_SAVER_STARTTIMER, id, static_cast<LPARAM>(periodMs));
    return 0;
}

int postTimerStop(HWND window, UINT_PTR id) {
    if (window != nullptr) PostMessageA(window, WM_SAVER_STOPTIMER, id, 0);
    return 0;
}

ATOM registerSaverClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "LumIcon");
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = SAVER_CLASS;
    return RegisterClassA(&windowClass);
}

HWND createSaverWindow(HINSTANCE instance, DWORD style, HMENU menu) {
    if (registerSaverClass(instance) == 0) return nullptr;
    return CreateWindowExA(0, SAVER_CLASS, SAVER_CLASS, style, CW_USEDEFAULT, 0, 0, 0, nullptr, menu, instance,
                           nullptr);
}

int createErrorWindow(HINSTANCE instance) {
    if (saverWindow != nullptr || registerSaverClass(instance) == 0) return 0;
    const RECT desktop = desktopRect();
    saverWindow = CreateWindowExA(WS_EX_TOPMOST, SAVER_CLASS, SAVER_CLASS, WS_POPUP, 0, 0, desktop.right - desktop.left,
                                  desktop.bottom - desktop.top, nullptr, nullptr, instance, nullptr);
    return 0;
}

int showErrorScreen(HINSTANCE instance, int) {
    if (saverWindow == nullptr) return 0;
    inputEndsSaver = true;
    setCursorVisible(0);
    LoadStringA(instance, STRING_SAVER_DAMAGED, messageText, sizeof messageText);
    reloadImageSet(instance, &imageSet, 0, 0);
    postTimerStart(saverWindow, TIMER_SPLASH, SPLASH_PERIOD);
    postTimerStart(saverWindow, TIMER_MESSAGE, MESSAGE_PERIOD);
    ShowWindow(saverWindow, SW_SHOWNORMAL);
    return 0;
}

int runSaver(HINSTANCE instance, const char *ownPath, const PayloadTrailer *trailer) {
    char saverTarget[PATH_CAPACITY];
    char playerTarget[PATH_CAPACITY];
    char playerBeside[PATH_CAPACITY];
    int result = 0;
    if (makeInstallNames(ownPath, saverTarget, playerBeside, playerTarget) == 0) {
        std::strcpy(playerCommandLine, playerBeside);
    }
    announceSaverRunning();

    struct stat status;
    if (stat(playerCommandLine, &status) != 0) {
        if (saverWindow == nullptr) createErrorWindow(instance);
        postTimerStart(saverWindow, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
        showErrorScreen(instance, -1);
    } else if ((static_cast<unsigned long>(status.st_size) & 0xFFFFFFFFul) == trailer->playerSize) {
        saverWindow = createSaverWindow(instance, WS_POPUP, nullptr);
        if (saverWindow != nullptr) {
            const RECT desktop = desktopRect();
            SetWindowPos(saverWindow, nullptr, 0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top,
                         SWP_NOMOVE | SWP_NOZORDER);
            // Without protection the window stays hidden: only a message target under the player.
            if (passwordProtected) ShowWindow(saverWindow, SW_SHOW);
            postTimerStart(saverWindow, TIMER_HEARTBEAT, HEARTBEAT_PERIOD);
            result = launchPlayer(instance, playerCommandLine);
        }
    }
    if (result == 0 && saverWindow != nullptr) result = supervisePlayer(instance);
    freeImageSet(&imageSet);
    withdrawSaverRunning();
    return result;
}

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            saverWindow = window;
            return 0;
        case WM_DESTROY:
            onDestroy(window);
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_QUIT:
            if (playerLaunched && playerWindow != nullptr && IsWindow(playerWindow)) {
                SendMessageA(playerWindow, WM_QUIT, 0, 0);
            }
            SendMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            return 0;
        }
        case WM_KEYDOWN:
            // In settings mode the keyboard focus is on this main window, whose client area the
            // pictures dialog fills: a key pressed there closes the settings window as the
            // dialog does.
            if (settingsDialog != nullptr && IsWindow(settingsDialog)) {
                SendMessageA(settingsDialog, message, wParam, lParam);
                return 0;
            }
            [[fallthrough]];
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (inputEndsSaver) {
                if (passwordProtected) {
                    checkPassword(moduleInstance, 1);
                } else {
                    PostMessageA(window, WM_CLOSE, 0, 0);
                }
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_MOUSEMOVE:
            if (++mouseMoveCount > MOUSE_MOVE_LIMIT) {
                mouseMoveCount = 0;
                SendMessageA(saverWindow, WM_LBUTTONDOWN, 0, 0);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_COMMAND:
            if (wParam == MENU_EXIT) {
                PostQuitMessage(0);
                return 0;
            }
            if (wParam == MENU_PASSWORDS) {
                showPasswordOptions(moduleInstance);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SYSCOMMAND:
            if (saverRunningAnnounced && (wParam == SC_CLOSE || wParam == SC_SCREENSAVE)) return 1;
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_TIMER:
            onTimer(window, wParam);
            return 0;
        case WM_QUERYNEWPALETTE:
        case WM_PALETTECHANGED:
            if (settingsDialog != nullptr && IsWindow(settingsDialog)) {
                return SendMessageA(settingsDialog, message, wParam, lParam);
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SAVER_CHECKPASSWORD:
            checkPassword(moduleInstance, 1);
            return 0;
        case WM_SAVER_STARTTIMER:
            if (isTimerId(wParam)) timerTable[wParam] = SetTimer(window, wParam, static_cast<UINT>(lParam), nullptr);
            return 0;
        case WM_SAVER_STOPTIMER:
            if (isTimerId(wParam) && timerTable[wParam] != 0) {
                KillTimer(window, wParam);
                timerTable[wParam] = 0;
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
