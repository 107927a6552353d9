// A saver run in this test program: an engine record of the win31 class with the stored password
// "fish", a run with its hidden saver window, and a player that does not exist (a show that is
// resumed ends on the error screen). The process-wide cursor and the system's running state are
// put back, and the window goes, when the session ends.
#pragma once

#include <windows.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "startup/password_reduction.h"
#include "saver/saver_run_win.h"
#include "startup/system_settings_win.h"
#include "support.h"

struct SaverSession {
    SaverSession() {
        engine.instance = GetModuleHandleA(nullptr);
        engine.platform = PlatformClass{false, false, true};
        engine.storedPasswordValue = reducePassword("fish");
        std::strcpy(run.player.playerCommandLine, "C:\\lumivex-no-such-directory\\no-player.exe");
        run.createSaverWindow();
        window = run.saverWindow.handle;
    }
    ~SaverSession() {
        if (run.question.passwordDialog != nullptr && IsWindow(run.question.passwordDialog)) {
            engine.storedPasswordValue = PASSWORD_REDUCTION_START;  // nothing typed: accepted, nothing resumes
            SetDlgItemTextA(run.question.passwordDialog, IDC_PASSWORD_EDIT, "");
            DestroyWindow(run.question.passwordDialog);
        }
        if (IsWindow(window)) DestroyWindow(window);
        pumpUntil([] { return false; }, 50);
        withdrawSaverRunning(engine);
        setCursorVisible(engine, true);
    }
    SaverSession(const SaverSession &) = delete;
    SaverSession &operator=(const SaverSession &) = delete;

    Engine engine;
    OwnedImages images;
    SaverRun run{engine, images};
    HWND window = nullptr;
};
