// What the end-to-end runs of a protected saver share: the engine and the test player from the
// test options, the player's record, a password typed as a user types it, and a saver of the
// win31 class with protection switched on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "../win/support.h"
#include "engine_files.h"
#include "startup/password_reduction.h"

inline std::vector<std::string> linesOf(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline size_t countStarting(const std::vector<std::string> &lines, const char *prefix) {
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string &line) { return line.rfind(prefix, 0) == 0; }));
}

// Types a password into an entry of a dialog, as a user does: the dialog to the front, a click
// into the entry, the keys. Gives the button that then ends the question.
inline int typeInto(HWND dialog, int entry, const char *text) {
    if (bringToFront(dialog)) {
        clickWindow(GetDlgItem(dialog, entry));
        typeText(text);
    }
    return IDOK;
}
inline int typePassword(HWND dialog, const char *password) { return typeInto(dialog, 101, password); }

// A saver of the win31 class with the test player beside it (which notes each start and ends
// 700 ms after it), in a directory of its own; the password settings are put back afterwards.
class Win31SaverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pathExists(testEngine()));
        saver_ = dir_.file("PROT31.scr");
        player_ = dir_.file("PROT31.exe");
        ASSERT_TRUE(
            makeInstalledSaver(testEngine(), saver_, {}, static_cast<uint32_t>(readBytes(testPlayer()).size())));
        ASSERT_TRUE(CopyFileA(testPlayer().c_str(), player_.c_str(), FALSE));
    }

    // system.ini [Lumivex] as the test needs it (null removes a key).
    static void storePasswordSettings(const char *value, const char *protect) {
        WritePrivateProfileStringA("Lumivex", "Password Value", value, "system.ini");
        WritePrivateProfileStringA("Lumivex", "Password Protect", protect, "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    }

    std::vector<std::string> playerStarts() const {
        const auto lines = linesOf(dir_.file("player.txt"));
        std::vector<std::string> starts;
        for (const auto &line : lines) {
            if (line.rfind("start", 0) == 0) starts.push_back(line);
        }
        return starts;
    }

    TempDirectory dir_;
    std::string saver_, player_;
    SavedProfileValue value_{"Lumivex", "Password Value", "system.ini"};
    SavedProfileValue protect_{"Lumivex", "Password Protect", "system.ini"};
    ScopedProgramVersion win31_{"PROT31.scr", "nt351"};
    ScopedEnvironment record_{"LUMIVEX_PLAYER_RECORD", dir_.file("player.txt")};
    ScopedEnvironment quick_{"LUMIVEX_PLAYER_EXIT_AFTER", "700"};
};

// Protection on, with the password "fish" stored.
class ProtectedRun : public Win31SaverTest {
protected:
    void SetUp() override {
        Win31SaverTest::SetUp();
        storePasswordSettings(std::to_string(reducePassword("fish")).c_str(), "1");
    }
};
