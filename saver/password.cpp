#include "saver/password.h"

#include "resources/resource_ids.h"
#include "saver/password_reduction.h"
#include "saver/player.h"
#include "saver/saver_window.h"
#include "startup/entry.h"
#include "startup/system_settings.h"
#include "startup/test_seams.h"

HWND passwordDialog = nullptr;
bool passwordVerified = false;
LONG failedAttempts = 0;
bool closedByTimeout = false;

namespace {

using VerifyScreenSavePwdFunction = BOOL(WINAPI *)(HWND owner);

// The dialog went away (OK, close, or time-out): check what was typed.
void onPasswordDialogDestroyed(HWND dialog) {
    postTimerStop(saverWindow, TIMER_PASSWORD);
    char text[260] = {};
    GetDlgItemTextA(dialog, IDC_PASSWORD_EDIT, text, sizeof text);
    announceSaverRunning();
    verifyPassword(text);
    if (passwordVerified) {
        PostMessageA(saverWindow, WM_CLOSE, 0, 0);
        closedByTimeout = false;
    } else {
        const LONG before = failedAttempts++;
        if (before >= PASSWORD_TRIES - 1 || closedByTimeout) {
            failedAttempts = 0;
            launchPlayer(moduleInstance, playerCommandLine);
            closedByTimeout = false;
        } else {
            PostMessageA(saverWindow, WM_SAVER_CHECKPASSWORD, 0, 0);
        }
    }
    passwordDialog = nullptr;
}

}  // namespace

void verifyPassword(const char *text) {
    if (!win95) {
        passwordVerified = reducePassword(text) == storedPasswordValue;
        return;
    }
    // Without the system's password library the password counts as accepted.
    passwordVerified = true;
    HMODULE library = nullptr;
    if (loadSystemLibrary("PASSWORD.CPL", &library) != 0) return;
    const auto verify = reinterpret_cast<VerifyScreenSavePwdFunction>(
        reinterpret_cast<void *>(GetProcAddress(library, "VerifyScreenSavePwd")));
    if (verify != nullptr) passwordVerified = verify(saverWindow) != FALSE;
    FreeLibrary(library);
}

int checkPassword(HINSTANCE instance, int ask) {
    if (ask == 0) return 0;
    if (win95) {
        holdForeground(saverWindow, 1);
        setCursorVisible(1);
        verifyPassword("");
        holdForeground(saverWindow, 0);
        setCursorVisible(0);
        if (!passwordVerified) {
            launchPlayer(instance, playerCommandLine);
            return RESUMED_SHOW;
        }
        if (saverWindow != nullptr) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
        return 0;
    }
    if (passwordDialog != nullptr) return 0;  // never two questions at once
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(DIALOG_PASSWORD_ENTRY), saverWindow, passwordEntryProc, 0);
    if (dialog != nullptr) ShowWindow(dialog, SW_SHOW);
    return 0;
}

INT_PTR CALLBACK passwordEntryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            passwordDialog = dialog;
            passwordVerified = false;
            postTimerStart(saverWindow, TIMER_PASSWORD, testPasswordTimeout(PASSWORD_TIMEOUT));
            return TRUE;
        case WM_COMMAND:
            // Only OK answers; Escape (IDCANCEL) is ignored, there is no way around the question.
            if (LOWORD(wParam) == IDOK) DestroyWindow(dialog);
            return TRUE;
        case WM_CLOSE:
            if (LOWORD(wParam) == CLOSE_BY_TIMEOUT) closedByTimeout = true;
            DestroyWindow(dialog);
            return TRUE;
        case WM_DESTROY:
            onPasswordDialogDestroyed(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}
