#include "settings/password_options_win.h"

#include <cstring>

#include "resources/resource_ids.h"
#include "startup/messages_win.h"
#include "startup/password_reduction.h"
#include "startup/profile_number.h"
#include "startup/system_settings_win.h"

namespace {

using PwdChangePasswordFunction = DWORD(WINAPI *)(LPCSTR provider, HWND owner, DWORD, DWORD);

OptionsDialog *optionsOf(HWND dialog) {
    return reinterpret_cast<OptionsDialog *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void enableDialogItem(HWND dialog, int id, bool enable) {
    HWND item = GetDlgItem(dialog, id);
    if (item != nullptr) EnableWindow(item, enable ? TRUE : FALSE);
}

// Outside the win95 class the engine keeps the password itself, as the value that the password
// question compares with.
void storePassword(Engine &engine, const char *password) {
    engine.storedPasswordValue = reducePassword(password);
    writeProfileNumber("Lumivex", "Password Value", engine.storedPasswordValue, "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
}

// What Change (or a close request) does when the dialog goes: store the protection switch, and
// the password when both entries match.
void applyOptions(HWND dialog, OptionsDialog *options) {
    options->done = true;
    if (options->cancelled) return;
    Engine &engine = *options->engine;
    // The switch is stored whenever the box differs from what system.ini holds: the flag in
    // memory may have been set for this run alone ("/a" opens the options with it on).
    const bool protect = IsDlgButtonChecked(dialog, IDC_PROTECT_CHECK) == BST_CHECKED;
    char stored[PROFILE_NUMBER_BUFFER] = {};
    GetPrivateProfileStringA("Lumivex", "Password Protect", "", stored, sizeof stored, "system.ini");
    if (std::strcmp(stored, protect ? "1" : "0") != 0) writePasswordProtect(protect);
    engine.passwordProtected = protect;
    char password[260] = {};
    char retyped[260] = {};
    GetDlgItemTextA(dialog, IDC_NEW_PASSWORD, password, sizeof password);
    GetDlgItemTextA(dialog, IDC_RETYPED_PASSWORD, retyped, sizeof retyped);
    if (password[0] == '\0') return;
    if (std::strcmp(password, retyped) != 0) {
        showInstallMessage(engine.instance, 0, STRING_PASSWORDS_DIFFER);
        options->done = false;
        return;
    }
    storePassword(engine, password);
    showInstallMessage(engine.instance, 0, STRING_PASSWORD_CHANGED);
}

}  // namespace

bool showPasswordOptions(Engine &engine, HWND owner) {
    bool done = false;
    if (engine.platform.win95) {
        done = changeSystemPassword();
    } else {
        while (!done) {
            OptionsDialog options = {&engine};
            DialogBoxParamA(engine.instance, MAKEINTRESOURCEA(DIALOG_PASSWORD_OPTIONS), owner, passwordOptionsProc,
                            reinterpret_cast<LPARAM>(&options));
            // A dialog that cannot be shown at all ends the options as if cancelled.
            done = options.done || !options.shown;
        }
    }
    if (owner != nullptr) PostMessageA(owner, WM_CLOSE, 0, 0);
    return done;
}

bool changeSystemPassword() {
    const SystemLibrary library("MPR.DLL");
    const auto change =
        reinterpret_cast<PwdChangePasswordFunction>(reinterpret_cast<void *>(library.function("PwdChangePasswordA")));
    if (change == nullptr) return false;
    change("SCRSAVE", nullptr, 0, 0);
    return true;
}

void writePasswordProtect(bool on) {
    WritePrivateProfileStringA("Lumivex", "Password Protect", on ? "1" : "0", "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
}

void applyProtectState(HWND dialog, bool on) {
    CheckDlgButton(dialog, IDC_PROTECT_CHECK, on ? BST_CHECKED : BST_UNCHECKED);
    enableDialogItem(dialog, IDC_NEW_PASSWORD, on);
    enableDialogItem(dialog, IDC_NEW_PASSWORD_LABEL, on);
    enableDialogItem(dialog, IDC_RETYPED_PASSWORD, on);
    enableDialogItem(dialog, IDC_RETYPED_PASSWORD_LABEL, on);
}

INT_PTR CALLBACK passwordOptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            OptionsDialog *options = optionsOf(dialog);
            options->shown = true;
            options->cancelled = false;
            applyProtectState(dialog, options->engine->passwordProtected);
            return TRUE;
        }
        case WM_COMMAND:
            // The dialog is modal: EndDialog gives the owner its input back as it goes.
            switch (LOWORD(wParam)) {
                case IDCANCEL:
                    optionsOf(dialog)->cancelled = true;
                    EndDialog(dialog, IDCANCEL);
                    return FALSE;
                case IDOK:
                    EndDialog(dialog, IDOK);
                    return FALSE;
                case IDC_PROTECT_CHECK:
                    applyProtectState(dialog, IsDlgButtonChecked(dialog, IDC_PROTECT_CHECK) != BST_CHECKED);
                    return FALSE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            // Counts as Change. Handled here, so the dialog manager adds no Cancel of its own.
            EndDialog(dialog, IDOK);
            return TRUE;
        case WM_DESTROY:
            applyOptions(dialog, optionsOf(dialog));
            return TRUE;
        default:
            return FALSE;
    }
}
