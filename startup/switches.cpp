#include "startup/switches.h"

#include <cstring>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool hasSwitch(const char *tail, const char *name) { return std::strstr(tail, name) != nullptr; }

uint32_t windowNumberAfter(const char *tail, const char *name) {
    const char *p = std::strstr(tail, name);
    if (p == nullptr) return 0;
    p += 2;
    if (*p == ':') {
        ++p;
    } else if (isBlank(*p)) {
        while (isBlank(*p)) ++p;
    } else {
        return 0;
    }
    if (*p < '0' || *p > '9') return 0;
    uint32_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const uint32_t digit = static_cast<uint32_t>(*p - '0');
        if (number > (UINT32_MAX - digit) / 10) return 0;  // more than 32 bits: no window's number
        number = number * 10 + digit;
    }
    return *p == '\0' || isBlank(*p) ? number : 0;
}

void parseCommandSwitches(const char *tail, CommandSwitches *out) {
    *out = CommandSwitches{};
    out->finish = hasSwitch(tail, "/r");
    out->settings = hasSwitch(tail, "/c");
    out->saver = hasSwitch(tail, "/s");
    out->preview = hasSwitch(tail, "/p");
    out->changePassword = hasSwitch(tail, "/a");
    out->quiet = hasSwitch(tail, "/q");
    const char *first = tail;
    while (isBlank(*first)) ++first;
    out->remove = first[0] == '/' && first[1] == 'u' && (first[2] == '\0' || isBlank(first[2]));
    const char *z = std::strstr(tail, "/z");
    out->playerFile = z != nullptr ? z + 2 : nullptr;
    out->emptyTail = true;
    for (const char *p = tail; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) > ' ') out->emptyTail = false;
    }
    out->previewParent = windowNumberAfter(tail, "/p");
    out->settingsOwner = windowNumberAfter(tail, "/c");
    if (out->settingsOwner == 0) out->settingsOwner = windowNumberAfter(tail, "/a");
}

namespace {

template <typename Char>
const Char *tailOf(const Char *commandLine) {
    const Char *p = commandLine;
    bool quoted = false;
    // The program name: up to the first blank or control character outside quotes.
    for (; *p != 0 && (static_cast<uint32_t>(*p) > ' ' || quoted); ++p) {
        if (*p == '"') quoted = !quoted;
    }
    while (*p != 0 && static_cast<uint32_t>(*p) <= ' ') ++p;
    return p;
}

}  // namespace

const char *commandLineTail(const char *commandLine) { return tailOf(commandLine); }

const char16_t *commandLineTail(const char16_t *commandLine) { return tailOf(commandLine); }
