#include "install/elevation.h"

bool isNt6OrLater(uint32_t version) { return (version & 0x80000000u) == 0 && (version & 0xFFu) >= 6; }

RightsAction rightsAction(const RightsFacts &facts) {
    if (facts.writeError == 0) return RightsAction::Proceed;
    if (facts.writeError != SYSTEM_ERROR_ACCESS_DENIED) return RightsAction::Fail;
    return isNt6OrLater(facts.version) && !facts.elevated ? RightsAction::AskElevation : RightsAction::ExplainRights;
}

RunResult relaunchResult(const Relaunch &relaunch) {
    if (relaunch.started) return RunResult::ElevatedCopy;
    return relaunch.error == SYSTEM_ERROR_CANCELLED ? RunResult::Cancelled : RunResult::NeedsRights;
}
