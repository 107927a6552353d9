// Message boxes whose caption and text come from the string table.
#pragma once

#include <windows.h>

// MessageBoxA without owner and with an OK button; an id of 0, or one the string table does not
// hold, gives an empty caption or text.
void showInstallMessage(HINSTANCE instance, int captionId, int textId);

// MessageBoxA without owner or caption whose text is a string of the table with its "%s" places
// filled by the given texts (the system's formatter: at most 1024 bytes); the button pressed.
int showFormattedMessage(HINSTANCE instance, int textId, UINT type, const char *first, const char *second = "");
