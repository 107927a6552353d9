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

const char *commandLineTail(const char *commandLine) {
    const char *p = commandLine;
    bool quoted = false;
    // The program name: up to the first blank or control character outside quotes.
    for (; *p != '\0' && (static_cast<unsigned char>(*p) > ' ' || quoted); ++p) {
        if (*p == '"') quoted = !quoted;
    }
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    return p;
}
