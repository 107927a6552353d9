// A stand-in for the system's password change (MPR.DLL).
#include "double_record.h"

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD, DWORD) {
    char what[128];
    std::snprintf(what, sizeof what, "PwdChangePasswordA %s %s", provider != nullptr ? provider : "(null)",
                  owner != nullptr ? "owner" : "no-owner");
    recordCall(what);
    return 0;
}
