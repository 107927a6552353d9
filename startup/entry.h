// The single-instance guard of the engine file, and the finishing copy's path.
#pragma once

#include <windows.h>

extern HINSTANCE moduleInstance;  // the engine's module, for strings, dialogs and resources

// True when this is the first active process of the engine file.
bool enterSingleInstance();
// Deletes a leftover finishing copy beside the engine path, then leaves the instance count.
void leaveSingleInstance(const char *enginePath);
// The path with base name "Inst9753" and extension "exe"; for an empty path that bare name.
// PATH_TOO_LONG (and an empty result) when it does not fit.
int finishingCopyPath(const char *path, char *out);
