#include "settings/password_options.h"

#include "saver/saver_window.h"

// Until the options dialog is built, asking for the options only closes the asking window.
int showPasswordOptions(HINSTANCE) {
    if (saverWindow != nullptr) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
    return 0;
}
