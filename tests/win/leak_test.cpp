// The engine gives back what it takes: its count of GDI objects and of kernel handles returns to
// the start value after the things a long-running saver or a settings user repeats.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "images/drawing_win.h"
#include "resources/resource_ids.h"
#include "saver/password_win.h"
#include "saver/preview_run_win.h"
#include "saver_session.h"
#include "settings_session.h"
#include "support.h"

namespace {

// GDI objects of this process. Where the system does not count them (GetGuiResources gives 0,
// as in Wine), the process's GDI handle table, which the process environment block names, is
// counted instead: 65536 entries of 24 bytes whose type byte is non-zero while in use.
long gdiObjects() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return static_cast<long>(counted);
    const unsigned char *peb = nullptr;
#if defined(__i386__)
    asm("movl %%fs:0x30, %0" : "=r"(peb));
    const auto *table = *reinterpret_cast<const unsigned char *const *>(peb + 0x94);
#else
    asm("movq %%gs:0x60, %0" : "=r"(peb));
    const auto *table = *reinterpret_cast<const unsigned char *const *>(peb + 0xF8);
#endif
    if (table == nullptr) return -1;
    constexpr size_t ENTRIES = 0x10000, ENTRY_SIZE = 24, TYPE_OFFSET = 14;
    long used = 0;
    for (size_t entry = 0; entry < ENTRIES; ++entry) used += table[entry * ENTRY_SIZE + TYPE_OFFSET] != 0;
    return used;
}

// Kernel handles of this process. Where the system does not count them, every handle value up to
// 65536 is asked about.
long kernelHandles() {
    DWORD counted = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &counted) && counted != 0) return static_cast<long>(counted);
    long used = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        used += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
    }
    return used;
}

std::string counts(long gdi, long handles) {
    return std::to_string(gdi) + " GDI objects, " + std::to_string(handles) + " handles";
}

// Does `step` once (the first time may set up what lives on, such as caches), then `times` more
// times, and says what the counts were before and after those.
void expectNoLeak(const char *label, int times, const std::function<void()> &step) {
    step();
    const std::string before = counts(gdiObjects(), kernelHandles());
    for (int time = 0; time < times && !::testing::Test::HasFatalFailure(); ++time) step();
    const std::string after = counts(gdiObjects(), kernelHandles());
    std::printf("%s, %d times: before %s, after %s\n", label, times, before.c_str(), after.c_str());
    EXPECT_EQ(before, after) << label << ", after " << times << " times";
}

TEST(NoLeaks, ErrorScreenAnimationCycles) {
    SaverSession session;
    ASSERT_NE(nullptr, session.window);
    session.run.showErrorScreen();
    expectNoLeak("an animation cycle of the error screen", 50, [&] {
        SendMessageA(session.window, WM_TIMER, TIMER_SPLASH, 0);
        SendMessageA(session.window, WM_TIMER, TIMER_MESSAGE, 0);
        pumpUntil([] { return false; }, 0);
    });
}

TEST(NoLeaks, SettingsWindowsOpenedAndClosed) {
    expectNoLeak("a settings window opened, painted and closed by a key", 20, [] {
        SettingsSession session(true);
        ASSERT_NE(nullptr, session.dialog);
        ShowWindow(session.main, SW_SHOW);
        UpdateWindow(session.dialog);
        SendMessageA(session.dialog, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_TRUE(pumpUntil([&] { return session.run.mainWindow.handle == nullptr; }, 5000));
    });
}

// A protected show whose player ends at once: each end brings the password question, which is
// left unanswered until its time-out, and the player starts again.
TEST(NoLeaks, PlayerRestartsAfterRefusedPasswords) {
    const std::string quickPlayer = toWindowsPath(testOption("probe"));
    ASSERT_FALSE(quickPlayer.empty()) << "--probe=PATH of instance_probe.exe";
    SaverSession session;
    ASSERT_NE(nullptr, session.window);
    session.engine.passwordProtected = true;
    lstrcpynA(session.run.player.playerCommandLine, quickPlayer.c_str(), sizeof session.run.player.playerCommandLine);
    session.run.playerUsable = true;
    session.run.launchPlayer();
    expectNoLeak("a player restart after a refused password", 20, [&] {
        PlayerJob &player = session.run.player;
        ASSERT_EQ(PlayerState::Running, player.state) << "error " << player.startError;
        const DWORD refused = player.playerProcessId;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(player.process, 20000));
        ASSERT_EQ(PlayerState::Ended, refreshPlayerState(&player));
        ASSERT_EQ(PasswordOutcome::Asked, askForPassword(&session.run.question));
        ASSERT_TRUE(pumpUntil([&] { return session.run.question.passwordDialog != nullptr; }, 5000));
        PostMessageA(session.run.question.passwordDialog, WM_CLOSE, CLOSE_BY_TIMEOUT, 0);
        EXPECT_TRUE(pumpUntil([&] { return player.playerProcessId != refused; }, 5000)) << "no restart";
    });
    WaitForSingleObject(session.run.player.process, 20000);
}

// The preview paints its monitor every few seconds for as long as the display settings stay open.
TEST(NoLeaks, PreviewPaintings) {
    Engine engine;
    engine.instance = GetModuleHandleA(nullptr);
    OwnedImages images;
    loadImageSet(engine.instance, &images.imageSet(), BITMAP_SPLASH1, BITMAP_SPLASH2, BITMAP_CORNER);
    PreviewRun run(engine, images);
    const Rect monitor = {0, 0, 152, 112};
    ASSERT_TRUE(run.preparePicture(monitor));
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 152, 112);
    HGDIOBJ previous = SelectObject(canvas, bitmap);
    expectNoLeak("a painting of the preview at a new place", 50, [&] {
        placeAtRandom(monitor, &run.place);
        drawPreview(canvas, RECT{0, 0, 152, 112}, RECT{run.place.left, run.place.top, run.place.right, run.place.bottom},
                    run.picture->bitmap, images.imageSet().palette);
    });
    SelectObject(canvas, previous);
    DeleteObject(bitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
}

}  // namespace
