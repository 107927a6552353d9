#include "settings/settings_window.h"

#include "startup/mode_results.h"

HWND settingsDialog = nullptr;
bool addMenuHeight = false;

int runSettingsWindow(HINSTANCE, int, int) { return MODE_RESULT_SETTINGS; }
