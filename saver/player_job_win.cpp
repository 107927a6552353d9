#include "saver/player_job_win.h"

#include "startup/process_start_win.h"
#include "startup/test_seams_win.h"

PlayerState startPlayer(PlayerJob *job) {
    releasePlayer(job);
    job->playerWindow = nullptr;
    StartedProcess started = {};
    if (!startProgram(job->playerCommandLine, &started, &job->startError)) {
        job->state = PlayerState::FailedToStart;
        return job->state;
    }
    job->process = started.process;
    job->playerProcessId = started.id;
    job->state = PlayerState::Running;
    testStamp("player started");
    // The player is known before the wait: messages that reach the saver window meanwhile (the
    // wait lets sent ones through on some systems) already see it running.
    WaitForInputIdle(job->process, INPUT_IDLE_WAIT_MS);
    return job->state;
}

PlayerState refreshPlayerState(PlayerJob *job) {
    if (job->state == PlayerState::Running && WaitForSingleObject(job->process, 0) != WAIT_TIMEOUT) {
        job->state = PlayerState::Ended;
    }
    return job->state;
}

void releasePlayer(PlayerJob *job) {
    if (job->process != nullptr) CloseHandle(job->process);
    job->process = nullptr;
    job->playerProcessId = 0;
}

bool isPlayerWindow(const PlayerJob &job, HWND window) {
    if (window == nullptr || job.playerProcessId == 0) return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId == job.playerProcessId;
}

HWND frontWindowOfPlayer(const PlayerJob &job) {
    if (job.playerWindow != nullptr && IsWindow(job.playerWindow) && isPlayerWindow(job, job.playerWindow)) {
        return job.playerWindow;
    }
    const HWND foreground = GetForegroundWindow();
    return isPlayerWindow(job, foreground) ? foreground : nullptr;
}

namespace {

struct WindowSearch {
    const PlayerJob *job;
    HWND found;
};

BOOL CALLBACK takeVisibleWindowOfPlayer(HWND window, LPARAM param) {
    auto *search = reinterpret_cast<WindowSearch *>(param);
    if (!IsWindowVisible(window) || !isPlayerWindow(*search->job, window)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND visibleWindowOfPlayer(const PlayerJob &job) {
    WindowSearch search = {&job, nullptr};
    if (job.playerProcessId != 0) EnumWindows(takeVisibleWindowOfPlayer, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
