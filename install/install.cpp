#include "install/install.h"

#include "startup/mode_results.h"

int installSaver(HINSTANCE, const char *, const char *, int) { return MODE_RESULT_INSTALL; }

int finishInstall(const char *) { return 0; }
