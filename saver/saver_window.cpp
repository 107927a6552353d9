#include "saver/saver_window.h"

#include "startup/mode_results.h"

HWND saverWindow = nullptr;

int runSaver(HINSTANCE, const char *, const PayloadTrailer *) { return MODE_RESULT_SAVER; }
