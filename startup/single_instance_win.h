// The single-instance guard of the engine file, and the path of the finishing copy beside it.
#pragma once

#include "startup/paths.h"

// True when this is the first active process of the engine file.
bool enterSingleInstance();
// Deletes a leftover finishing copy beside the engine path, then leaves the instance count.
void leaveSingleInstance(const char *enginePath);
// The path with base name "Inst9753" and extension "exe"; for an empty path that bare name.
// TooLong (and an empty result) when it does not fit.
PathResult finishingCopyPath(const char *path, char *out);
