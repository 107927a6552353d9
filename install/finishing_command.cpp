#include "install/finishing_command.h"

#include <cstring>

namespace {

// Copies [from, to) into a path buffer; false when it does not fit.
bool takeField(const char *from, const char *to, char *field) {
    const size_t n = static_cast<size_t>(to - from);
    if (n >= static_cast<size_t>(PATH_CAPACITY)) return false;
    std::memcpy(field, from, n);
    field[n] = '\0';
    return true;
}

}  // namespace

bool buildFinishingCommandLine(const char *copyPath, const FinishingFields &fields, char *out) {
    out[0] = '\0';
    const char *paths[] = {copyPath, fields.temporarySaver, fields.finalSaver, fields.temporaryPlayer,
                           fields.finalPlayer};
    for (const char *path : paths) {
        if (std::strchr(path, '"') != nullptr || std::strlen(path) >= static_cast<size_t>(PATH_CAPACITY)) {
            return false;
        }
    }
    if (std::strchr(fields.temporarySaver, '/') != nullptr) return false;
    // Five paths of at most 259 characters and 9 more characters always fit the capacity.
    std::strcpy(out, "\"");
    std::strcat(out, copyPath);
    std::strcat(out, "\" /r ");
    for (int i = 1; i < 5; ++i) {
        if (i > 1) std::strcat(out, "\"");
        std::strcat(out, paths[i]);
    }
    return true;
}

bool parseFinishingCommandLine(const char *tail, FinishingFields *fields) {
    *fields = FinishingFields{};
    const char *firstQuote = std::strchr(tail, '"');
    if (firstQuote == nullptr) return false;
    const char *slash = nullptr;
    for (const char *p = tail; p < firstQuote; ++p) {
        if (*p == '/') slash = p;
    }
    if (slash == nullptr || firstQuote - slash < 3) return false;
    const char *secondQuote = std::strchr(firstQuote + 1, '"');
    if (secondQuote == nullptr) return false;
    const char *thirdQuote = std::strchr(secondQuote + 1, '"');
    if (thirdQuote == nullptr) return false;

    const bool taken = takeField(slash + 3, firstQuote, fields->temporarySaver) &&
                       takeField(firstQuote + 1, secondQuote, fields->finalSaver) &&
                       takeField(secondQuote + 1, thirdQuote, fields->temporaryPlayer) &&
                       takeField(thirdQuote + 1, thirdQuote + 1 + std::strlen(thirdQuote + 1), fields->finalPlayer);
    if (!taken) *fields = FinishingFields{};
    return taken;
}
