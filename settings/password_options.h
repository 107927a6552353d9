// The password options: changing the screen-saver password and switching protection.
#pragma once

#include <windows.h>

// Shows the options, then closes the window that asked for them. Always 0.
int showPasswordOptions(HINSTANCE instance);
