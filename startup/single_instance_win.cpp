#include "startup/single_instance_win.h"

#include <windows.h>

#include "startup/install_names.h"

// Counts the active processes of this image file: -1 in the file, so the first process raises it
// to 0. It lives alone in a section that every process of the file shares.
__attribute__((section("Shared"), shared)) volatile LONG instanceCount = -1;

bool enterSingleInstance(Engine &engine) {
    engine.instanceCounted = true;
    return InterlockedIncrement(&instanceCount) == 0;
}

void leaveInstanceCount(Engine &engine) {
    if (engine.instanceCounted) InterlockedDecrement(&instanceCount);
    engine.instanceCounted = false;
}

void leaveSingleInstance(Engine &engine) {
    char leftover[PATH_CAPACITY];
    if (finishingCopyPath(engine.path, leftover) == PathResult::Ok && fileExists(leftover)) DeleteFileA(leftover);
    leaveInstanceCount(engine);
}
