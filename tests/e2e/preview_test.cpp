// The shipped engine as the display settings start it: "/p HWND" draws in the little monitor, the
// Preview button's "/s" plays meanwhile, "/c:HWND" opens settings that the dialog owns, and a
// saver file started with nothing after its name (Explorer's Configure) shows its settings. The
// dialog is a stand-in of the test's own (StandInDisplaySettings).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "../win/support.h"
#include "engine_files.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 30000;
// How long the preview may take to end once its monitor is destroyed: a second, as the dialog
// expects.
constexpr DWORD PREVIEW_END_MS = 1000;

std::string shippedEngine() { return toWindowsPath(testOption("shipped-engine")); }
bool ended(const PROCESS_INFORMATION &process) { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }

class DisplaySettingsPreview : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pathExists(shippedEngine())) << "--shipped-engine=PATH";
        ASSERT_NE(nullptr, settings_.monitor);
        saver_ = dir_.file("TANK.scr");
        record_ = dir_.file("player.txt");
        ASSERT_TRUE(CopyFileA(testPlayer().c_str(), dir_.file("TANK.exe").c_str(), FALSE));
        ASSERT_TRUE(
            makeInstalledSaver(shippedEngine(), saver_, {}, static_cast<uint32_t>(readBytes(testPlayer()).size())));
    }
    void TearDown() override {
        for (PROCESS_INFORMATION &process : started_) {
            if (!ended(process)) TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, RUN_TIMEOUT_MS);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    // Starts the saver file with the arguments, as the dialog does, and keeps the process; this
    // thread, which owns the dialog, pumps its messages while it waits for anything.
    const PROCESS_INFORMATION &start(const std::string &args) {
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(startProcess(saver_, args, &process)) << args;
        started_.push_back(process);
        return started_.back();
    }
    // Starts the preview in the monitor and waits until its window is shown (it can be found while
    // it is still being made, before it is visible).
    const PROCESS_INFORMATION &startPreview() {
        const PROCESS_INFORMATION &preview = start(settings_.previewArgs());
        EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(settings_.preview()) || ended(preview); }, RUN_TIMEOUT_MS));
        return preview;
    }
    static DWORD exitCode(const PROCESS_INFORMATION &process) {
        DWORD code = 0xDEAD;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }
    // Runs "/s" as the Preview button does, pumping meanwhile, with a player that plays for a
    // moment; its exit code, and the lines the player wrote.
    DWORD runSaver(std::vector<std::string> *playerLines) {
        ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", record_);
        ScopedEnvironment after("LUMIVEX_PLAYER_EXIT_AFTER", "500");
        const PROCESS_INFORMATION &saver = start("/s");
        EXPECT_TRUE(pumpUntil([&] { return ended(saver); }, RUN_TIMEOUT_MS)) << "the saver did not end";
        std::ifstream in(record_);
        for (std::string line; std::getline(in, line);) playerLines->push_back(line.substr(0, line.find(' ')));
        return exitCode(saver);
    }

    TempDirectory dir_;
    StandInDisplaySettings settings_;
    std::string saver_, record_;
    std::vector<PROCESS_INFORMATION> started_;
};

TEST_F(DisplaySettingsPreview, ThePreviewCoversTheMonitorAndStays) {
    const PROCESS_INFORMATION &preview = startPreview();
    const HWND window = settings_.preview();
    ASSERT_NE(nullptr, window) << "no preview window; the engine ended with " << exitCode(preview);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(preview.dwProcessId, owner) << "the engine's own window";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(0, GetWindowLongA(window, GWL_STYLE) & WS_CHILD);
    RECT client = {}, covered = {};
    GetClientRect(settings_.monitor, &client);
    MapWindowPoints(settings_.monitor, nullptr, reinterpret_cast<POINT *>(&client), 2);
    GetWindowRect(window, &covered);
    EXPECT_TRUE(EqualRect(&client, &covered))
        << "monitor (" << client.left << ", " << client.top << ")-(" << client.right << ", " << client.bottom
        << "), preview (" << covered.left << ", " << covered.top << ")-(" << covered.right << ", " << covered.bottom
        << ")";
    EXPECT_FALSE(pumpUntil([&] { return ended(preview) || !IsWindow(window); }, 3000)) << "gone within 3 s";
    EXPECT_EQ(window, settings_.preview()) << "still there after 3 s";
}

TEST_F(DisplaySettingsPreview, DestroyingTheMonitorEndsThePreviewAndItsCleanUpRuns) {
    const std::string leftover = dir_.file("Inst9753.exe");
    ASSERT_TRUE(writeBytes(leftover, {'M', 'Z'}));
    const PROCESS_INFORMATION &preview = startPreview();
    ASSERT_NE(nullptr, settings_.preview());
    DestroyWindow(settings_.monitor);
    const DWORD destroyed = GetTickCount();
    ASSERT_TRUE(pumpUntil([&] { return ended(preview); }, RUN_TIMEOUT_MS)) << "the preview did not end";
    const DWORD took = GetTickCount() - destroyed;
    std::printf("the preview ended %lu ms after its monitor was destroyed\n", took);
    EXPECT_LE(took, PREVIEW_END_MS) << "the preview ends within a second";
    EXPECT_EQ(0u, exitCode(preview));
    EXPECT_FALSE(pathExists(leftover)) << "the preview deletes a leftover finishing copy on its way out";
}

TEST_F(DisplaySettingsPreview, ThePreviewButtonsSaverPlaysWhileThePreviewRuns) {
    const PROCESS_INFORMATION &preview = startPreview();
    const HWND window = settings_.preview();
    ASSERT_NE(nullptr, window);
    std::vector<std::string> lines;
    EXPECT_EQ(0u, runSaver(&lines));
    EXPECT_EQ((std::vector<std::string>{"start", "end"}), lines) << "the player played to its end";
    EXPECT_FALSE(ended(preview)) << "the preview goes on";
    EXPECT_EQ(window, settings_.preview());
}

TEST_F(DisplaySettingsPreview, AKilledPreviewLeavesNothingThatRefusesTheNextRun) {
    const PROCESS_INFORMATION &preview = startPreview();
    ASSERT_NE(nullptr, settings_.preview());
    ASSERT_TRUE(TerminateProcess(preview.hProcess, 1));
    ASSERT_TRUE(pumpUntil([&] { return ended(preview); }, RUN_TIMEOUT_MS));
    std::vector<std::string> lines;
    EXPECT_EQ(0u, runSaver(&lines));
    EXPECT_EQ((std::vector<std::string>{"start", "end"}), lines) << "the saver was admitted and played";
}

TEST_F(DisplaySettingsPreview, WithoutAWindowToDrawInThePreviewEndsAtOnce) {
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const struct {
        const char *label;
        std::string args;
    } rows[] = {{"bare /p", "/p"},
                {"/p 0", "/p 0"},
                {"a stale number", "/p " + windowNumber(gone)},
                {"a number that is no number", "/p 12ab"}};
    for (const auto &row : rows) {
        const PROCESS_INFORMATION &preview = start(row.args);
        EXPECT_TRUE(pumpUntil([&] { return ended(preview); }, RUN_TIMEOUT_MS)) << row.label << ": still runs";
        EXPECT_EQ(0u, exitCode(preview)) << row.label;
    }
}

// The Settings button: "/c:HWND" (or "/c HWND") makes the dialog the owner of the settings window,
// which so stays in front of it. A number that names no window leaves it without an owner.
TEST_F(DisplaySettingsPreview, TheSettingsWindowBelongsToTheDialogThatOpenedIt) {
    const struct {
        const char *label;
        std::string args;
        HWND owner;
    } rows[] = {{"/c:HWND", "/c:" + windowNumber(settings_.dialog), settings_.dialog},
                {"/c HWND", "/c " + windowNumber(settings_.dialog), settings_.dialog},
                {"/c 0", "/c 0", nullptr}};
    for (const auto &row : rows) {
        const PROCESS_INFORMATION &settings = start(row.args);
        HWND window = nullptr;
        EXPECT_TRUE(pumpUntil(
            [&] {
                window = windowOfProcess(settings.dwProcessId, "Lumivex");
                return (window != nullptr && IsWindowVisible(window)) || ended(settings);
            },
            RUN_TIMEOUT_MS))
            << row.label;
        ASSERT_NE(nullptr, window) << row.label << ": no settings window";
        EXPECT_EQ(row.owner, GetWindow(window, GW_OWNER)) << row.label;
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(pumpUntil([&] { return ended(settings); }, RUN_TIMEOUT_MS)) << row.label;
        EXPECT_EQ(0u, exitCode(settings)) << row.label;
    }
}

// Explorer's Configure starts a saver file with nothing after its name: its settings, no show.
TEST_F(DisplaySettingsPreview, ASaverStartedWithoutArgumentsShowsItsSettings) {
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", record_);
    const PROCESS_INFORMATION &configure = start("");
    HWND window = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            window = windowOfProcess(configure.dwProcessId, "Lumivex");
            return (window != nullptr && IsWindowVisible(window)) || ended(configure);
        },
        RUN_TIMEOUT_MS));
    ASSERT_NE(nullptr, window) << "no window; the engine ended with " << exitCode(configure);
    EXPECT_NE(0, GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) << "the settings window, not the saver's";
    ASSERT_TRUE(bringToFront(window));
    pressKey(VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return ended(configure); }, RUN_TIMEOUT_MS)) << "a key closes the settings";
    EXPECT_EQ(0u, exitCode(configure));
    EXPECT_FALSE(pathExists(record_)) << "no player was started";
}

}  // namespace
