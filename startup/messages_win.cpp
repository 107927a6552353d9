#include "startup/messages_win.h"

void showInstallMessage(HINSTANCE instance, int captionId, int textId) {
    char caption[256] = {};
    char text[256] = {};
    if (captionId != 0) LoadStringA(instance, static_cast<UINT>(captionId), caption, 255);
    if (textId != 0) LoadStringA(instance, static_cast<UINT>(textId), text, 255);
    MessageBoxA(nullptr, text, caption, MB_OK);
}
