// A stand-in for the system's screen-saver password check (PASSWORD.CPL).
#include "double_record.h"

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
    char what[64];
    std::snprintf(what, sizeof what, "VerifyScreenSavePwd %s", owner != nullptr ? "owner" : "no-owner");
    return recordCall(what) != 0 ? TRUE : FALSE;
}
