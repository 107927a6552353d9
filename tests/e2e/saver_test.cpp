// The saver mode of the real engine under Wine, with the test player beside an installed saver
// file: the player's start and end, the hidden saver window, and the error screen as seen on
// the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "../win/support.h"
#include "engine_files.h"
#include "payload/trailer.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 30000;

// The engine's window of class "Lumivex", or null.
HWND saverWindowOf(DWORD processId) { return windowOfProcess(processId, "Lumivex"); }

// A 24-bit copy of a rectangle of the screen.
bool isWhite(COLORREF c) { return c == RGB(255, 255, 255); }
bool isBlack(COLORREF c) { return c == RGB(0, 0, 0); }
bool isMagenta(COLORREF c) { return c == RGB(255, 0, 255); }
bool isColoured(COLORREF c) { return !isBlack(c) && !isWhite(c); }

// A solid magenta picture, easy to find on the screen.
std::vector<unsigned char> magentaBitmap(int width, int height) {
    return bitmapFileImage(width, height, 1, RGB(255, 0, 255));
}

class SaverRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pathExists(testEngine())) << "--engine=PATH";
        ASSERT_TRUE(pathExists(testPlayer())) << "--test-player=PATH";
        saver_ = dir_.file("TANK.scr");
        player_ = dir_.file("TANK.exe");
        record_ = dir_.file("player.txt");
    }

    // An installed saver file: the engine, the splash bitmap given, and a trailer whose player
    // size is the given one (the test player's size unless told otherwise).
    void installSaver(const std::vector<unsigned char> &splash1 = {}, long playerSize = -1) {
        const uint32_t size =
            playerSize >= 0 ? static_cast<uint32_t>(playerSize) : static_cast<uint32_t>(readBytes(testPlayer()).size());
        ASSERT_TRUE(makeInstalledSaver(testEngine(), saver_, splash1, size));
    }
    void installPlayer() { ASSERT_TRUE(CopyFileA(testPlayer().c_str(), player_.c_str(), FALSE)); }

    std::vector<std::string> recordLines() const {
        std::ifstream in(record_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    TempDirectory dir_;
    std::string saver_, player_, record_;
};

TEST_F(SaverRun, ThePlayerRunsUnderAHiddenWindowAndItsEndEndsTheSaver) {
    installSaver();
    installPlayer();
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", record_);
    ScopedEnvironment after("LUMIVEX_PLAYER_EXIT_AFTER", "1500");
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver_, "/s", &engine));

    // The player's end is the moment its process ends, watched through a handle of our own.
    bool windowSeen = false;
    bool windowShown = false;
    HANDLE playerProcess = nullptr;
    DWORD playerEnd = 0;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(engine.hProcess, 5) == WAIT_TIMEOUT && GetTickCount() - start < RUN_TIMEOUT_MS) {
        HWND window = saverWindowOf(engine.dwProcessId);
        windowSeen = windowSeen || window != nullptr;
        windowShown = windowShown || (window != nullptr && IsWindowVisible(window));
        if (playerProcess == nullptr && !recordLines().empty()) {
            std::istringstream words(recordLines()[0]);
            std::string word;
            DWORD tick = 0, processId = 0;
            words >> word >> tick >> processId;
            playerProcess = OpenProcess(SYNCHRONIZE, FALSE, processId);
        }
        if (playerProcess != nullptr && playerEnd == 0 && WaitForSingleObject(playerProcess, 0) == WAIT_OBJECT_0) {
            playerEnd = GetTickCount();
        }
    }
    const DWORD engineEnd = GetTickCount();
    // The engine may end within the same poll as the player: then the player ended by now.
    if (playerProcess != nullptr && playerEnd == 0 && WaitForSingleObject(playerProcess, 0) == WAIT_OBJECT_0) {
        playerEnd = engineEnd;
    }
    if (playerProcess != nullptr) CloseHandle(playerProcess);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS));
    EXPECT_TRUE(windowSeen) << "the saver window exists as a message target";
    EXPECT_FALSE(windowShown) << "without protection it is never shown";

    const auto lines = recordLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[0].find("start ")) << lines[0];
    EXPECT_EQ(player_, lines[0].substr(lines[0].find(' ', lines[0].find(' ', 6) + 1) + 1))
        << "the player's whole command line is its own full path";
    EXPECT_EQ(0u, lines[1].find("end ")) << lines[1];
    ASSERT_NE(0u, playerEnd) << "the player's end was seen";
    EXPECT_LE(engineEnd - playerEnd, 200u) << "the saver ends within 200 ms of the player";
}

TEST_F(SaverRun, APlayerOfTheWrongSizeIsNotStarted) {
    installSaver({}, 12345);
    installPlayer();
    ScopedEnvironment record("LUMIVEX_PLAYER_RECORD", record_);
    const DWORD start = GetTickCount();
    const ProcessResult run = runProcess(saver_, "/s", RUN_TIMEOUT_MS);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_LT(GetTickCount() - start, 5000u) << "it ends at once";
    EXPECT_TRUE(recordLines().empty()) << "no player was started";
}

TEST_F(SaverRun, AMissingPlayerShowsTheErrorScreenUntilAKeyIsPressed) {
    installSaver();
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver_, "/s", &engine));
    HWND window = waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, window) << "the error screen never showed";
    EXPECT_NE(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the error window is top-most";
    RECT shown;
    GetWindowRect(window, &shown);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    // Wine on one virtual display reports a virtual screen equal to the desktop: covered whole.
    EXPECT_EQ(desktop.left, shown.left);
    EXPECT_EQ(desktop.top, shown.top);
    EXPECT_EQ(desktop.right - desktop.left, shown.right - shown.left);
    EXPECT_EQ(desktop.bottom - desktop.top, shown.bottom - shown.top);

    // The splash picture appears after its first 3 s tick; the message scrolls along the top.
    WaitForSingleObject(engine.hProcess, 3600);
    const Screenshot shot = grabScreen(shown);
    EXPECT_GT(countPixels(shot, 0, 20, isWhite), 50) << "the message's white text along the top";
    EXPECT_GT(countPixels(shot, 20, shot.height, isColoured), 305 * 81 / 2) << "the splash picture";
    EXPECT_GT(countPixels(shot, 20, shot.height, isBlack), shot.width * (shot.height - 20) / 2) << "black ground";

    ASSERT_TRUE(bringToFront(window));
    pressKey(VK_SPACE);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS)) << "a key press ends the error screen";
}

TEST_F(SaverRun, APlayerThatCannotStartTurnsTheSaverWindowIntoTheErrorScreen) {
    installSaver();
    ASSERT_TRUE(writeBytes(player_, std::vector<unsigned char>(readBytes(testPlayer()).size(), 'x')));
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver_, "/s", &engine));
    HWND window = waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, window) << "the error screen never showed";
    EXPECT_EQ(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the saver window, not the error window";
    ASSERT_TRUE(bringToFront(window));
    clickWindow(window);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS)) << "a click ends it";
}

TEST_F(SaverRun, TheSplashPictureComesFromTheEngineFile) {
    installSaver(magentaBitmap(120, 90));
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver_, "/s", &engine));
    HWND window = waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, window);
    WaitForSingleObject(engine.hProcess, 3600);
    RECT shown;
    GetWindowRect(window, &shown);
    // The scrolling message's box may cover a strip of the picture where they meet.
    const int magenta = countPixels(grabScreen(shown), 0, shown.bottom - shown.top, isMagenta);
    EXPECT_LE(magenta, 120 * 90);
    EXPECT_GE(magenta, 120 * (90 - 30)) << "the magenta picture of the engine file, in place of the resource picture";
    ASSERT_TRUE(bringToFront(window));
    pressKey(VK_SPACE);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS));
}

}  // namespace
