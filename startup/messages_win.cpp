#include "startup/messages_win.h"

void showInstallMessage(HINSTANCE instance, int captionId, int textId) {
    char caption[256] = {};
    char text[256] = {};
    if (captionId != 0) LoadStringA(instance, static_cast<UINT>(captionId), caption, 255);
    if (textId != 0) LoadStringA(instance, static_cast<UINT>(textId), text, 255);
    MessageBoxA(nullptr, text, caption, MB_OK);
}

int showFormattedMessage(HINSTANCE instance, int textId, UINT type, const char *first, const char *second) {
    char format[256] = {};
    LoadStringA(instance, static_cast<UINT>(textId), format, 255);
    char text[1024];  // the system's formatter writes at most 1024 bytes, the terminating NUL included
    wsprintfA(text, format, first, second);
    return MessageBoxA(nullptr, text, "", type);
}
