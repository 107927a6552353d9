// Password protection and the settings mode under Wine: the real engine, the test player and
// stand-ins for the system's password services, with the dialogs answered from outside the
// engine's process as a user would.
#include <gtest/gtest.h>

#include <fstream>

#include "../win/support.h"
#include "protected_saver.h"

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 90000;

std::string doubles() { return toWindowsPath(testOption("doubles")); }

std::string systemDirectory() {
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

// Puts a stand-in library into the system directory for one test, and takes it out again
// (restoring the system's own file when there was one). The file takes the lower-case name that
// the prefix's own files have, so that no second file differing only in case appears.
class InstalledDouble {
public:
    InstalledDouble(const char *file, const char *systemName)
        : target_(systemDirectory() + "\\" + systemName), backup_(target_ + ".lumivex") {
        hadOriginal_ = MoveFileA(target_.c_str(), backup_.c_str()) != 0;
        EXPECT_TRUE(CopyFileA((doubles() + "\\" + file).c_str(), target_.c_str(), FALSE)) << target_;
    }
    ~InstalledDouble() {
        DeleteFileA(target_.c_str());
        if (hadOriginal_) MoveFileA(backup_.c_str(), target_.c_str());
    }
    InstalledDouble(const InstalledDouble &) = delete;
    InstalledDouble &operator=(const InstalledDouble &) = delete;

private:
    std::string target_, backup_;
    bool hadOriginal_;
};

// Wine prefers its own built-in mpr.dll; this per-program load order prefers the file in the
// system directory for one program name, and is taken back on scope exit.
class ScopedDllOverride {
public:
    ScopedDllOverride(const std::string &exeName, const char *library, const char *order)
        : key_("Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides"), parent_("Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(key, library, 0, REG_SZ, reinterpret_cast<const BYTE *>(order),
                           static_cast<DWORD>(lstrlenA(order) + 1));
            RegCloseKey(key);
        }
    }
    ~ScopedDllOverride() {
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, parent_.c_str());
    }
    ScopedDllOverride(const ScopedDllOverride &) = delete;
    ScopedDllOverride &operator=(const ScopedDllOverride &) = delete;

private:
    std::string key_, parent_;
};

// The registry switch of the win95 class's protection, restored on scope exit.
class ScopedUsePassword {
public:
    explicit ScopedUsePassword(DWORD value) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        size_ = sizeof old_;
        hadOld_ = RegQueryValueExA(key_, NAME, nullptr, &type_, old_, &size_) == ERROR_SUCCESS;
        RegSetValueExA(key_, NAME, 0, REG_BINARY, reinterpret_cast<const BYTE *>(&value), 4);
    }
    ~ScopedUsePassword() {
        if (hadOld_) {
            RegSetValueExA(key_, NAME, 0, type_, old_, size_);
        } else {
            RegDeleteValueA(key_, NAME);
        }
        RegCloseKey(key_);
    }
    ScopedUsePassword(const ScopedUsePassword &) = delete;
    ScopedUsePassword &operator=(const ScopedUsePassword &) = delete;

private:
    static constexpr const char *NAME = "ScreenSaveUsePassword";
    HKEY key_ = nullptr;
    BYTE old_[64] = {};
    DWORD size_ = 0, type_ = 0;
    bool hadOld_ = false;
};

TEST_F(ProtectedRun, ThreeWrongPasswordsResumeTheShowAndTheRightOneEndsIt) {
    const char *typed[] = {"cat", "dog", "eel", "fish"};
    int answered = 0;
    const AnsweredRun run = runAnswering(saver_, "/s", RUN_TIMEOUT_MS, [&](HWND box, const DialogText &text) {
        EXPECT_EQ("Password Entry", text.caption);
        char current[64] = {};
        GetDlgItemTextA(box, 101, current, sizeof current);
        EXPECT_STREQ("", current) << "every question starts empty";
        return typePassword(box, typed[std::min(answered++, 3)]);
    });
    EXPECT_TRUE(run.process.finished);
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_EQ(4u, run.boxes.size()) << "two fresh questions after two wrong answers, then one after the resume";
    EXPECT_EQ(2u, playerStarts().size()) << "the third wrong password resumed the show";
}

TEST_F(ProtectedRun, TheTimeOutClosesTheQuestionAndResumesTheShow) {
    // The test build's time-out is shortened; the shipped engine's 30 s are checked in-process.
    constexpr DWORD TIME_OUT_MS = 2500;
    ScopedEnvironment shortened("LUMIVEX_TEST_PASSWORD_TIMEOUT", std::to_string(TIME_OUT_MS));
    int questions = 0;
    DWORD firstShown = 0;
    DWORD secondShown = 0;
    const AnsweredRun run = runAnswering(saver_, "/s", RUN_TIMEOUT_MS, [&](HWND box, const DialogText &) {
        if (++questions == 1) {
            firstShown = GetTickCount();
            typePassword(box, "fis");
            return 0;  // left unanswered: the time-out closes it
        }
        secondShown = GetTickCount();
        return typePassword(box, "fish");
    });
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_EQ(2, questions);
    EXPECT_EQ(2u, playerStarts().size()) << "the time-out resumed the show";
    EXPECT_GE(secondShown - firstShown, TIME_OUT_MS) << "the question waited for its time-out";
}

TEST_F(ProtectedRun, AKeyOnTheProtectedErrorScreenAsksForThePassword) {
    DeleteFileA(player_.c_str());
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver_, "/s", &engine));
    HWND window = waitForVisibleWindow(engine, "Lumivex", nullptr, RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, window) << "no error screen";
    ASSERT_TRUE(bringToFront(window));
    pressKey(VK_SPACE);
    HWND question = waitForVisibleWindow(engine, "#32770", "Password Entry", RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, question) << "the key press did not ask for the password";
    typePassword(question, "fish");
    pressKey(VK_RETURN);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS));
}

// A user on the win31 class sets a password through "/a", as the options dialog asks: both
// entries typed, the protection box left checked, Change, the message confirmed. The next run of
// the saver then asks for that password when the show ends, and the right one ends the run.
class Win31PasswordByUser : public Win31SaverTest {
protected:
    void SetUp() override {
        Win31SaverTest::SetUp();
        storePasswordSettings(nullptr, nullptr);
    }

    // Waits for a dialog box of the engine with the given caption and brings it to the front.
    static HWND frontDialog(const PROCESS_INFORMATION &engine, const char *caption) {
        HWND box = waitForVisibleWindow(engine, "#32770", caption, RUN_TIMEOUT_MS);
        return box != nullptr && bringToFront(box) ? box : nullptr;
    }
};

TEST_F(Win31PasswordByUser, TheOptionsSwitchProtectionOnAndTheNextRunAsks) {
    PROCESS_INFORMATION options;
    ASSERT_TRUE(startProcess(saver_, "/a", &options));
    HWND dialog = frontDialog(options, "Password Options");
    ASSERT_NE(nullptr, dialog) << "no password options";
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 114)) << "protection is offered switched on";
    clickWindow(GetDlgItem(dialog, 112));
    typeText("fish");
    clickWindow(GetDlgItem(dialog, 113));
    typeText("fish");
    clickWindow(GetDlgItem(dialog, IDOK));
    HWND message = frontDialog(options, "");
    ASSERT_NE(nullptr, message) << "no message after Change";
    EXPECT_EQ("Your password has been changed.", readDialogText(message).text);
    pressKey(VK_RETURN);
    EXPECT_EQ(0u, finishProcess(options, RUN_TIMEOUT_MS));
    EXPECT_EQ(std::to_string(reducePassword("fish")), readProfileText("Lumivex", "Password Value", "system.ini"));
    EXPECT_EQ("1", readProfileText("Lumivex", "Password Protect", "system.ini"));

    PROCESS_INFORMATION run;
    ASSERT_TRUE(startProcess(saver_, "/s", &run));
    HWND question = frontDialog(run, "Password Entry");
    ASSERT_NE(nullptr, question) << "the protected run did not ask for the password";
    typeText("fish");
    pressKey(VK_RETURN);
    EXPECT_EQ(0u, finishProcess(run, RUN_TIMEOUT_MS)) << "the right password ends the run";
    EXPECT_EQ(1u, playerStarts().size());
}

// The win95 class hands the question to the system's PASSWORD.CPL.
class Win95ProtectedRun : public ::testing::Test {
protected:
    void SetUp() override {
        saver_ = dir_.file("PROT95.scr");
        ASSERT_TRUE(makeInstalledSaver(testEngine(), saver_, {},
                                       static_cast<uint32_t>(readBytes(testPlayer()).size())));
        ASSERT_TRUE(CopyFileA(testPlayer().c_str(), dir_.file("PROT95.exe").c_str(), FALSE));
    }
    TempDirectory dir_;
    std::string saver_;
    ScopedUsePassword protect_{1};
    ScopedEnvironment record_{"LUMIVEX_PLAYER_RECORD", dir_.file("player.txt")};
    ScopedEnvironment quick_{"LUMIVEX_PLAYER_EXIT_AFTER", "700"};
    ScopedEnvironment calls_{"LUMIVEX_DOUBLE_RECORD", dir_.file("calls.txt")};
};

TEST_F(Win95ProtectedRun, ARefusedPasswordResumesTheShowUntilTheSystemAcceptsIt) {
    InstalledDouble library("PASSWORD.CPL", "password.cpl");
    ScopedEnvironment answers("LUMIVEX_DOUBLE_ANSWERS", "0,1");
    const ProcessResult run = runProcess(saver_, "/s", RUN_TIMEOUT_MS);
    EXPECT_EQ(0u, run.exitCode);
    const auto calls = linesOf(dir_.file("calls.txt"));
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("VerifyScreenSavePwd owner", calls[0]) << "the saver window owns the system's question";
    EXPECT_EQ(2u, countStarting(linesOf(dir_.file("player.txt")), "start")) << "one resume after the refusal";
}

TEST_F(Win95ProtectedRun, WithoutThePasswordLibraryTheRunEnds) {
    const ProcessResult run = runProcess(saver_, "/s", RUN_TIMEOUT_MS);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(1u, countStarting(linesOf(dir_.file("player.txt")), "start"));
    EXPECT_FALSE(pathExists(dir_.file("calls.txt")));
}

class SettingsRun : public ::testing::Test {
protected:
    TempDirectory dir_;
};

TEST_F(SettingsRun, TheWindowFitsThePicturesAndAKeyClosesIt) {
    const std::string saver = dir_.file("SET95.scr");
    ASSERT_TRUE(makeInstalledSaver(testEngine(), saver, {}, 1));
    PROCESS_INFORMATION engine;
    ASSERT_TRUE(startProcess(saver, "/c", &engine));
    HWND main = waitForVisibleWindow(engine, "Lumivex", "Lumivex", RUN_TIMEOUT_MS);
    ASSERT_NE(nullptr, main);
    RECT outer;
    GetWindowRect(main, &outer);
    EXPECT_EQ(420, outer.right - outer.left);
    EXPECT_EQ(230 + GetSystemMetrics(SM_CYCAPTION), outer.bottom - outer.top);
    HWND pictures = GetWindow(main, GW_CHILD);
    ASSERT_NE(nullptr, pictures);
    RECT inner;
    GetWindowRect(pictures, &inner);
    EXPECT_EQ(420, inner.right - inner.left);
    EXPECT_EQ(230, inner.bottom - inner.top);
    // A real key press goes to the window with the keyboard focus, whichever of the two it is.
    ASSERT_TRUE(bringToFront(main)) << "the settings window did not come to the front";
    pressKey(VK_SPACE);
    EXPECT_EQ(0u, finishProcess(engine, RUN_TIMEOUT_MS)) << "a key closes the settings window";
}

TEST_F(SettingsRun, Win31OptionsStoreThePasswordAndTheProtectionSwitch) {
    SavedProfileValue value("Lumivex", "Password Value", "system.ini");
    SavedProfileValue protect("Lumivex", "Password Protect", "system.ini");
    ScopedProgramVersion win31("SET31.scr", "nt351");
    const std::string saver = dir_.file("SET31.scr");
    ASSERT_TRUE(makeInstalledSaver(testEngine(), saver, {}, 1));
    std::vector<std::string> captions;
    bool mainShown = false;
    const AnsweredRun run = runAnswering(saver, "/a", RUN_TIMEOUT_MS, [&](HWND box, const DialogText &text) {
        captions.push_back(text.caption);
        HWND main = GetWindow(box, GW_OWNER);
        mainShown = mainShown || (main != nullptr && IsWindowVisible(main));
        if (text.caption != "Password Options") return IDOK;  // the message that follows
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(box, 114)) << "/a turns protection on for the run";
        typeInto(box, 112, "fish");
        typeInto(box, 113, "fish");
        clickWindow(GetDlgItem(box, 114));  // then switch protection off (the entries keep their text)
        return IDOK;
    });
    EXPECT_EQ(0u, run.process.exitCode);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ("Password Options", captions[0]);
    EXPECT_EQ("Your password has been changed.", run.boxes[1].text);
    EXPECT_FALSE(mainShown) << "/a never shows the main window";
    EXPECT_EQ(std::to_string(reducePassword("fish")), readProfileText("Lumivex", "Password Value", "system.ini"));
    EXPECT_EQ("0", readProfileText("Lumivex", "Password Protect", "system.ini"));
}

TEST_F(SettingsRun, Win95OptionsHandTheChangeToTheSystem) {
    InstalledDouble library("MPR.DLL", "mpr.dll");
    ScopedDllOverride native("SET95.scr", "mpr", "native,builtin");
    ScopedEnvironment calls("LUMIVEX_DOUBLE_RECORD", dir_.file("calls.txt"));
    const std::string saver = dir_.file("SET95.scr");
    ASSERT_TRUE(makeInstalledSaver(testEngine(), saver, {}, 1));
    const AnsweredRun run = runAnswering(saver, "/a", RUN_TIMEOUT_MS);
    EXPECT_EQ(0u, run.process.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << "the system shows its own dialog";
    const auto lines = linesOf(dir_.file("calls.txt"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("PwdChangePasswordA SCRSAVE no-owner", lines[0]);
}

}  // namespace
