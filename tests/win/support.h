// Helpers for the Windows test programs: temporary directories, files, processes, environment,
// INI sections and message boxes read back from real windows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// "/home/x/y" (a path of the build machine) as Wine sees it: "Z:\home\x\y"; Windows paths pass.
std::string toWindowsPath(const std::string &path);

// A fresh directory under the system's temporary directory, removed with its files on scope exit.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory &) = delete;
    TempDirectory &operator=(const TempDirectory &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

std::vector<unsigned char> readBytes(const std::string &path);
bool writeBytes(const std::string &path, const std::vector<unsigned char> &bytes);
bool appendBytes(const std::string &path, const std::vector<unsigned char> &bytes);
bool pathExists(const std::string &path);

// Sets an environment variable for this process and the processes it starts; restores the old
// value (or its absence) on scope exit.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const std::string &value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_;
};

struct ProcessResult {
    bool started;
    bool finished;    // within the time bound; an unfinished process is terminated
    DWORD exitCode;   // the full 32-bit code, as the system reports it
    DWORD lastError;  // why it did not start
};

// Starts "program" args (program quoted) in the given directory (empty: this one) and waits for
// its end at most timeoutMs.
ProcessResult runProcess(const std::string &program, const std::string &args, DWORD timeoutMs,
                         const std::string &directory = "");

// Starts a process without waiting; the caller owns the handles.
bool startProcess(const std::string &program, const std::string &args, PROCESS_INFORMATION *info,
                  const std::string &directory = "");

// The caption and the longest static text of a dialog box (the message of a message box).
struct DialogText {
    std::string caption;
    std::string text;
};
DialogText readDialogText(HWND dialog);

// Runs action (which shows a message box in this thread), reads the box when it appears, then
// presses its button `button` (IDOK by default). Returns what the box showed; found is false
// when no box appeared within the time bound.
struct MessageBoxSeen {
    bool found;
    DialogText shown;
};
template <typename Action>
MessageBoxSeen answerMessageBox(Action action, int button = IDOK);
MessageBoxSeen beginWatchingMessageBox(int button);
MessageBoxSeen endWatchingMessageBox();

template <typename Action>
MessageBoxSeen answerMessageBox(Action action, int button) {
    beginWatchingMessageBox(button);
    action();
    return endWatchingMessageBox();
}

// Keeps a private-profile section (or a win.ini key) as it was before the test.
class SavedProfileValue {
public:
    SavedProfileValue(const char *section, const char *key, const char *file);  // file null: win.ini
    ~SavedProfileValue();
    SavedProfileValue(const SavedProfileValue &) = delete;
    SavedProfileValue &operator=(const SavedProfileValue &) = delete;

private:
    std::string section_, key_, file_, value_;
    bool useWinIni_;
    bool present_;
};

std::string readProfileText(const char *section, const char *key, const char *file);

// An 8-bit BMP file image with a full colour table (entry i is blue i, unless colourOfIndex1 is
// given for entry 1) whose pixels all use the given colour index.
std::vector<unsigned char> bitmapFileImage(int width, int height, unsigned char pixelIndex = 0,
                                           COLORREF colourOfIndex1 = CLR_INVALID);

// Pumps this thread's messages until the condition holds or the time is up. The condition is
// looked at after every message and at least every POLL_MS, since what it watches may be another
// process. Quit messages (a destroyed saver window posts one) are taken out of the queue and
// counted in quitsSeen.
extern int quitsSeen;
template <typename Condition>
bool pumpUntil(Condition condition, DWORD timeoutMs) {
    constexpr DWORD POLL_MS = 5;
    const DWORD start = GetTickCount();
    while (!condition()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(timeoutMs - elapsed, POLL_MS), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ++quitsSeen;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// Real input, as a user gives it: the system's input queue (SendInput) delivers keys to the window
// that has the keyboard focus and clicks to the window under the pointer, in whatever process.
// Makes the window the foreground window and waits (pumping, at most timeoutMs) until it is.
// What the screen shows in a rectangle, read back through GDI.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;  // BGR0, top-down
    COLORREF at(int x, int y) const {
        const unsigned char *p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return RGB(p[2], p[1], p[0]);
    }
};
Screenshot grabScreen(const RECT &r);
// How many pixels of the rows [top, bottom) pass the test.
int countPixels(const Screenshot &shot, int top, int bottom, bool (*test)(COLORREF));

bool bringToFront(HWND window, DWORD timeoutMs = 5000);
// Presses and releases one key (held with a modifier such as VK_MENU when one is given); types
// text (letters, digits, blanks and punctuation of the keyboard layout, with Shift where a
// character needs it).
void pressKey(WORD virtualKey, WORD modifier = 0);
void typeText(const std::string &text);
// Moves the pointer to the centre of the window and clicks the left button there.
void clickWindow(HWND window);

// Command-line options of the test programs: --name=value after GoogleTest took its own.
void parseTestOptions(int argc, char **argv);
std::string testOption(const char *name);

// Milliseconds on the performance counter, for measuring short times.
double nowMs();

// Runs a program and answers every dialog box (message boxes included) that its process shows, as
// a user does: `answer` may act on the box itself (with real input) and gives the button to click
// (IDOK, IDCANCEL, ...; 0 for none). Each box is answered once. Waits at most timeoutMs in all.
struct AnsweredRun {
    ProcessResult process;
    std::vector<DialogText> boxes;  // in the order they appeared
};
using BoxAnswer = std::function<int(HWND box, const DialogText &text)>;
int answerOk(HWND box, const DialogText &text);
int answerCancel(HWND box, const DialogText &text);
// Visible top-level windows of the class closeClass (when given) are closed once each, as a user
// closes a window: brought to the front, Alt+F4.
AnsweredRun runAnswering(const std::string &program, const std::string &args, DWORD timeoutMs,
                         BoxAnswer answer = answerOk, const std::string &directory = "",
                         const char *closeClass = nullptr);

// The same for a process that is running already: its boxes are answered until it ends (then
// its handles are closed). answerProcessNamed does it for the first process of a file of this
// name (process.started false when none runs).
AnsweredRun answerProcess(PROCESS_INFORMATION &process, DWORD timeoutMs, BoxAnswer answer = answerOk,
                          const char *closeClass = nullptr);
AnsweredRun answerProcessNamed(const char *exeName, DWORD timeoutMs, BoxAnswer answer = answerOk);

// Waits until no process runs from a file of this name (for example a finishing process that
// an installer started); false when one still runs after timeoutMs.
bool waitForProcessesNamed(const char *exeName, DWORD timeoutMs);

// The display settings' dialog as far as a saver sees it: a top-level window of this thread with
// the 152 x 112 monitor in it, in which "/p HWND" draws. Whoever waits for a preview pumps this
// thread's messages meanwhile.
struct StandInDisplaySettings {
    StandInDisplaySettings();
    ~StandInDisplaySettings();
    StandInDisplaySettings(const StandInDisplaySettings &) = delete;
    StandInDisplaySettings &operator=(const StandInDisplaySettings &) = delete;
    // The command line tail that starts a preview in the monitor: "/p " and its number.
    std::string previewArgs() const;
    // The preview's window, a child of the monitor of the class "Lumivex", or null.
    HWND preview() const;

    HWND dialog = nullptr;
    HWND monitor = nullptr;
};
// A window's handle as the display settings write it on a command line: unsigned decimal.
std::string windowNumber(HWND window);
