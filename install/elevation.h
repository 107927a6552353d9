// What the installer does when the Windows directory refuses its first write. From Windows Vista
// on (NT 6) an ordinary user may not write there, and the installer starts itself again with the
// administrator's rights (the system asks the user); where that cannot help it says what stands in
// the way instead of blaming the disk.
#pragma once

#include <cstdint>

#include "startup/run_result.h"

constexpr uint32_t SYSTEM_ERROR_ACCESS_DENIED = 5;
constexpr uint32_t SYSTEM_ERROR_CANCELLED = 1223;  // the user declined the system's question

enum class RightsAction {
    Proceed,        // the write is allowed
    AskElevation,   // refused for lack of rights on NT 6 or later, not elevated: start again elevated
    ExplainRights,  // refused for lack of rights where asking cannot help (elevated, older system)
    Fail,           // refused for another reason: the install fails as a failed write does
};

struct RightsFacts {
    uint32_t version;     // the system's version value (GetVersion's layout)
    bool elevated;        // the process has the administrator's rights
    uint32_t writeError;  // the system's error of the first write; 0 when it was allowed
};

// Windows NT 6 (Vista) or later: the NT platform (bit 31 clear) with a major version of 6 or more.
bool isNt6OrLater(uint32_t version);

RightsAction rightsAction(const RightsFacts &facts);

// How the start of the elevated copy went: started, or not, with the system's error.
struct Relaunch {
    bool started;
    uint32_t error;
};

// The installer's own result then: the copy's (ElevatedCopy: its exit code becomes this one's, its
// messages were its own), Cancelled when the user declined (no message), NeedsRights when the copy
// could not start for another reason.
RunResult relaunchResult(const Relaunch &relaunch);
