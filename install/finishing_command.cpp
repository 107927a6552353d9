#include "install/finishing_command.h"

#include <cstring>

namespace {

// Copies [from, to) into a path buffer; FINISHING_COMMAND_INVALID when it does not fit.
int takeField(const char *from, const char *to, char *field) {
    const size_t n = static_cast<size_t>(to - from);
    if (n >= static_cast<size_t>(PATH_CAPACITY)) return FINISHING_COMMAND_INVALID;
    std::memcpy(field, from, n);
    field[n] = '\0';
    return 0;
}

}  // namespace

int buildFinishingCommandLine(const char *copyPath, const FinishingFields &fields, char *out) {
    out[0] = '\0';
    const char *paths[] = {copyPath, fields.temporarySaver, fields.finalSaver, fields.temporaryPlayer,
                           fields.finalPlayer};
    for (const char *path : paths) {
        if (std::strchr(path, '"') != nullptr || std::strlen(path) >= static_cast<size_t>(PATH_CAPACITY)) {
            return FINISHING_COMMAND_INVALID;
        }
    }
    if (std::strchr(fields.temporarySaver, '/') != nullptr) return FINISHING_COMMAND_INVALID;
    // Five paths of at most 259 characters and 9 more characters always fit the capacity.
    std::strcpy(out, "\"");
    std::strcat(out, copyPath);
    std::strcat(out, "\" /r ");
    for (int i = 1; i < 5; ++i) {
        if (i > 1) std::strcat(out, "\"");
        std::strcat(out, paths[i]);
    }
    return 0;
}

int parseFinishingCommandLine(const char *tail, FinishingFields *fields) {
    *fields = FinishingFields{};
    const char *firstQuote = std::strchr(tail, '"');
    if (firstQuote == nullptr) return FINISHING_COMMAND_INVALID;
    const char *slash = nullptr;
    for (const char *p = tail; p < firstQuote; ++p) {
        if (*p == '/') slash = p;
    }
    if (slash == nullptr || firstQuote - slash < 3) return FINISHING_COMMAND_INVALID;
    const char *secondQuote = std::strchr(firstQuote + 1, '"');
    if (secondQuote == nullptr) return FINISHING_COMMAND_INVALID;
    const char *thirdQuote = std::strchr(secondQuote + 1, '"');
    if (thirdQuote == nullptr) return FINISHING_COMMAND_INVALID;

    int result = takeField(slash + 3, firstQuote, fields->temporarySaver);
    if (result == 0) result = takeField(firstQuote + 1, secondQuote, fields->finalSaver);
    if (result == 0) result = takeField(secondQuote + 1, thirdQuote, fields->temporaryPlayer);
    if (result == 0) result = takeField(thirdQuote + 1, thirdQuote + 1 + std::strlen(thirdQuote + 1), fields->finalPlayer);
    if (result != 0) *fields = FinishingFields{};
    return result;
}
