// The promises of a protected show, seen from outside the engine: nothing but the player keeps
// the front, a window the player owns may have it, a WM_QUIT for the saver window reaches the
// player, and the system hears that a saver runs until the run's very end.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "../win/thief.h"
#include "protected_saver.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 60000;
// What a program started now hears from the system: whether a screen saver runs.
enum class SaverRunning { No, Yes, Unknown };

void PrintTo(SaverRunning answer, std::ostream *out) {
    *out << (answer == SaverRunning::No ? "no saver runs" : answer == SaverRunning::Yes ? "a saver runs" : "unknown");
}

SaverRunning systemSaysSaverRuns() {
    PROCESS_INFORMATION probe = {};
    if (!startProcess(toWindowsPath(testOption("saver-running-probe")), "", &probe)) return SaverRunning::Unknown;
    switch (finishProcess(probe, RUN_TIMEOUT_MS)) {
        case 0:
            return SaverRunning::No;
        case 1:
            return SaverRunning::Yes;
        default:
            return SaverRunning::Unknown;
    }
}

// A show that goes on until its player is ended: a key ends it, as it ends a real one.
class ProtectedShow : public ProtectedRun {
protected:
    void TearDown() override {
        if (engine_.hProcess != nullptr) finishProcess(engine_, 0);
        HANDLE player = OpenProcess(PROCESS_TERMINATE, FALSE, playerId_);
        if (player != nullptr) {
            TerminateProcess(player, 1);
            CloseHandle(player);
        }
    }

    // The player's process as its record gives it, or 0.
    DWORD recordedPlayer() const {
        for (const std::string &line : linesOf(dir_.file("player.txt"))) {
            std::istringstream words(line);
            std::string word;
            DWORD tick = 0, process = 0;
            if (words >> word >> tick >> process && word == "start") return process;
        }
        return 0;
    }

    // Starts the run and waits for the show: the saver window there, the player in front.
    void startShow() {
        ASSERT_TRUE(startProcess(saver_, "/s", &engine_));
        ASSERT_TRUE(
            pumpUntil([&] { return (saverWindow_ = windowOfProcess(engine_.dwProcessId, "Lumivex")) != nullptr; },
                      RUN_TIMEOUT_MS))
            << "no saver window";
        ASSERT_TRUE(pumpUntil([&] { return (playerId_ = recordedPlayer()) != 0; }, RUN_TIMEOUT_MS)) << "no player";
        ASSERT_TRUE(waitForFrontOf(playerId_, RUN_TIMEOUT_MS)) << "the player never came to the front";
    }

    // Answers the password question that the end of the show brings; the run ends with 0.
    void answerQuestion() {
        HWND question = waitForVisibleWindow(engine_, "#32770", "Password Entry", RUN_TIMEOUT_MS);
        ASSERT_NE(nullptr, question) << "no password question";
        typePassword(question, "fish");
        pressKey(VK_RETURN);
    }

    // A key for the player in front ends the show; with protection the password ends the run.
    void endShow(bool protectedRun) {
        ASSERT_TRUE(waitForFrontOf(playerId_, RUN_TIMEOUT_MS));
        pressKey(VK_SPACE);
        if (protectedRun) answerQuestion();
    }

    DWORD finish() {
        const DWORD code = finishProcess(engine_, RUN_TIMEOUT_MS);
        engine_ = {};
        return code;
    }

    ScopedEnvironment endless_{"LUMIVEX_PLAYER_EXIT_AFTER", ""};
    ScopedEnvironment front_{"LUMIVEX_PLAYER_FOREGROUND", "1"};
    PROCESS_INFORMATION engine_ = {};
    HWND saverWindow_ = nullptr;
    DWORD playerId_ = 0;
};

TEST_F(ProtectedShow, AThiefNeverKeepsTheFront) {
    startShow();
    const TheftReport theft = stealTheFront(playerId_, saverWindow_, 5000, 5.0);
    std::printf("thief: %d steals, %d pushed back, worst %.1f ms in front\n", theft.steals, theft.pushedBack,
                theft.worstMs);
    RecordProperty("thief_worst_ms", static_cast<int>(theft.worstMs + 0.5));
    EXPECT_GE(theft.steals, 10) << "the thief could not take the front";
    EXPECT_EQ(theft.steals, theft.pushedBack) << "the thief kept the front";
    EXPECT_EQ(0, theft.orderBroken) << "first: " << theft.firstBreak << " of " << theft.pushedBack;
    endShow(true);
    EXPECT_EQ(0u, finish());
}

// A window of another program owned by one of the player's windows counts as the player's: it
// keeps the front, with the player's windows and then the saver window beneath it.
TEST_F(ProtectedShow, AWindowOwnedByThePlayerMayHaveTheFront) {
    startShow();
    ASSERT_TRUE(waitForSteadyFrontOf(playerId_, 300, RUN_TIMEOUT_MS));
    {
        ForeignWindow owned(GetForegroundWindow());
        ASSERT_NE(nullptr, owned.handle());
        ASSERT_TRUE(bringToFront(owned.handle()));
        EXPECT_FALSE(pumpUntil([&] { return GetForegroundWindow() != owned.handle(); }, 1000))
            << "lost the front to " << describeWindow(GetForegroundWindow());
        std::string seen;
        EXPECT_TRUE(
            pumpUntil([&] { return saverDirectlyBeneath(owned.handle(), playerId_, saverWindow_, &seen); }, 2000))
            << seen;
    }  // the owned window goes
    // A thief after the owned window, which was the player's front window, has gone: the show
    // comes back with one of the player's windows in front, not the saver window alone.
    {
        ForeignWindow thief(nullptr);
        SetForegroundWindow(thief.handle());
        EXPECT_TRUE(waitForFrontOf(playerId_, 5000)) << "in front: " << describeWindow(GetForegroundWindow());
    }
    endShow(true);
    EXPECT_EQ(0u, finish());
}

// A WM_QUIT for the saver window, sent or posted, is handed to the player's window. Without
// protection the run ends with it; with protection the player's end asks for the password.
TEST_F(ProtectedShow, AQuitMessageForTheSaverWindowReachesThePlayer) {
    struct Row {
        const char *label;
        bool posted;
        bool protectedRun;
    };
    const Row rows[] = {
        {"sent, unprotected", false, false},
        {"posted, unprotected", true, false},
        {"sent, protected", false, true},
        {"posted, protected", true, true},
    };
    for (const Row &row : rows) {
        storePasswordSettings(std::to_string(reducePassword("fish")).c_str(), row.protectedRun ? "1" : "0");
        DeleteFileA(dir_.file("player.txt").c_str());
        startShow();
        if (row.posted) {
            PostMessageA(saverWindow_, WM_QUIT, 0, 0);
        } else {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(saverWindow_, WM_QUIT, 0, 0, SMTO_NORMAL, RUN_TIMEOUT_MS, &result);
        }
        if (row.protectedRun) {
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(engine_.hProcess, 0)) << row.label << ": ended unasked";
            answerQuestion();
        }
        EXPECT_EQ(0u, finish()) << row.label;
        EXPECT_EQ(1u, countStarting(linesOf(dir_.file("player.txt")), "quit")) << row.label << ": not relayed";
    }
}

// Under protection only the password ends the run: what another program may send the engine
// to end it is not obeyed, and the show goes on to the password question.
TEST_F(ProtectedShow, OtherProgramsCannotEndAProtectedRun) {
    struct Row {
        const char *label;
        void (*send)(HWND saverWindow, DWORD engineThread);
    };
    const Row rows[] = {
        {"WM_CLOSE posted", [](HWND saver, DWORD) { PostMessageA(saver, WM_CLOSE, 0, 0); }},
        {"WM_CLOSE sent",
         [](HWND saver, DWORD) { SendMessageTimeoutA(saver, WM_CLOSE, 0, 0, SMTO_NORMAL, RUN_TIMEOUT_MS, nullptr); }},
        {"SC_CLOSE sent",
         [](HWND saver, DWORD) {
             SendMessageTimeoutA(saver, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, RUN_TIMEOUT_MS, nullptr);
         }},
        {"WM_QUIT posted to the engine's thread",
         [](HWND, DWORD thread) { PostThreadMessageA(thread, WM_QUIT, 0, 0); }},
    };
    for (const Row &row : rows) {
        DeleteFileA(dir_.file("player.txt").c_str());
        startShow();
        row.send(saverWindow_, engine_.dwThreadId);
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(engine_.hProcess, 1000))
            << row.label << ": the run ended without the password";
        endShow(true);
        EXPECT_EQ(0u, finish()) << row.label;
    }
}

// The system hears that a saver runs from the start of the run to its end, however the player
// ends.
TEST_F(ProtectedShow, TheSystemKnowsASaverRunsUntilTheRunEnds) {
    struct Row {
        const char *label;
        bool protectedRun;
        bool crashes;
    };
    const Row rows[] = {
        {"the show ends", false, false},
        {"the player crashes", false, true},
        {"the player crashes under protection", true, true},
    };
    for (const Row &row : rows) {
        storePasswordSettings(std::to_string(reducePassword("fish")).c_str(), row.protectedRun ? "1" : "0");
        ScopedEnvironment crash("LUMIVEX_PLAYER_CRASH", row.crashes ? "1" : "");
        DeleteFileA(dir_.file("player.txt").c_str());
        ASSERT_EQ(SaverRunning::No, systemSaysSaverRuns()) << row.label << ": before the run";
        startShow();
        EXPECT_EQ(SaverRunning::Yes, systemSaysSaverRuns()) << row.label << ": during the show";
        endShow(row.protectedRun);
        EXPECT_EQ(0u, finish()) << row.label;
        EXPECT_EQ(SaverRunning::No, systemSaysSaverRuns()) << row.label << ": after the run";
        if (row.crashes) {
            EXPECT_EQ(1u, countStarting(linesOf(dir_.file("player.txt")), "crash")) << row.label;
        }
    }
}

}  // namespace
