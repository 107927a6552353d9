// The saver when its player fails in every way a player can: it crashes, hangs, ends with the
// code that means "still running", is missing, has the wrong size, is no program at all, or is a
// folder. Without protection the run ends with the player or shows the error screen; with it, no
// failure of the player ends the run without the right password.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../win/support.h"
#include "engine_files.h"
#include "startup/password_reduction.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 60000;
constexpr DWORD STILL_RUNNING_MS = 3000;


enum class Fault { Crashes, EndsWith259, Hangs, Missing, WrongSize, NotAProgram, Folder };

// What the user meets after the fault: the run's end, the password question, the error screen
// (ended by a key, or with protection by the password), or a show that goes on.
enum class Then { Ends, Question, ErrorScreen, GoesOn };

class PlayerFault : public ::testing::Test {
protected:
    void SetUp() override {
        saver_ = dir_.file("TANK.scr");
        player_ = dir_.file("TANK.exe");
        record_ = dir_.file("player.txt");
    }

    // The saver and its player as the fault leaves them, with the player's behaviour in the
    // environment that the engine hands on.
    void prepare(Fault fault) {
        const uint32_t size = static_cast<uint32_t>(readBytes(testPlayer()).size());
        ASSERT_TRUE(makeInstalledSaver(testEngine(), saver_, {}, fault == Fault::WrongSize ? 12345 : size));
        DeleteFileA(record_.c_str());
        switch (fault) {
            case Fault::Missing: break;
            case Fault::NotAProgram: ASSERT_TRUE(writeBytes(player_, std::vector<unsigned char>(size, 'x'))); break;
            case Fault::Folder: ASSERT_TRUE(CreateDirectoryA(player_.c_str(), nullptr)); break;
            default: ASSERT_TRUE(CopyFileA(testPlayer().c_str(), player_.c_str(), FALSE)); break;
        }
        environment_.clear();
        environment_.emplace_back(new ScopedEnvironment("LUMIVEX_PLAYER_RECORD", record_));
        environment_.emplace_back(new ScopedEnvironment("LUMIVEX_PLAYER_INPUT", "ignore"));
        if (fault != Fault::Hangs) environment_.emplace_back(new ScopedEnvironment("LUMIVEX_PLAYER_EXIT_AFTER", "700"));
        if (fault == Fault::Crashes) environment_.emplace_back(new ScopedEnvironment("LUMIVEX_PLAYER_CRASH", "1"));
        if (fault == Fault::EndsWith259) environment_.emplace_back(new ScopedEnvironment("LUMIVEX_PLAYER_EXIT_CODE", "259"));
    }

    void cleanUp() {
        environment_.clear();
        DeleteFileA(player_.c_str());
        RemoveDirectoryA(player_.c_str());
    }

    // The player's process as it noted its start, or null.
    HANDLE playerProcess(DWORD access) const {
        std::ifstream in(record_);
        std::string word;
        DWORD tick = 0, processId = 0;
        if (!(in >> word >> tick >> processId) || word != "start") return nullptr;
        return OpenProcess(access, FALSE, processId);
    }

    void killPlayer() const {
        HANDLE player = playerProcess(PROCESS_TERMINATE | SYNCHRONIZE);
        ASSERT_NE(nullptr, player) << "no player to end";
        TerminateProcess(player, 1);
        WaitForSingleObject(player, RUN_TIMEOUT_MS);
        CloseHandle(player);
    }

    // Waits for what the user meets next; a hanging show is still on after a while.
    static bool meets(const PROCESS_INFORMATION &engine, Then then) {
        switch (then) {
            case Then::Ends: return WaitForSingleObject(engine.hProcess, RUN_TIMEOUT_MS) == WAIT_OBJECT_0;
            case Then::Question: return waitForVisibleWindow(engine, "#32770", "Password Entry", RUN_TIMEOUT_MS) != nullptr;
            case Then::ErrorScreen: return waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS) != nullptr;
            case Then::GoesOn: return WaitForSingleObject(engine.hProcess, STILL_RUNNING_MS) == WAIT_TIMEOUT;
        }
        return false;
    }

    // Types a password into the engine's question and confirms it.
    static void answer(const PROCESS_INFORMATION &engine, const char *password) {
        HWND question = waitForVisibleWindow(engine, "#32770", "Password Entry", RUN_TIMEOUT_MS);
        ASSERT_TRUE(bringToFront(question)) << "no password question";
        typeText(password);
        pressKey(VK_RETURN);
    }

    static void pressOn(const PROCESS_INFORMATION &engine) {
        ASSERT_TRUE(bringToFront(waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS)));
        pressKey(VK_SPACE);
    }

    TempDirectory dir_;
    std::string saver_, player_, record_;
    std::vector<std::unique_ptr<ScopedEnvironment>> environment_;
};

struct FaultRow {
    const char *label;
    Fault fault;
    Then then;
};

TEST_F(PlayerFault, AnUnprotectedRunEndsWithThePlayerOrShowsTheErrorScreen) {
    const FaultRow rows[] = {
        {"the player crashes: the run ends with it", Fault::Crashes, Then::Ends},
        {"the player ends with code 259: the run ends with it", Fault::EndsWith259, Then::Ends},
        {"the player hangs: the show goes on", Fault::Hangs, Then::GoesOn},
        {"the player is missing: the error screen", Fault::Missing, Then::ErrorScreen},
        {"the player has the wrong size: the run ends at once", Fault::WrongSize, Then::Ends},
        {"the player is no program: the error screen", Fault::NotAProgram, Then::ErrorScreen},
        {"the player is a folder: the run ends at once", Fault::Folder, Then::Ends},
    };
    for (const char *version : {"", "0x00004003"}) {  // the win95 class, and the winNT class
        ScopedEnvironment platform("LUMIVEX_TEST_VERSION", version);
        for (const FaultRow &row : rows) {
            const std::string label = std::string(row.label) + (version[0] != '\0' ? " (winNT)" : " (win95)");
            prepare(row.fault);
            PROCESS_INFORMATION engine;
            ASSERT_TRUE(startProcess(saver_, "/s", &engine)) << label;
            EXPECT_TRUE(meets(engine, row.then)) << label;
            if (row.then == Then::ErrorScreen) pressOn(engine);
            if (row.then == Then::GoesOn) killPlayer();
            EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS)) << label << ": then the run ends";
            cleanUp();
        }
    }
}

// The win31 class, where the engine keeps the password: "fish".
TEST_F(PlayerFault, AProtectedRunEndsOnlyWithTheRightPassword) {
    SavedProfileValue value("Lumivex", "Password Value", "system.ini");
    SavedProfileValue protect("Lumivex", "Password Protect", "system.ini");
    WritePrivateProfileStringA("Lumivex", "Password Value", std::to_string(reducePassword("fish")).c_str(), "system.ini");
    WritePrivateProfileStringA("Lumivex", "Password Protect", "1", "system.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    ScopedProgramVersion win31("TANK.scr", "nt351");
    const FaultRow rows[] = {
        {"the player crashes: the question", Fault::Crashes, Then::Question},
        {"the player ends with code 259: the question", Fault::EndsWith259, Then::Question},
        {"the player hangs: the show goes on, then the question", Fault::Hangs, Then::GoesOn},
        {"the player is missing: the error screen, then the question", Fault::Missing, Then::ErrorScreen},
        {"the player has the wrong size: the error screen, then the question", Fault::WrongSize, Then::ErrorScreen},
        {"the player is no program: the error screen, then the question", Fault::NotAProgram, Then::ErrorScreen},
        {"the player is a folder: the error screen, then the question", Fault::Folder, Then::ErrorScreen},
    };
    for (const FaultRow &row : rows) {
        prepare(row.fault);
        PROCESS_INFORMATION engine;
        ASSERT_TRUE(startProcess(saver_, "/s", &engine)) << row.label;
        EXPECT_TRUE(meets(engine, row.then)) << row.label;
        if (row.then == Then::ErrorScreen) pressOn(engine);
        if (row.then == Then::GoesOn) killPlayer();
        answer(engine, "cat");
        EXPECT_TRUE(meets(engine, Then::Question)) << row.label << ": a wrong password asks again";
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(engine.hProcess, 0))
            << row.label << ": the wrong password does not end the run";
        answer(engine, "fish");
        EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS)) << row.label << ": the right password ends the run";
        cleanUp();
    }
}

}  // namespace
