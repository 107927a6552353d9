#include "startup/entry.h"

#include <cstring>

#include "images/image_set.h"
#include "install/install.h"
#include "payload/trailer.h"
#include "resources/resource_ids.h"
#include "saver/saver_window.h"
#include "saver/supervision.h"
#include "settings/settings_window.h"
#include "startup/paths.h"
#include "startup/switches.h"
#include "startup/system_settings.h"
#include "startup/test_seams.h"

namespace {

bool systemLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

// Reads the splash bitmaps that the engine file carries into the image set in place of the
// resource pictures. 0, or the reader's code.
int replaceSplashPictures(const char *enginePath, const PayloadTrailer &trailer) {
    int32_t first = 0;
    int32_t second = 0;
    int result = splashOffsets(trailer, win31, &first, &second);
    ImageSlot *slots[2] = {&imageSet.splash1, &imageSet.splash2};
    const uint32_t sizes[2] = {trailer.splash1Size, trailer.splash2Size};
    const int32_t offsets[2] = {first, second};
    for (int i = 0; i < 2 && result == 0; ++i) {
        if (sizes[i] == 0) continue;
        BITMAPINFOHEADER *dib = nullptr;
        result = readDibAtOffset(enginePath, offsets[i], &dib);
        if (result == 0) {
            releaseImageSlot(slots[i]);
            slots[i]->dib = dib;
        }
    }
    return result;
}

// The settings and saver modes, with the image set loaded before and freed after.
int runWithImages(HINSTANCE instance, int show, const char *enginePath, const PayloadTrailer &trailer,
                  const CommandSwitches &switches, bool settingsMode) {
    loadImageSet(instance, &imageSet, BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
    int result = replaceSplashPictures(enginePath, trailer);
    if (result == 0) {
        result = settingsMode ? runSettingsWindow(instance, show, switches.changePassword ? 1 : 0)
                              : runSaver(instance, enginePath, &trailer);
    }
    freeImageSet(&imageSet);
    if (saverWindow != nullptr && IsWindow(saverWindow)) SendMessageA(saverWindow, WM_CLOSE, 0, 0);
    return result;
}

// Everything between admission and clean-up: the platform, the switches, the trailer, the mode.
int runAdmitted(HINSTANCE instance, const char *tail, int show, char *enginePath) {
    moduleInstance = instance;
    classifyPlatform();
    addMenuHeight = win31;
    passwordProtected = readPasswordProtection();
    GetModuleFileNameA(instance, enginePath, PATH_CAPACITY);
    enginePath[PATH_CAPACITY - 1] = '\0';

    CommandSwitches switches;
    parseCommandSwitches(tail, &switches);
    testTrace("class=%s", win95 ? "win95" : winNT ? "winNT" : "win31");
    if (switches.preview) return 0;
    if (switches.changePassword) {
        switches.settings = true;
        passwordProtected = true;
    }
    const size_t length = std::strlen(enginePath);
    if (length >= 4 && lstrcmpiA(enginePath + length - 4, ".scr") == 0) switches.saver = true;
    testTrace("protected=%d", passwordProtected ? 1 : 0);

    PayloadTrailer trailer = {};
    const int trailerResult = readPayloadTrailer(enginePath, &trailer);
    if (trailerResult != 0) return trailerResult;
    if (switches.settings || switches.saver) {
        testTrace("mode=%s", switches.settings ? "settings" : "saver");
        return runWithImages(instance, show, enginePath, trailer, switches, switches.settings);
    }
    testTrace("mode=install");
    return installSaver(instance, enginePath, switches.playerFile, switches.quiet ? 1 : 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int show) {
    pathLeadByteTest = systemLeadByte;
    resetSupervisionState();
    int result = 0;
    if (hasSwitch(tail, "/r")) {
        result = finishInstall(tail);
    } else {
        char enginePath[PATH_CAPACITY] = {};
        if (enterSingleInstance()) {
            result = runAdmitted(instance, tail, show, enginePath);
            testHoldInstance();
        } else {
            testTrace("refused");
        }
        leaveSingleInstance(enginePath);
        releasePlayerHandles();
    }
    setCursorVisible(1);
    return result;
}
