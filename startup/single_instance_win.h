// The single-instance guard of the engine file.
#pragma once

#include "startup/engine_win.h"

// Takes a place in the count of the engine file's active processes (engine.instanceCounted);
// true when this is the first.
bool enterSingleInstance(Engine &engine);
// Gives the place back, once: a run that hands its work to another process of the same file
// steps aside first, so that the guard admits that one.
void leaveInstanceCount(Engine &engine);
// Deletes a leftover finishing copy beside the engine path, then leaves the instance count.
void leaveSingleInstance(Engine &engine);
