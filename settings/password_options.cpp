#include "settings/password_options.h"

#include <cstring>

#include "resources/resource_ids.h"
#include "saver/password_reduction.h"
#include "saver/saver_window.h"
#include "startup/entry.h"
#include "startup/messages.h"
#include "startup/profile_number.h"
#include "startup/system_settings.h"

bool optionsDone = false;
bool optionsCancelled = false;

namespace {

using PwdChangePasswordFunction = DWORD(WINAPI *)(LPCSTR provider, HWND owner, DWORD, DWORD);

bool optionsShown = false;  // the dialog's procedure ran for this showing

// Outside the win95 class the engine keeps the password itself, as the value that the password
// question compares with.
void storePassword(const char *password) {
    storedPasswordValue = reducePassword(password);
    writeProfileNumber("Lumivex", "Password Value", storedPasswordValue, "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
}

// What Change (or a close request) does when the dialog goes: store the protection switch, and
// the password when both entries match.
void applyOptions(HWND dialog) {
    optionsDone = true;
    if (optionsCancelled) return;
    // The switch is stored whenever the box differs from what system.ini holds: the flag in
    // memory may have been set for this run alone ("/a" opens the options with it on).
    const bool protect = IsDlgButtonChecked(dialog, IDC_PROTECT_CHECK) == BST_CHECKED;
    char stored[PROFILE_NUMBER_BUFFER] = {};
    GetPrivateProfileStringA("Lumivex", "Password Protect", "", stored, sizeof stored, "system.ini");
    if (std::strcmp(stored, protect ? "1" : "0") != 0) writePasswordProtect(protect ? 1 : 0);
    passwordProtected = protect;
    char password[260] = {};
    char retyped[260] = {};
    GetDlgItemTextA(dialog, IDC_NEW_PASSWORD, password, sizeof password);
    GetDlgItemTextA(dialog, IDC_RETYPED_PASSWORD, retyped, sizeof retyped);
    if (password[0] == '\0') return;
    if (std::strcmp(password, retyped) != 0) {
        showInstallMessage(moduleInstance, 0, STRING_PASSWORDS_DIFFER);
        optionsDone = false;
        return;
    }
    storePassword(password);
    showInstallMessage(moduleInstance, 0, STRING_PASSWORD_CHANGED);
}

}  // namespace

int showPasswordOptions(HINSTANCE instance) {
    optionsDone = false;
    if (win95) {
        changeSystemPassword();
    } else {
        while (!optionsDone) {
            // A dialog that cannot be shown at all ends the options as if cancelled.
            if (runModalDialog(instance, MAKEINTRESOURCEA(DIALOG_PASSWORD_OPTIONS), passwordOptionsProc,
                               saverWindow) != 0) {
                optionsDone = true;
            }
        }
    }
    if (saverWindow != nullptr) PostMessageA(saverWindow, WM_CLOSE, 0, 0);
    return 0;
}

void changeSystemPassword() {
    HMODULE library = nullptr;
    loadSystemLibrary("MPR.DLL", &library);
    const auto change = library != nullptr ? reinterpret_cast<PwdChangePasswordFunction>(reinterpret_cast<void *>(
                                                 GetProcAddress(library, "PwdChangePasswordA")))
                                           : nullptr;
    if (change != nullptr) {
        change("SCRSAVE", nullptr, 0, 0);
        optionsDone = true;
    }
    if (library != nullptr) FreeLibrary(library);
}

int runModalDialog(HINSTANCE instance, LPCSTR name, DLGPROC procedure, HWND owner) {
    if (procedure == nullptr) return 0;
    optionsShown = false;
    DialogBoxParamA(instance, name, owner, procedure, 0);
    return optionsShown ? 0 : -1;
}

void writePasswordProtect(int value) {
    char text[PROFILE_NUMBER_BUFFER];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA("Lumivex", "Password Protect", text, "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
}

void enableDialogItem(HWND dialog, int id, BOOL enable) {
    HWND item = GetDlgItem(dialog, id);
    if (item != nullptr) EnableWindow(item, enable);
}

void applyProtectState(HWND dialog, int on) {
    CheckDlgButton(dialog, IDC_PROTECT_CHECK, on ? BST_CHECKED : BST_UNCHECKED);
    enableDialogItem(dialog, IDC_NEW_PASSWORD, on);
    enableDialogItem(dialog, IDC_NEW_PASSWORD_LABEL, on);
    enableDialogItem(dialog, IDC_RETYPED_PASSWORD, on);
    enableDialogItem(dialog, IDC_RETYPED_PASSWORD_LABEL, on);
}

INT_PTR CALLBACK passwordOptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            optionsShown = true;
            applyProtectState(dialog, passwordProtected ? 1 : 0);
            optionsCancelled = false;
            return TRUE;
        case WM_COMMAND:
            // The dialog is modal: EndDialog gives the owner its input back as it goes.
            switch (LOWORD(wParam)) {
                case IDCANCEL:
                    optionsCancelled = true;
                    EndDialog(dialog, IDCANCEL);
                    return FALSE;
                case IDOK:
                    EndDialog(dialog, IDOK);
                    return FALSE;
                case IDC_PROTECT_CHECK:
                    applyProtectState(dialog, IsDlgButtonChecked(dialog, IDC_PROTECT_CHECK) == BST_CHECKED ? 0 : 1);
                    return FALSE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            // Counts as Change. Handled here, so the dialog manager adds no Cancel of its own.
            EndDialog(dialog, IDOK);
            return TRUE;
        case WM_DESTROY:
            applyOptions(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}
