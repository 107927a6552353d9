#include "install/removal_command.h"

#include <cstring>

#include "startup/profile_number.h"
#include "startup/switches.h"

bool buildRemovalCommandLine(const char *helperPath, const RemovalFields &fields, char *out, uint32_t capacity) {
    out[0] = '\0';
    char number[PROFILE_NUMBER_BUFFER];
    formatProfileNumber(fields.saverProcess, number);
    const char *parts[] = {"\"", helperPath, "\" /u /w ", number, fields.quiet ? " /q \"" : " \"", fields.saver, "\""};
    size_t length = 1;
    for (const char *part : parts) length += std::strlen(part);
    if (length > capacity || std::strchr(helperPath, '"') != nullptr || std::strchr(fields.saver, '"') != nullptr) {
        return false;
    }
    for (const char *part : parts) std::strcat(out, part);
    return true;
}

bool parseRemovalCommandLine(const char *tail, RemovalFields *fields) {
    *fields = RemovalFields{};
    const char *open = std::strchr(tail, '"');
    const char *close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
    const size_t length = close != nullptr ? static_cast<size_t>(close - open - 1) : 0;
    if (close == nullptr || length == 0 || length >= static_cast<size_t>(PATH_CAPACITY)) return false;
    // The switches are read only before the path, which may hold anything but a quote.
    char switches[64] = {};
    const size_t before = static_cast<size_t>(open - tail);
    if (before >= sizeof switches) return false;
    std::memcpy(switches, tail, before);
    const uint32_t process = windowNumberAfter(switches, "/w");
    if (process == 0) return false;
    fields->saverProcess = process;
    fields->quiet = hasSwitch(switches, "/q");
    std::memcpy(fields->saver, open + 1, length);
    fields->saver[length] = '\0';
    return true;
}
