#include "saver/password_win.h"

#include "resources/resource_ids.h"
#include "startup/password_reduction.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"

namespace {

using VerifyScreenSavePwdFunction = BOOL(WINAPI *)(HWND owner);

PasswordQuestion *questionOf(HWND dialog) {
    return reinterpret_cast<PasswordQuestion *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The dialog went away (OK, close, or time-out): check what was typed.
void onDialogGone(PasswordQuestion *question, HWND dialog) {
    const HWND saver = question->saverWindow->handle;
    postTimerStop(saver, TIMER_PASSWORD);
    char text[260] = {};
    GetDlgItemTextA(dialog, IDC_PASSWORD_EDIT, text, sizeof text);
    announceSaverRunning(*question->engine, saver);
    verifyPassword(question, text);
    question->passwordDialog = nullptr;
    if (question->passwordVerified) {
        PostMessageA(saver, WM_CLOSE, 0, 0);
        question->closedByTimeout = false;
        return;
    }
    const LONG before = question->failedAttempts++;
    if (before >= PASSWORD_TRIES - 1 || question->closedByTimeout) {
        question->failedAttempts = 0;
        question->closedByTimeout = false;
        question->resumer->resumeShow();
    } else {
        PostMessageA(saver, WM_SAVER_CHECKPASSWORD, 0, 0);
    }
}

}  // namespace

void verifyPassword(PasswordQuestion *question, const char *text) {
    if (!question->engine->platform.win95) {
        question->passwordVerified = reducePassword(text) == question->engine->storedPasswordValue;
        return;
    }
    // Without the system's password library the password counts as accepted.
    const SystemLibrary library("PASSWORD.CPL");
    const auto verify = reinterpret_cast<VerifyScreenSavePwdFunction>(
        reinterpret_cast<void *>(library.function("VerifyScreenSavePwd")));
    question->passwordVerified = verify == nullptr || verify(question->saverWindow->handle) != FALSE;
}

PasswordOutcome askForPassword(PasswordQuestion *question) {
    Engine &engine = *question->engine;
    const HWND saver = question->saverWindow->handle;
    if (engine.platform.win95) {
        holdForeground(saver, true);
        setCursorVisible(engine, true);
        verifyPassword(question, "");
        holdForeground(saver, false);
        setCursorVisible(engine, false);
        if (!question->passwordVerified) {
            question->resumer->resumeShow();
            return PasswordOutcome::Refused;
        }
        if (saver != nullptr) PostMessageA(saver, WM_CLOSE, 0, 0);
        return PasswordOutcome::Accepted;
    }
    if (question->passwordDialog == nullptr) {
        HWND dialog = CreateDialogParamA(engine.instance, MAKEINTRESOURCEA(DIALOG_PASSWORD_ENTRY), saver,
                                         passwordEntryProc, reinterpret_cast<LPARAM>(question));
        if (dialog != nullptr) ShowWindow(dialog, SW_SHOW);
    }
    return PasswordOutcome::Asked;
}

INT_PTR CALLBACK passwordEntryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            PasswordQuestion *question = questionOf(dialog);
            question->passwordDialog = dialog;
            question->passwordVerified = false;
            postTimerStart(question->saverWindow->handle, TIMER_PASSWORD, testPasswordTimeout(PASSWORD_TIMEOUT));
            return TRUE;
        }
        case WM_COMMAND:
            // Only OK answers; Escape (IDCANCEL) is ignored, there is no way around the question.
            if (LOWORD(wParam) == IDOK) DestroyWindow(dialog);
            return TRUE;
        case WM_CLOSE:
            if (LOWORD(wParam) == CLOSE_BY_TIMEOUT) questionOf(dialog)->closedByTimeout = true;
            DestroyWindow(dialog);
            return TRUE;
        case WM_DESTROY:
            onDialogGone(questionOf(dialog), dialog);
            return TRUE;
        default:
            return FALSE;
    }
}
