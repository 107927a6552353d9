// The engine's dialogs driven by real messages in this process: the password question of a
// protected show, the password options, and the settings window with the splash pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "images/image_set_win.h"
#include "resources/resource_ids.h"
#include "saver_session.h"
#include "settings/password_options_win.h"
#include "settings/settings_window_win.h"
#include "settings_session.h"
#include "startup/password_reduction.h"
#include "support.h"

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

BOOL CALLBACK collectDialog(HWND window, LPARAM found) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> visibleDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string itemText(HWND dialog, int id) {
    char text[300] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// ---- The password question (dialog 100) ----

bool asks(PasswordQuestion *question) { return askForPassword(question) == PasswordOutcome::Asked; }

TEST(PasswordQuestion, AskingShowsOneEmptyQuestionOverTheSaverWindow) {
    SaverSession session;
    ASSERT_NE(nullptr, session.window);
    PasswordQuestion &question = session.run.question;
    question.passwordVerified = true;
    EXPECT_TRUE(asks(&question));
    const HWND first = question.passwordDialog;
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_EQ("Password Entry", readDialogText(first).caption);
    EXPECT_EQ(session.window, GetWindow(first, GW_OWNER)) << "owned by the saver window";
    EXPECT_EQ("", itemText(first, IDC_PASSWORD_EDIT));
    EXPECT_FALSE(question.passwordVerified) << "a new question has no verdict yet";
    MSG start = {};
    EXPECT_TRUE(PeekMessageA(&start, session.window, WM_SAVER_STARTTIMER, WM_SAVER_STARTTIMER, PM_NOREMOVE));
    EXPECT_EQ(TIMER_PASSWORD, start.wParam);
    EXPECT_EQ(30000, start.lParam) << "the question gives up after 30 s";
    EXPECT_TRUE(pumpUntil([&] { return session.run.saverWindow.timerTable[TIMER_PASSWORD] != 0; }, 2000))
        << "the time-out runs";
    // Asked again directly and by the saver window's private message while it is open.
    EXPECT_TRUE(asks(&question));
    PostMessageA(session.window, WM_SAVER_CHECKPASSWORD, 0, 0);
    pumpFor(200);
    EXPECT_EQ(1u, visibleDialogs().size()) << "only one question";
    EXPECT_EQ(first, question.passwordDialog) << "the first question stays";
}

enum class Leave { Ok, Escape, SystemMenuClose, TimeOutClose, TimeOutTimer };

void leave(const SaverSession &session, HWND dialog, Leave how) {
    switch (how) {
        case Leave::Ok:
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            break;
        case Leave::Escape:
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            break;
        case Leave::SystemMenuClose:
            SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Leave::TimeOutClose:
            PostMessageA(dialog, WM_CLOSE, CLOSE_BY_TIMEOUT, 0);
            break;
        case Leave::TimeOutTimer:
            SendMessageA(session.window, WM_TIMER, TIMER_PASSWORD, 0);
            break;
    }
}

// What became of the question: still open; accepted (the saver window closed); asked again (a
// new dialog); or refused for good (the show resumed: without a player, on its error screen).
std::string outcome(const SaverSession &session, HWND first) {
    const HWND open = session.run.question.passwordDialog;
    if (open == first && IsWindowVisible(first)) return "still open";
    if (!IsWindow(session.window)) return "accepted";
    if (open != nullptr) return "asked again";
    return session.run.screen.inputEndsSaver ? "show resumed" : "nothing yet";
}

TEST(PasswordQuestion, LeavingTheQuestionVerifiesWhatWasTyped) {
    const uint32_t fish = reducePassword("fish");
    struct Row {
        const char *label, *typed;
        uint32_t stored;
        LONG failedBefore;
        Leave how;
        const char *expected;  // see outcome()
        LONG failedAfter;
    };
    const Row rows[] = {
        {"right password, OK", "fish", fish, 0, Leave::Ok, "accepted", 0},
        {"Escape does nothing", "fish", fish, 0, Leave::Escape, "still open", 0},
        {"right password, closed by the system menu", "fish", fish, 0, Leave::SystemMenuClose, "accepted", 0},
        {"wrong password, closed by the system menu", "cat", fish, 0, Leave::SystemMenuClose, "asked again", 1},
        {"first wrong password", "cat", fish, 0, Leave::Ok, "asked again", 1},
        {"second wrong password in a row", "cat", fish, 1, Leave::Ok, "asked again", 2},
        {"third wrong password in a row", "cat", fish, 2, Leave::Ok, "show resumed", 0},
        {"wrong password at the time-out", "cat", fish, 0, Leave::TimeOutClose, "show resumed", 0},
        {"right password when the time-out timer fires", "fish", fish, 1, Leave::TimeOutTimer, "accepted", 1},
        {"empty password, stored value 0x5A00", "", PASSWORD_REDUCTION_START, 0, Leave::Ok, "accepted", 0},
        {"empty password, stored value 0", "", 0, 0, Leave::Ok, "asked again", 1},
    };
    for (const Row &row : rows) {
        SaverSession session;
        ASSERT_NE(nullptr, session.window) << row.label;
        PasswordQuestion &question = session.run.question;
        session.engine.storedPasswordValue = row.stored;
        question.failedAttempts = row.failedBefore;
        askForPassword(&question);
        const HWND first = question.passwordDialog;
        ASSERT_NE(nullptr, first) << row.label;
        SetDlgItemTextA(first, IDC_PASSWORD_EDIT, row.typed);
        leave(session, first, row.how);
        pumpUntil([&] { return outcome(session, first) == row.expected; }, 3000);
        pumpFor(100);  // whatever else the handling posted
        EXPECT_EQ(row.expected, outcome(session, first)) << row.label;
        EXPECT_EQ(row.failedAfter, question.failedAttempts) << row.label;
        const bool timeOutLeft = row.how != Leave::Escape && question.closedByTimeout;
        EXPECT_FALSE(timeOutLeft) << row.label << ": the time-out does not outlive its question";
        const bool askedAgain = question.passwordDialog != nullptr && question.passwordDialog != first;
        EXPECT_EQ("", askedAgain ? itemText(question.passwordDialog, IDC_PASSWORD_EDIT) : "")
            << row.label << ": new one empty";
    }
}

// ---- The password options (dialog 110) ----

// What the user does in one showing of the options: type, click the check box, leave.
struct Visit {
    const char *password, *retyped;
    int clicks;
    UINT leave;  // IDOK, IDCANCEL, or WM_CLOSE for a close request
};

struct OptionsScript {
    std::vector<Visit> visits;
    std::vector<std::string> shown, clicked;  // each showing as it appeared, and after the clicks
    std::string boxes;                        // the texts of the message boxes, " | " between them
    std::vector<HWND> owners;
    HWND last;  // the window answered last, until it is gone
} script;

bool usable(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::string optionsState(HWND dialog) {
    std::string state = IsDlgButtonChecked(dialog, IDC_PROTECT_CHECK) == BST_CHECKED ? "box checked" : "box clear";
    state += usable(dialog, IDC_PROTECT_CHECK) ? " usable, entries " : " unusable, entries ";
    for (int id : {IDC_NEW_PASSWORD, IDC_NEW_PASSWORD_LABEL, IDC_RETYPED_PASSWORD, IDC_RETYPED_PASSWORD_LABEL}) {
        state += usable(dialog, id) ? '1' : '0';
    }
    state += ", typed '" + itemText(dialog, IDC_NEW_PASSWORD) + "' '";
    return state + itemText(dialog, IDC_RETYPED_PASSWORD) + "'";
}

// The user, on a thread timer that the modal loops dispatch: each showing of the options takes
// the next visit (Cancel once they are used up), each message box is read and answered with OK.
// The buttons are posted, as input comes, so that what they open runs in the dialog's own loop.
void CALLBACK playUser(HWND, UINT, UINT_PTR, DWORD) {
    const std::vector<HWND> dialogs = visibleDialogs();
    if (dialogs.empty() || dialogs.front() == script.last) return;
    const HWND dialog = script.last = dialogs.front();
    if (GetDlgItem(dialog, IDC_PROTECT_CHECK) == nullptr) {
        script.boxes += (script.boxes.empty() ? "" : " | ") + readDialogText(dialog).text;
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else {
        const size_t index = script.shown.size();
        const Visit visit = index < script.visits.size() ? script.visits[index] : Visit{"", "", 0, IDCANCEL};
        script.shown.push_back(optionsState(dialog));
        script.owners.push_back(GetWindow(dialog, GW_OWNER));
        for (int click = 0; click < visit.clicks; ++click) {
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROTECT_CHECK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_PROTECT_CHECK)));
        }
        script.clicked.push_back(optionsState(dialog));
        SetDlgItemTextA(dialog, IDC_NEW_PASSWORD, visit.password);
        SetDlgItemTextA(dialog, IDC_RETYPED_PASSWORD, visit.retyped);
        const bool close = visit.leave == WM_CLOSE;
        PostMessageA(dialog, close ? WM_CLOSE : WM_COMMAND, close ? 0 : visit.leave, 0);
    }
}

// The options as the saver session's window asks for them; true when they were done with.
bool runOptions(Engine &engine, HWND asking, std::vector<Visit> visits) {
    script = OptionsScript{};
    script.visits = std::move(visits);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, playUser);
    const bool done = showPasswordOptions(engine, asking);
    KillTimer(nullptr, timer);
    return done;
}

// system.ini [Lumivex]: both keys removed for the test and put back afterwards.
struct OptionsKeys {
    OptionsKeys() {
        for (const char *key : {"Password Value", "Password Protect"}) {
            WritePrivateProfileStringA("Lumivex", key, nullptr, "system.ini");
        }
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, "system.ini");
    }
    SavedProfileValue value{"Lumivex", "Password Value", "system.ini"};
    SavedProfileValue protect{"Lumivex", "Password Protect", "system.ini"};
};

std::string optionsKey(const char *key) { return readProfileText("Lumivex", key, "system.ini"); }

constexpr char CHANGED[] = "Your password has been changed.";
constexpr char DIFFER[] = "You typed two different things for your new password.";
constexpr char ABSENT[] = "<absent>";
constexpr char ON_EMPTY[] = "box checked usable, entries 1111, typed '' ''";
constexpr char OFF_EMPTY[] = "box clear usable, entries 0000, typed '' ''";

TEST(PasswordOptions, LeavingTheOptionsSavesWhatTheyShow) {
    const uint32_t fish = reducePassword("fish"), before = 0x1234;
    const std::string fishText = std::to_string(fish);
    struct Row {
        const char *label;
        bool protectedBefore;
        std::vector<Visit> visits;
        std::string boxes;  // the texts of the message boxes shown
        size_t showings;
        const char *shownAgain;  // the second showing, if any
        bool protectedAfter;
        std::string protectText, valueText;  // the keys "Password Protect" and "Password Value"
        uint32_t stored;
        const char *protectBefore = nullptr;  // "Password Protect" before; null: absent
    };
    // Change stores the box's state whenever system.ini holds another, whatever the flag in
    // memory says ("/a" sets it for the run alone).
    const Row rows[] = {
        {"matching entries", true, {{"fish", "fish", 0, IDOK}}, CHANGED, 1, "", true, "1", fishText, fish},
        {"matching entries, close request",
         true,
         {{"fish", "fish", 0, WM_CLOSE}},
         CHANGED,
         1,
         "",
         true,
         "1",
         fishText,
         fish},
        {"entries differing in case",
         true,
         {{"fish", "Fish", 0, IDOK}, {"", "", 0, IDCANCEL}},
         DIFFER,
         2,
         ON_EMPTY,
         true,
         "1",
         ABSENT,
         before},
        {"different entries after a click on the box",
         true,
         {{"fish", "fash", 1, IDOK}, {"", "", 0, IDCANCEL}},
         DIFFER,
         2,
         OFF_EMPTY,
         false,
         "0",
         ABSENT,
         before},
        {"both empty, box switched on", false, {{"", "", 1, IDOK}}, "", 1, "", true, "1", ABSENT, before},
        {"both empty, box as it was", true, {{"", "", 0, IDOK}}, "", 1, "", true, "1", ABSENT, before},
        {"only the retyped entry", true, {{"", "fish", 0, IDOK}}, "", 1, "", true, "1", ABSENT, before},
        {"Cancel after a click and matching entries",
         true,
         {{"fish", "fish", 1, IDCANCEL}},
         "",
         1,
         "",
         true,
         ABSENT,
         ABSENT,
         before},
        {"protected in memory only, system.ini says 0",
         true,
         {{"", "", 0, IDOK}},
         "",
         1,
         "",
         true,
         "1",
         ABSENT,
         before,
         "0"},
        {"box cleared, system.ini says 1", true, {{"", "", 1, IDOK}}, "", 1, "", false, "0", ABSENT, before, "1"},
        {"box as system.ini says", false, {{"", "", 0, IDOK}}, "", 1, "", false, "0", ABSENT, before, "0"},
    };
    for (const Row &row : rows) {
        SaverSession session;
        OptionsKeys keys;
        ASSERT_NE(nullptr, session.window) << row.label;
        WritePrivateProfileStringA("Lumivex", "Password Protect", row.protectBefore, "system.ini");
        session.engine.passwordProtected = row.protectedBefore;
        session.engine.storedPasswordValue = before;
        EXPECT_TRUE(runOptions(session.engine, session.window, row.visits)) << row.label;
        EXPECT_EQ(row.showings, script.shown.size()) << row.label;
        EXPECT_EQ(row.boxes, script.boxes) << row.label;
        EXPECT_EQ(row.shownAgain, script.shown.size() > 1 ? script.shown[1] : "") << row.label << ": shown again";
        EXPECT_EQ(row.protectedAfter, session.engine.passwordProtected) << row.label;
        EXPECT_EQ(row.protectText, optionsKey("Password Protect")) << row.label;
        EXPECT_EQ(row.valueText, optionsKey("Password Value")) << row.label;
        EXPECT_EQ(row.stored, session.engine.storedPasswordValue) << row.label;
    }
}

TEST(PasswordOptions, CheckBoxSwitchesTheEntriesAndTheirLabels) {
    struct Row {
        const char *label;
        bool protectedBefore;
        int clicks;
        const char *shown, *afterClicks;
    };
    const Row rows[] = {
        {"opened protected, one click", true, 1, ON_EMPTY, OFF_EMPTY},
        {"opened unprotected, one click", false, 1, OFF_EMPTY, ON_EMPTY},
        {"opened protected, two clicks", true, 2, ON_EMPTY, ON_EMPTY},
    };
    for (const Row &row : rows) {
        SaverSession session;
        ASSERT_NE(nullptr, session.window) << row.label;
        session.engine.passwordProtected = row.protectedBefore;
        runOptions(session.engine, session.window, {{"", "", row.clicks, IDCANCEL}});
        ASSERT_EQ(1u, script.shown.size()) << row.label;
        EXPECT_EQ(row.shown, script.shown[0]) << row.label;
        EXPECT_EQ(row.afterClicks, script.clicked[0]) << row.label;
    }
}

TEST(PasswordOptions, EndingClosesTheAskingWindowAndGivesItInputBack) {
    const HINSTANCE noDialogs = GetModuleHandleA("ntdll.dll");
    ASSERT_EQ(nullptr, FindResourceA(noDialogs, MAKEINTRESOURCEA(DIALOG_PASSWORD_OPTIONS), RT_DIALOG));
    struct Row {
        const char *label;
        HINSTANCE instance;
        std::vector<Visit> visits;
        size_t showings;
        const char *protectText;  // "Password Protect" afterwards
    };
    const Row rows[] = {
        {"left by Cancel", self(), {{"", "", 0, IDCANCEL}}, 1, ABSENT},
        {"left by Change", self(), {{"", "", 0, IDOK}}, 1, "1"},
        {"dialog missing from the module: as if cancelled", noDialogs, {}, 0, ABSENT},
    };
    for (const Row &row : rows) {
        SettingsSession session(false);  // "/a": the settings main window asks
        OptionsKeys keys;
        ASSERT_NE(nullptr, session.main) << row.label;
        session.engine.platform = PlatformClass{false, false, true};
        session.engine.passwordProtected = true;
        session.engine.instance = row.instance;
        EXPECT_TRUE(runOptions(session.engine, session.main, row.visits)) << row.label << ": the options are done with";
        EXPECT_EQ(row.showings, script.shown.size()) << row.label;
        const auto owned = std::count(script.owners.begin(), script.owners.end(), session.main);
        EXPECT_EQ(row.showings, static_cast<size_t>(owned)) << row.label << ": owned by the asking window";
        EXPECT_TRUE(session.engine.passwordProtected) << row.label;
        EXPECT_EQ(row.protectText, optionsKey("Password Protect")) << row.label;
        EXPECT_TRUE(IsWindowEnabled(session.main)) << row.label << ": the asking window takes input again";
        EXPECT_TRUE(pumpUntil([&] { return !IsWindow(session.main); }, 3000)) << row.label << ": asked to close";
    }
}

// ---- The settings window ----

std::string windowSize(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top);
}

TEST(SettingsWindow, PicturesGiveTheSizeOfBothWindows) {
    const int caption = GetSystemMetrics(SM_CYCAPTION), menuBar = GetSystemMetrics(SM_CYMENU);
    struct Row {
        const char *label;
        bool menuHeight;
        std::string mainSize;
    };
    const Row rows[] = {
        {"no menu bar counted", false, "420 x " + std::to_string(230 + caption)},
        {"menu bar counted (win31 class)", true, "420 x " + std::to_string(230 + caption + menuBar)},
    };
    for (const Row &row : rows) {
        SettingsSession session(true, row.menuHeight);
        ASSERT_NE(nullptr, session.dialog) << row.label;
        EXPECT_EQ("420 x 230", windowSize(session.dialog)) << row.label;
        EXPECT_EQ(row.mainSize, windowSize(session.main)) << row.label;
    }
}

// The dialog procedure's answer to the palette messages, and whether it realised a palette
// again (a dropped palette is made anew from the pictures).
TEST(SettingsWindow, PaletteMessagesRealiseThePicturesPalette) {
    struct Row {
        const char *label;
        UINT message;
        bool pictures, dropPalette, fromDialog;
        INT_PTR answer;
        bool palette;
    };
    const Row rows[] = {
        {"query: pictures with colour tables", WM_QUERYNEWPALETTE, true, false, false, TRUE, true},
        {"query: palette dropped, made again", WM_QUERYNEWPALETTE, true, true, false, TRUE, true},
        {"query: no picture has a colour table", WM_QUERYNEWPALETTE, false, false, false, FALSE, false},
        {"changed by the dialog itself: nothing", WM_PALETTECHANGED, true, true, true, FALSE, false},
        {"changed by another window: made again", WM_PALETTECHANGED, true, true, false, FALSE, true},
    };
    for (const Row &row : rows) {
        SettingsSession session(row.pictures);
        ASSERT_NE(nullptr, session.dialog) << row.label;
        if (row.dropPalette) session.dropPalette();
        const HWND changer = row.fromDialog ? session.dialog : GetDesktopWindow();
        EXPECT_EQ(row.answer, settingsDialogProc(session.dialog, row.message, reinterpret_cast<WPARAM>(changer), 0))
            << row.label;
        EXPECT_EQ(row.palette, session.images.imageSet().palette != nullptr) << row.label << ": palette";
    }
}

// The system asks the top-level window, which passes the question on to the dialog and returns
// its answer; a dialog's answer to this message reaches the sender only through DWLP_MSGRESULT.
TEST(SettingsWindow, MainWindowReturnsTheDialogsPaletteAnswer) {
    SettingsSession session(true);
    ASSERT_NE(nullptr, session.dialog);
    EXPECT_EQ(TRUE, SendMessageA(session.main, WM_QUERYNEWPALETTE, 0, 0));
}

std::string settingsState(SettingsSession &session, int quits) {
    const HWND main = session.main, dialog = session.dialog;
    std::string state = IsWindow(main) ? (IsWindowVisible(main) ? "main shown" : "main hidden") : "main gone";
    state += IsWindow(dialog) ? ", dialog alive" : ", dialog gone";
    state += session.run.settingsDialog != nullptr ? ", settingsDialog set" : ", settingsDialog null";
    state += session.run.mainWindow.handle != nullptr ? ", saverWindow set" : ", saverWindow null";
    state += session.images.imageSet().splash1.dib != nullptr ? ", pictures kept" : ", pictures freed";
    return state + ", quit " + std::to_string(quits);
}

TEST(SettingsWindow, KeyOrButtonInTheDialogEndsSettingsMode) {
    const std::string ends = "main hidden, dialog gone, settingsDialog null, saverWindow null, pictures freed, quit 1";
    const std::string stays = "main shown, dialog alive, settingsDialog set, saverWindow set, pictures kept, quit 0";
    struct Row {
        const char *label;
        UINT message;
        bool endsMode;
    };
    const Row rows[] = {
        {"key press", WM_KEYDOWN, true},        {"left button", WM_LBUTTONDOWN, true},
        {"right button", WM_RBUTTONDOWN, true}, {"middle button", WM_MBUTTONDOWN, true},
        {"mouse move", WM_MOUSEMOVE, false},
    };
    for (const Row &row : rows) {
        SettingsSession session(true);
        ASSERT_NE(nullptr, session.dialog) << row.label;
        ShowWindow(session.main, SW_SHOW);
        const int quitsBefore = quitsSeen;
        SendMessageA(session.dialog, row.message, 0, MAKELPARAM(20, 20));
        pumpUntil([&] { return session.run.mainWindow.handle == nullptr; }, row.endsMode ? 5000 : 200);
        EXPECT_EQ(row.endsMode ? ends : stays, settingsState(session, quitsSeen - quitsBefore)) << row.label;
    }
}

TEST(SettingsWindow, PaintingFillsTheGroundWhite) {
    SettingsSession session(true);
    ASSERT_NE(nullptr, session.dialog);
    ShowWindow(session.main, SW_SHOW);
    UpdateWindow(session.dialog);
    pumpFor(100);
    struct Row {
        const char *label;
        int x, y;
    };
    const Row rows[] = {
        {"top left margin", 3, 3},
        {"left of the lower pictures", 4, 180},
        {"between the lower pictures", 317, 180},
        {"right of the upper picture", 412, 60},
        {"below the pictures", 200, 222},
    };
    HDC dc = GetDC(session.dialog);
    for (const Row &row : rows) EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, row.x, row.y)) << row.label;
    ReleaseDC(session.dialog, dc);
}

}  // namespace
