#include "saver/password.h"

#include "saver/saver_window.h"

HWND passwordDialog = nullptr;
bool passwordVerified = false;

// Until the password question is built, a protected run ends as if the password were accepted.
int checkPassword(HINSTANCE, int ask) {
    if (ask == 0) return 0;
    passwordVerified = true;
    if (saverWindow != nullptr) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
    return 0;
}
