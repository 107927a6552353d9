// Asking for the screen-saver password when a protected show ends: the system's own dialog on
// the win95 class, the engine's dialog 100 on the others (three tries, 30 s).
#pragma once

#include <windows.h>

#include "startup/engine_win.h"
#include "startup/engine_window_win.h"

constexpr LONG PASSWORD_TRIES = 3;
constexpr UINT PASSWORD_TIMEOUT = 30000;
constexpr WPARAM CLOSE_BY_TIMEOUT = 32343;  // the WM_CLOSE of the time-out carries this

// What the saver does when the password is refused for good: the show goes on.
class ShowResumer {
public:
    virtual void resumeShow() = 0;

protected:
    ~ShowResumer() = default;
};

// The question and what became of it. The saver run that owns it sets the three links.
struct PasswordQuestion {
    Engine *engine = nullptr;
    EngineWindow *saverWindow = nullptr;  // owns the question, gets its verdict
    ShowResumer *resumer = nullptr;
    HWND passwordDialog = nullptr;  // the engine's question while it is open
    bool passwordVerified = false;  // the last verification accepted the password
    LONG failedAttempts = 0;        // wrong passwords in a row in the engine's question
    bool closedByTimeout = false;   // the engine's question was closed by its time-out
};

enum class PasswordOutcome {
    Accepted,  // the system accepted it at once; the saver window is asked to close
    Refused,   // the system refused it; the show goes on
    Asked,     // the engine's question is open (or was open already): its verdict comes later
};

// Asks for the password. On win95 the system's dialog answers at once. Elsewhere the engine's
// dialog opens (never two at once); when it goes, the password is checked: accepted, the saver
// window is asked to close; refused, the question is asked again, and after the third wrong
// answer in a row or at the time-out the show goes on.
PasswordOutcome askForPassword(PasswordQuestion *question);
// Sets question->passwordVerified: the system's verdict on the win95 class (accepted without the
// system's password library), else the typed text's value against the stored one.
void verifyPassword(PasswordQuestion *question, const char *text);

INT_PTR CALLBACK passwordEntryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
