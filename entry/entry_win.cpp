// The engine's entry: the facts of the run, the mode they choose, the mode, and the way out.
#include <windows.h>

#include "entry/mode.h"
#include "images/image_set_win.h"
#include "install/install_win.h"
#include "install/removal_win.h"
#include "payload/trailer.h"
#include "resources/resource_ids.h"
#include "saver/preview_run_win.h"
#include "saver/saver_run_win.h"
#include "settings/settings_window_win.h"
#include "startup/engine_win.h"
#include "startup/messages_win.h"
#include "startup/paths.h"
#include "startup/run_result.h"
#include "startup/single_instance_win.h"
#include "startup/switches.h"
#include "startup/system_settings_win.h"
#include "startup/test_seams_win.h"
#include "startup/windows_paths_win.h"

namespace {

bool systemLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

const char *className(const PlatformClass &platform) {
    return platform.win95 ? "win95" : platform.winNT ? "winNT" : "win31";
}

RunResult fromDibResult(DibResult result) {
    switch (result) {
        case DibResult::Ok:
            return RunResult::Done;
        case DibResult::NoBlock:
            return RunResult::NoBuffer;
        case DibResult::NoFile:
            return RunResult::OpenFailed;
        case DibResult::ShortRead:
            return RunResult::ShortRead;
        case DibResult::SeekFailed:
            return RunResult::SeekFailed;
        case DibResult::NotABitmap:
            return RunResult::NotABitmap;
    }
    return RunResult::NotABitmap;
}

// Reads the splash bitmaps that the engine file carries into the image set in place of the
// resource pictures.
RunResult replaceSplashPictures(const Engine &engine, const PayloadTrailer &trailer, ImageSet *set) {
    int32_t offsets[2] = {};
    const FileResult found = splashOffsets(trailer, engine.platform.win31, &offsets[0], &offsets[1]);
    if (found != FileResult::Ok) return fromFileResult(found);
    ImageSlot *slots[2] = {&set->splash1, &set->splash2};
    const uint32_t sizes[2] = {trailer.splash1Size, trailer.splash2Size};
    for (int i = 0; i < 2; ++i) {
        if (sizes[i] == 0) continue;
        BITMAPINFOHEADER *dib = nullptr;
        const DibResult read = readDibAtOffset(engine.path, offsets[i], &dib);
        if (read != DibResult::Ok) return fromDibResult(read);
        releaseImageSlot(slots[i]);
        slots[i]->dib = dib;
    }
    return RunResult::Done;
}

// The window a number of the command line names, or null when it names none.
HWND windowNamed(uint32_t number) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
    return number != 0 && IsWindow(window) ? window : nullptr;
}

// The pictures a mode shows: the engine's own, or the splash bitmaps of its file.
RunResult loadPictures(Engine &engine, const PayloadTrailer &trailer, OwnedImages *images) {
    loadImageSet(engine.instance, &images->imageSet(), BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
    const RunResult read = replaceSplashPictures(engine, trailer, &images->imageSet());
    testStamp("pictures loaded");
    return read;
}

// The settings and saver modes, with their pictures.
RunResult runWithPictures(Engine &engine, EngineMode mode, const ModeFacts &facts, const PayloadTrailer &trailer,
                          int show) {
    OwnedImages images;
    const RunResult read = loadPictures(engine, trailer, &images);
    if (read != RunResult::Done) return read;
    if (mode == EngineMode::Settings) {
        SettingsRun settings(engine, images);
        return settings.run(show, facts.switches.changePassword, windowNamed(facts.switches.settingsOwner));
    }
    SaverRun saver(engine, images);
    return saver.run(trailer);
}

// The preview in the display settings' monitor. It ends with 0 whatever happens: the dialog reads
// nothing of it, and a picture it cannot read only leaves the monitor as it was.
RunResult runPreview(Engine &engine, HWND monitor, const PayloadTrailer &trailer) {
    testTrace("mode=preview");
    OwnedImages images;
    if (loadPictures(engine, trailer, &images) != RunResult::Done) return RunResult::Done;
    PreviewRun preview(engine, images);
    preview.run(monitor);
    return RunResult::Done;
}

// The modes that need the engine file's payload.
RunResult runWithPayload(Engine &engine, EngineMode mode, const ModeFacts &facts, const PayloadTrailer &trailer,
                         int show) {
    // "/a" opens the password options with protection on for this run.
    if (facts.switches.changePassword) engine.passwordProtected = true;
    testTrace("protected=%d", engine.passwordProtected ? 1 : 0);
    if (engine.folderNameUnwritable) {
        showInstallMessage(engine.instance, 0, STRING_FOLDER_NAME);
        return RunResult::FolderNameUnwritable;
    }
    if (mode == EngineMode::NoPayload) return fromFileResult(facts.trailer);
    testTrace("mode=%s", mode == EngineMode::Settings  ? "settings"
                         : mode == EngineMode::Saver   ? "saver"
                         : mode == EngineMode::Install ? "install"
                                                       : "remove");
    if (mode == EngineMode::Remove) return removeSaver(engine, facts.switches.quiet);
    if (mode == EngineMode::FinishRemoval) return finishRemoval(engine, engine.commandTail);
    if (mode == EngineMode::Install) {
        return installSaver(engine, trailer, facts.switches.playerFile, facts.switches.quiet);
    }
    return runWithPictures(engine, mode, facts, trailer, show);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int show) {
    pathLeadByteTest = systemLeadByte;
    Engine engine;
    engine.instance = instance;
    engine.commandTail = tail;
    ModeFacts facts = {};
    parseCommandSwitches(tail, &facts.switches);
    facts.enginePath = engine.path;
    facts.trailer = FileResult::OpenFailed;
    facts.admitted = joinsInstanceCount(facts.switches) && enterSingleInstance(engine);
    testStamp("admitted");
    // A preview takes no place in the count, reads no password setting and changes nothing; it
    // only needs its class (which image its file holds) and its file's pictures.
    const bool previewing = facts.switches.preview && !facts.switches.finish;
    HWND monitor = nullptr;
    PayloadTrailer trailer = {};
    char playerFile[PATH_CAPACITY];
    if (facts.admitted || previewing) {
        engine.version = platformVersion();
        engine.platform = classifyVersion(engine.version);
        testTrace("class=%s", className(engine.platform));
        if (facts.admitted) {
            engine.passwordProtected = readPasswordProtection(engine.platform, &engine.storedPasswordValue);
        }
        PathResult named = ownFilePath(instance, engine.path);
        if (named == PathResult::Ok) named = widePlayerFile(playerFile, &facts.switches.playerFile);
        engine.folderNameUnwritable = named == PathResult::NoAnsiForm;
        testStamp("settings read");
        PayloadPlace place = {};
        facts.trailer = readPayloadTrailer(engine.path, &trailer, &place);
        engine.payloadEnd = place.end;
        if (previewing) monitor = windowNamed(facts.switches.previewParent);
        facts.previewWindow = monitor != nullptr;
        testStamp("trailer read");
    }

    const EngineMode mode = chooseMode(facts);
    RunResult result = RunResult::Done;
    switch (mode) {
        case EngineMode::Finish:
            result = finishInstall(tail);
            break;
        case EngineMode::Refused:
            testTrace("refused");
            break;
        case EngineMode::Preview:
            result = runPreview(engine, monitor, trailer);
            break;
        case EngineMode::NoPreview:
            break;
        default:
            result = runWithPayload(engine, mode, facts, trailer, show);
            break;
    }
    if (facts.admitted) testHoldInstance();
    // Every run but the finishing process deletes a leftover finishing copy beside its file (a
    // refused one, whose path is empty, in its current directory), and gives back its place in
    // the count if it took one.
    if (!facts.switches.finish) leaveSingleInstance(engine);
    setCursorVisible(engine, true);
    return result == RunResult::ElevatedCopy ? engine.relayedExitCode : exitCodeOf(result);
}

// The process starts here, not in the C runtime's start-up code: the engine needs none of it (no
// static constructors, no arguments vector, no thread-local callbacks; msvcrt.dll sets itself up
// when it is loaded), and leaving it out makes the file smaller and the start quicker. The tail
// and the show command are what the runtime's code would give WinMain.
extern "C" void engineStart() {
    testStamp("entry");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    const int code =
        WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(commandLineTail(GetCommandLineA())), show);
    ExitProcess(static_cast<UINT>(code));
}
