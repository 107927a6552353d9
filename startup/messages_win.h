// Message boxes whose caption and text come from the string table.
#pragma once

#include <windows.h>

// MessageBoxA without owner and with an OK button; an id of 0, or one the string table does not
// hold, gives an empty caption or text.
void showInstallMessage(HINSTANCE instance, int captionId, int textId);
