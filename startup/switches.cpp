#include "startup/switches.h"

#include <cstring>

bool hasSwitch(const char *tail, const char *name) { return std::strstr(tail, name) != nullptr; }

void parseCommandSwitches(const char *tail, CommandSwitches *out) {
    *out = CommandSwitches{};
    out->finish = hasSwitch(tail, "/r");
    out->settings = hasSwitch(tail, "/c");
    out->saver = hasSwitch(tail, "/s");
    out->preview = hasSwitch(tail, "/p");
    out->changePassword = hasSwitch(tail, "/a");
    out->quiet = hasSwitch(tail, "/q");
    const char *z = std::strstr(tail, "/z");
    out->playerFile = z != nullptr ? z + 2 : nullptr;
}
