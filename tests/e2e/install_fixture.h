// What the install tests share: installer files made by the assembler, installs run as a user
// runs them, and the Windows directory cleaned of every name the tests use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../win/support.h"
#include "engine_files.h"
#include "payload/description_tag.h"
#include "payload/trailer.h"
#include "tests/result_printers.h"

inline constexpr DWORD RUN_TIMEOUT_MS = 60000;
inline const char INSTALLED[] = "The screen saver was installed successfully.";
inline const char FAILED[] =
    "The screen saver could not be installed. Please ensure that there is enough space on the disk and try again.";
inline const char NEEDS_RIGHTS[] =
    "Your Windows directory cannot be written with your rights. Please run the installer as an administrator.";

inline DWORD code(int result) { return static_cast<DWORD>(result); }

inline std::string windowsDirectory() {
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}
inline std::string inWindows(const std::string &name) { return windowsDirectory() + "\\" + name; }

inline std::vector<unsigned char> slice(const std::vector<unsigned char> &bytes, size_t from, size_t length) {
    return std::vector<unsigned char>(bytes.begin() + static_cast<long>(from),
                                      bytes.begin() + static_cast<long>(from + length));
}

// The installer file as a download cut off inside its player would leave it, with the trailer
// still at its end (the player of these tests is 70000 bytes).
inline std::vector<unsigned char> cutInsideThePlayer(const std::vector<unsigned char> &bytes) {
    auto cut = slice(bytes, 0, bytes.size() - 30000);
    cut.insert(cut.end(), bytes.end() - TRAILER_SIZE, bytes.end());
    return cut;
}

// Names this test may leave in the Windows directory; removed before and after each test.
inline const char *const WINDOWS_FILES[] = {"Fish Tank.scr", "Fish Tank.exe", "FISH31.scr",   "FISH31.exe",
                                            "Inst9753.exe",  "Inst9754.scr",  "Inst9755.exe", "NOTAG.scr",
                                            "NOTAG.exe",     "FISH.scr",      "FISH.exe",     "OLD.scr",
                                            "SENTRY.scr",    "SENTRY.exe",    "Inst9756.scr", "Inst9756.exe",
                                            "FISHSET.EXE"};

// The installer file's bytes with the text of its description tag replaced; null removes the tag.
inline std::vector<unsigned char> withDescription(std::vector<unsigned char> bytes, const char *text) {
    int32_t tagAt = 0;
    EXPECT_NE(0, findTagInBuffer(DESCRIPTION_TAG, bytes.data(), TAG_SEARCH_WINDOW, &tagAt)) << "no tag to change";
    const size_t at = static_cast<size_t>(tagAt) + std::strlen(DESCRIPTION_TAG);
    if (text == nullptr) {
        std::fill(bytes.begin() + tagAt, bytes.begin() + static_cast<long>(at), 0);
    } else {
        std::copy(text, text + std::strlen(text) + 1, bytes.begin() + static_cast<long>(at));
    }
    return bytes;
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *name : WINDOWS_FILES) DeleteFileA(inWindows(name).c_str());
        ASSERT_TRUE(pathExists(pack())) << "--pack=PATH of lumivex-pack.exe";
        player_ = dir_.file("player.bin");
        std::vector<unsigned char> bytes(70000);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
        ASSERT_TRUE(writeBytes(player_, bytes));
    }
    void TearDown() override {
        waitForProcessesNamed("Inst9753.exe", RUN_TIMEOUT_MS);
        for (const char *name : WINDOWS_FILES) {
            DeleteFileA(inWindows(name).c_str());
            // The list-of-programs entries that the installs of the Windows 95 and NT classes write.
            const std::string entry = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + name;
            for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(root, entry.c_str());
        }
    }

    static std::string pack() { return toWindowsPath(testOption("pack")); }
    static std::string engine() { return toWindowsPath(testOption("engine")); }
    static std::string shippedEngine() { return toWindowsPath(testOption("shipped-engine")); }
    static std::string art(const char *name) { return toWindowsPath(testOption("art")) + "\\" + name; }

    // An installer file made by the assembler (of the test engine unless another is given); the
    // path, or empty when it refused.
    std::string assemble(const std::string &fileName, const std::string &saverName, const char *flags = "0x4000",
                         const std::string &player = "", const std::string &engineFile = engine()) {
        const std::string out = dir_.file(fileName);
        const std::string args = "build --engine \"" + engineFile + "\" --player \"" +
                                 (player.empty() ? player_ : player) + "\" --splash1 \"" + art("splash1.bmp") +
                                 "\" --splash2 \"" + art("splash2.bmp") + "\" --name \"" + saverName + "\" --flags " +
                                 flags + " -o \"" + out + "\"";
        const ProcessResult made = runProcess(pack(), args, RUN_TIMEOUT_MS);
        EXPECT_EQ(0u, made.exitCode) << args;
        return made.exitCode == 0 ? out : std::string();
    }

    // Runs an installer and waits for the finishing process it may have started.
    AnsweredRun install(const std::string &installer, const std::string &args = "", BoxAnswer answer = answerOk) {
        AnsweredRun run = runAnswering(installer, args, RUN_TIMEOUT_MS, answer);
        EXPECT_TRUE(run.process.finished) << installer << " " << args;
        EXPECT_TRUE(waitForProcessesNamed("Inst9753.exe", RUN_TIMEOUT_MS)) << "the finishing process did not end";
        return run;
    }

    static void expectOneBox(const AnsweredRun &run, const char *text, const char *label) {
        ASSERT_EQ(1u, run.boxes.size()) << label;
        EXPECT_EQ(text, run.boxes[0].text) << label;
        EXPECT_EQ("", run.boxes[0].caption) << label;
    }

    // The installed saver file: the engine image of the class, the splash bitmaps, the trailer.
    static std::vector<unsigned char> expectedSaver(const std::vector<unsigned char> &installer, bool win31) {
        PayloadTrailer t;
        std::memcpy(&t, installer.data() + installer.size() - TRAILER_SIZE, TRAILER_SIZE);
        std::vector<unsigned char> saver =
            win31 ? slice(installer, 0, t.imageASize) : slice(installer, t.imageASize, t.imageBSize);
        const auto splash = slice(installer, t.imageASize + t.imageBSize, t.splash1Size + t.splash2Size);
        saver.insert(saver.end(), splash.begin(), splash.end());
        saver.insert(saver.end(), installer.end() - TRAILER_SIZE, installer.end());
        return saver;
    }

    TempDirectory dir_;
    std::string player_;
    SavedProfileValue boot_{"boot", "scrnsave.exe", "system.ini"};
    SavedProfileValue active_{"windows", "ScreenSaveActive", nullptr};
    SavedProfileValue timeout_{"windows", "ScreenSaveTimeout", nullptr};
};
