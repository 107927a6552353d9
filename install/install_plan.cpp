#include "install/install_plan.h"

#include <cstring>

#include "startup/install_names.h"
#include "startup/paths.h"

namespace {

// The targets in the Windows directory under the installer file's own base name, and the
// temporary names that the installer writes first.
PathResult planPaths(const InstallFacts &facts, FinishingFields *paths) {
    char playerBeside[PATH_CAPACITY];
    PathResult result = makeInstallNamesIn(facts.windowsDirectory, facts.enginePath, paths->temporarySaver,
                                           playerBeside, paths->temporaryPlayer);
    if (result != PathResult::Ok) return result;
    std::strcpy(paths->finalSaver, paths->temporarySaver);
    std::strcpy(paths->finalPlayer, paths->temporaryPlayer);
    result = replacePathParts(paths->temporarySaver, nullptr, nullptr, TEMP_SAVER_NAME, nullptr);
    if (result == PathResult::Ok)
        result = replacePathParts(paths->temporaryPlayer, nullptr, nullptr, TEMP_PLAYER_NAME, nullptr);
    return result;
}

// The final base name: the description, or the installer file's own base name when the
// description is not usable (always on the win31 class). False when neither is usable.
bool planFinalName(const InstallFacts &facts, InstallPlan *plan, char *baseName) {
    PathParts own;
    if (splitPath(facts.enginePath, &own) != PathResult::Ok) return false;
    plan->namedByOwnFile =
        facts.platform.win31 || facts.description == nullptr || !usableAsFinalName(facts.description);
    const char *name = plan->namedByOwnFile ? own.baseName : facts.description;
    if (!usableAsFinalName(name) || std::strlen(name) >= static_cast<size_t>(PATH_CAPACITY)) return false;
    std::strcpy(baseName, name);
    return true;
}

RunResult planLayout(const InstallFacts &facts, InstallPlan *plan) {
    const PayloadTrailer &trailer = facts.trailer;
    // Only the parts that are copied from the installer file must be whole: with an external
    // player the carried one may be damaged or cut off.
    PayloadTrailer copied = trailer;
    if (facts.playerFile != nullptr) copied.playerSize = 0;
    InstallerLayout layout = {};
    if (trailer.imageASize == 0 || trailer.imageBSize == 0 ||
        installerLayout(copied, facts.fileSize, &layout) != FileResult::Ok) {
        return RunResult::BadPayload;
    }
    plan->imageFrom = facts.platform.win31 ? 0 : layout.imageB;
    plan->imageTo = facts.platform.win31 ? layout.imageB : layout.splash;
    plan->splashFrom = layout.splash;
    plan->splashTo = layout.player;
    plan->playerFrom = layout.player;
    plan->playerTo = layout.trailer;
    return RunResult::Done;
}

// The installer file itself is one of the files the install writes: the temporary files, and the
// finishing copy where a finishing process runs.
bool runsFromWrittenFile(const InstallFacts &facts, const InstallPlan &plan) {
    const FinishingFields &paths = plan.paths;
    char finishingCopy[PATH_CAPACITY];
    const bool hasCopy = plan.finishingProcess && finishingCopyPath(paths.temporarySaver, finishingCopy) == PathResult::Ok;
    return facts.startsWithPath(paths.temporarySaver, facts.enginePath) ||
           facts.startsWithPath(paths.temporaryPlayer, facts.enginePath) ||
           (hasCopy && facts.startsWithPath(finishingCopy, facts.enginePath));
}

// The installer file itself is one of the final files, which the install moves to.
bool runsFromFinalFile(const InstallFacts &facts, const FinishingFields &paths) {
    return facts.startsWithPath(paths.finalSaver, facts.enginePath) ||
           facts.startsWithPath(paths.finalPlayer, facts.enginePath);
}

RunResult checkPlatform(const InstallFacts &facts) {
    const bool needsWin32 = (facts.trailer.flags & TRAILER_FLAG_WIN32) != 0;
    if (facts.platform.win31 && needsWin32) return RunResult::NeedsWin32;
    if (facts.platform.winNT && !needsWin32) return RunResult::NeedsWin16;
    return RunResult::Done;
}

}  // namespace

RunResult planInstall(const InstallFacts &facts, InstallPlan *plan) {
    *plan = InstallPlan{};
    plan->finishingProcess = !facts.platform.win31;
    if (planPaths(facts, &plan->paths) != PathResult::Ok) return RunResult::PathTooLong;
    // The final names are not known yet: an installer in the Windows directory that bears the
    // name of its own files there may still install under the name its description gives.
    if (runsFromWrittenFile(facts, *plan)) return RunResult::RunFromTarget;
    char baseName[PATH_CAPACITY];
    if (!planFinalName(facts, plan, baseName)) return RunResult::BadPayload;
    if (replacePathParts(plan->paths.finalSaver, nullptr, nullptr, baseName, nullptr) != PathResult::Ok ||
        replacePathParts(plan->paths.finalPlayer, nullptr, nullptr, baseName, nullptr) != PathResult::Ok) {
        return RunResult::PathTooLong;
    }
    if (runsFromFinalFile(facts, plan->paths)) return RunResult::RunFromTarget;
    const RunResult laidOut = planLayout(facts, plan);
    if (laidOut != RunResult::Done) return laidOut;
    // An external player named by a path that does not fit is refused, never cut short.
    if (facts.playerFile != nullptr && std::strlen(facts.playerFile) >= static_cast<size_t>(PATH_CAPACITY)) {
        return RunResult::PathTooLong;
    }
    return checkPlatform(facts);
}
