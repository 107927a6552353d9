#include "entry/mode.h"

#include <cstring>

#include "startup/install_names.h"

namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The file name of the path (after its last separator) equals the name, letter case aside.
bool fileNamed(const char *path, const char *name) {
    const char *file = path;
    for (const char *p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') file = p + 1;
    }
    for (; *file != '\0' && *name != '\0'; ++file, ++name) {
        if (lowered(*file) != lowered(*name)) return false;
    }
    return *file == *name;
}

bool endsWithScr(const char *path) {
    const size_t length = std::strlen(path);
    if (length < 4) return false;
    const char *ending = path + length - 4;
    const char scr[] = ".scr";
    for (int i = 0; i < 4; ++i) {
        if (lowered(ending[i]) != scr[i]) return false;
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
    if (switches.remove)
        return fileNamed(facts.enginePath, REMOVAL_HELPER_FILE) ? EngineMode::FinishRemoval : EngineMode::Remove;
    if (facts.trailer != FileResult::Ok) return EngineMode::NoPayload;
    if (switches.settings || switches.changePassword) return EngineMode::Settings;
    const bool saverFile = endsWithScr(facts.enginePath);
    if (saverFile && switches.emptyTail) return EngineMode::Settings;
    if (switches.saver || saverFile) return EngineMode::Saver;
    return EngineMode::Install;
}
