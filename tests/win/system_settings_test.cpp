// The system settings against the real INI files and registry of the Wine prefix.
#include <gtest/gtest.h>

#include "startup/system_settings_win.h"
#include "support.h"

namespace {

constexpr PlatformClass WIN95 = {true, false, false};
constexpr PlatformClass WINNT = {false, true, false};
constexpr PlatformClass WIN31 = {false, false, true};

TEST(ProfileNumbers, ReadRewritesMissingAndOneCharacterValues) {
    TempDirectory dir;
    const std::string ini = dir.file("numbers.ini");
    struct Row {
        const char *label;
        const char *stored;  // null: no key
        uint32_t expected;
        const char *storedAfter;
    };
    const Row rows[] = {
        {"missing key", nullptr, 0u, "0"},
        {"one character", "7", 0u, "0"},
        {"empty value", "", 0u, "0"},
        {"two digits", "12", 12u, "12"},
        {"largest value", "4294967295", 4294967295u, "4294967295"},
        {"digits then text", "42abc", 42u, "42abc"},
    };
    for (const Row &row : rows) {
        WritePrivateProfileStringA("Lumivex", "Value", row.stored, ini.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
        EXPECT_EQ(row.expected, readProfileNumber("Lumivex", "Value", ini.c_str())) << row.label;
        EXPECT_EQ(row.storedAfter, readProfileText("Lumivex", "Value", ini.c_str())) << row.label;
    }
}

TEST(ProfileNumbers, WriteStoresUnsignedDecimalText) {
    TempDirectory dir;
    const std::string ini = dir.file("numbers.ini");
    EXPECT_TRUE(writeProfileNumber("Lumivex", "Big", 4294967295u, ini.c_str()));
    EXPECT_TRUE(writeProfileNumber("Lumivex", "Zero", 0u, ini.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    EXPECT_EQ("4294967295", readProfileText("Lumivex", "Big", ini.c_str()));
    EXPECT_EQ("0", readProfileText("Lumivex", "Zero", ini.c_str()));
    EXPECT_EQ(4294967295u, readProfileNumber("Lumivex", "Big", ini.c_str()));
}

TEST(SaverActivation, WritesTimeoutAndActiveIntoWinIni) {
    SavedProfileValue timeout("windows", "ScreenSaveTimeout", nullptr);
    SavedProfileValue active("windows", "ScreenSaveActive", nullptr);
    writeSaverActivation(1, 180);
    EXPECT_EQ("180", readProfileText("windows", "ScreenSaveTimeout", nullptr));
    EXPECT_EQ("1", readProfileText("windows", "ScreenSaveActive", nullptr));
    writeSaverActivation(0, -5);
    EXPECT_EQ("-5", readProfileText("windows", "ScreenSaveTimeout", nullptr)) << "signed decimal text";
    EXPECT_EQ("0", readProfileText("windows", "ScreenSaveActive", nullptr));
}

// "Control Panel\desktop" "ScreenSaveUsePassword" as the system's display settings store it.
class UsePasswordSetting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &key_, nullptr));
        oldSize_ = sizeof old_;
        hadOld_ = RegQueryValueExA(key_, NAME, nullptr, &oldType_, old_, &oldSize_) == ERROR_SUCCESS;
    }
    void TearDown() override {
        if (hadOld_) {
            RegSetValueExA(key_, NAME, 0, oldType_, old_, oldSize_);
        } else {
            RegDeleteValueA(key_, NAME);
        }
        RegCloseKey(key_);
    }
    void store(DWORD type, const BYTE *bytes, DWORD size) {
        if (bytes == nullptr) {
            RegDeleteValueA(key_, NAME);
        } else {
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_, NAME, 0, type, bytes, size));
        }
    }

    static constexpr const char *NAME = "ScreenSaveUsePassword";
    HKEY key_ = nullptr;
    BYTE old_[64] = {};
    DWORD oldSize_ = 0;
    DWORD oldType_ = 0;
    bool hadOld_ = false;
};

TEST_F(UsePasswordSetting, OnlyTheFourByteNumberOneMeansProtected) {
    static const BYTE one[] = {1, 0, 0, 0};
    static const BYTE two[] = {2, 0, 0, 0};
    static const BYTE five[] = {1, 0, 0, 0, 0};
    static const BYTE text[] = "1";
    struct Row {
        const char *label;
        DWORD type;
        const BYTE *bytes;
        DWORD size;
        bool expected;
    };
    const Row rows[] = {
        {"01 00 00 00", REG_BINARY, one, 4, true},
        {"01 00 00 00 as a DWORD", REG_DWORD, one, 4, true},
        {"02 00 00 00", REG_BINARY, two, 4, false},
        {"missing value", REG_BINARY, nullptr, 0, false},
        {"five bytes", REG_BINARY, five, 5, false},
        {"the text 1", REG_SZ, text, 2, false},
    };
    for (const Row &row : rows) {
        store(row.type, row.bytes, row.size);
        uint32_t stored = 77;
        EXPECT_EQ(row.expected, readUsePasswordSetting(WIN95)) << row.label;
        EXPECT_EQ(row.expected, readPasswordProtection(WIN95, &stored)) << row.label << " (win95 start-up)";
    }
}

TEST_F(UsePasswordSetting, IsIgnoredOutsideTheWin95Class) {
    static const BYTE one[] = {1, 0, 0, 0};
    store(REG_BINARY, one, 4);
    uint32_t stored = 77;
    EXPECT_FALSE(readUsePasswordSetting(WINNT));
    EXPECT_FALSE(readPasswordProtection(WINNT, &stored)) << "winNT class: the system guards the session itself";
}

// The win31 class keeps its password in system.ini [Lumivex].
TEST(PasswordProtection, Win31ClassNeedsAStoredValueAndTheProtectFlag) {
    SavedProfileValue value("Lumivex", "Password Value", "system.ini");
    SavedProfileValue protect("Lumivex", "Password Protect", "system.ini");
    struct Row {
        const char *label;
        const char *value;
        const char *protect;
        bool expected;
        uint32_t stored;
        const char *valueAfter;
    };
    const Row rows[] = {
        {"nothing stored", nullptr, nullptr, false, 0u, "0"},
        {"value and protect 1", "12345", "1", true, 12345u, "12345"},
        {"value, protect 0", "12345", "0", false, 12345u, "12345"},
        {"value, no protect key", "12345", nullptr, false, 12345u, "12345"},
        {"protect 1 without a password", "0", "1", false, 0u, "0"},
        {"one-character value counts as none", "9", "1", false, 0u, "0"},
    };
    for (const Row &row : rows) {
        WritePrivateProfileStringA("Lumivex", "Password Value", row.value, "system.ini");
        WritePrivateProfileStringA("Lumivex", "Password Protect", row.protect, "system.ini");
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
        uint32_t storedPasswordValue = 77;
        EXPECT_EQ(row.expected, readPasswordProtection(WIN31, &storedPasswordValue)) << row.label;
        EXPECT_EQ(row.stored, storedPasswordValue) << row.label;
        EXPECT_EQ(row.valueAfter, readProfileText("Lumivex", "Password Value", "system.ini")) << row.label;
        EXPECT_EQ(row.protect != nullptr ? row.protect : "<absent>",
                  readProfileText("Lumivex", "Password Protect", "system.ini"))
            << row.label << ": the protect flag is never rewritten";
    }
}

TEST(PlatformClass, DefaultWineIsTheWin95Class) {
    const PlatformClass platform = readPlatformClass();
    EXPECT_TRUE(platform.win95) << "version 0x" << std::hex << GetVersion();
    EXPECT_FALSE(platform.winNT);
    EXPECT_FALSE(platform.win31);
}

TEST(SystemLibrary, LoadsOnlyFromTheSystemDirectory) {
    {
        const SystemLibrary kernel("kernel32.dll");
        EXPECT_TRUE(kernel.loaded());
        EXPECT_NE(nullptr, kernel.function("GetVersion"));
        EXPECT_EQ(nullptr, kernel.function("NoSuchFunction"));
    }
    EXPECT_FALSE(SystemLibrary("no-such-library.dll").loaded());
    EXPECT_EQ(nullptr, SystemLibrary("no-such-library.dll").function("GetVersion"));

    // A library that exists only beside this program is not found.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    TempDirectory dir;
    ASSERT_TRUE(CopyFileA("C:\\windows\\system32\\version.dll", dir.file("lumivex-only-here.dll").c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_FALSE(SystemLibrary("lumivex-only-here.dll").loaded());
    SetCurrentDirectoryA(previous);
}

int cursorDisplayCount() {
    const int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

TEST(Cursor, TheCounterMovesOnlyWhenTheStateChanges) {
    Engine engine;
    const int start = cursorDisplayCount();
    setCursorVisible(engine, false);
    setCursorVisible(engine, false);
    EXPECT_EQ(start - 1, cursorDisplayCount()) << "two hides lower the counter once";
    setCursorVisible(engine, true);
    EXPECT_EQ(start, cursorDisplayCount()) << "one show after them makes the cursor visible again";
    setCursorVisible(engine, true);
    EXPECT_EQ(start, cursorDisplayCount()) << "a second show does not raise it";
    EXPECT_TRUE(engine.cursorShown);
}

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeTopWindow(const char *title) {
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = plainWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LumivexTestWindow";
        atom = RegisterClassA(&windowClass);
    }
    HWND window = CreateWindowExA(0, "LumivexTestWindow", title, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    return window;
}

TEST(Foreground, NullAndDestroyedWindowsChangeNothing) {
    HWND front = makeTopWindow("front");
    ASSERT_NE(nullptr, front);
    SetForegroundWindow(front);
    HWND gone = makeTopWindow("gone");
    SetForegroundWindow(front);
    DestroyWindow(gone);
    const HWND before = GetForegroundWindow();
    for (bool hold : {false, true}) {
        holdForeground(nullptr, hold);
        EXPECT_EQ(before, GetForegroundWindow()) << "null window, hold " << hold;
        holdForeground(gone, hold);
        EXPECT_EQ(before, GetForegroundWindow()) << "destroyed window, hold " << hold;
    }
    DestroyWindow(front);
}

TEST(Foreground, RaisesALiveWindow) {
    HWND first = makeTopWindow("first");
    HWND second = makeTopWindow("second");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    SetForegroundWindow(first);
    ASSERT_EQ(first, GetForegroundWindow());
    holdForeground(second, false);
    EXPECT_EQ(second, GetForegroundWindow());
    holdForeground(first, true);
    EXPECT_EQ(first, GetForegroundWindow());
    DestroyWindow(second);
    DestroyWindow(first);
}

}  // namespace
