#include "entry/mode.h"

#include <cstring>

namespace {

bool endsWithScr(const char *path) {
    const size_t length = std::strlen(path);
    if (length < 4) return false;
    const char *ending = path + length - 4;
    const char scr[] = ".scr";
    for (int i = 0; i < 4; ++i) {
        const char c = ending[i] >= 'A' && ending[i] <= 'Z' ? static_cast<char>(ending[i] - 'A' + 'a') : ending[i];
        if (c != scr[i]) return false;
    }
    return true;
}

}  // namespace

bool joinsInstanceCount(const CommandSwitches &switches) { return !switches.finish && !switches.preview; }

EngineMode chooseMode(const ModeFacts &facts) {
    const CommandSwitches &switches = facts.switches;
    if (switches.finish) return EngineMode::Finish;
    if (switches.preview) {
        return facts.previewWindow && facts.trailer == FileResult::Ok ? EngineMode::Preview : EngineMode::NoPreview;
    }
    if (!facts.admitted) return EngineMode::Refused;
    if (facts.trailer != FileResult::Ok) return EngineMode::NoPayload;
    if (switches.settings || switches.changePassword) return EngineMode::Settings;
    const bool saverFile = endsWithScr(facts.enginePath);
    if (saverFile && switches.emptyTail) return EngineMode::Settings;
    if (switches.saver || saverFile) return EngineMode::Saver;
    return EngineMode::Install;
}
