// Compiled without the compiler's knowledge of these functions (-fno-builtin and no loop
// pattern replacement), so that no loop here is turned back into a call of itself.
#include "startup/c_library.h"

namespace clib {

namespace {

using Byte = unsigned char;

}  // namespace

void *memcpy(void *target, const void *source, size_t count) {
    Byte *to = static_cast<Byte *>(target);
    const Byte *from = static_cast<const Byte *>(source);
    while (count-- > 0) *to++ = *from++;
    return target;
}

void *memmove(void *target, const void *source, size_t count) {
    Byte *to = static_cast<Byte *>(target);
    const Byte *from = static_cast<const Byte *>(source);
    // A target below the source is copied from the front, one above it from the back, so that
    // overlapping blocks never overwrite bytes before they are read.
    if (to < from) return memcpy(target, source, count);
    while (count-- > 0) to[count] = from[count];
    return target;
}

void *memset(void *target, int value, size_t count) {
    Byte *to = static_cast<Byte *>(target);
    while (count-- > 0) *to++ = static_cast<Byte>(value);
    return target;
}

int memcmp(const void *a, const void *b, size_t count) {
    const Byte *x = static_cast<const Byte *>(a);
    const Byte *y = static_cast<const Byte *>(b);
    for (; count > 0; --count, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

void *memchr(const void *block, int value, size_t count) {
    const Byte *at = static_cast<const Byte *>(block);
    for (; count > 0; --count, ++at) {
        if (*at == static_cast<Byte>(value)) return const_cast<Byte *>(at);
    }
    return nullptr;
}

size_t strlen(const char *text) {
    const char *end = text;
    while (*end != '\0') ++end;
    return static_cast<size_t>(end - text);
}

char *strcpy(char *target, const char *source) {
    char *to = target;
    while ((*to++ = *source++) != '\0') {
    }
    return target;
}

char *strcat(char *target, const char *source) {
    strcpy(target + strlen(target), source);
    return target;
}

int strcmp(const char *a, const char *b) {
    const Byte *x = reinterpret_cast<const Byte *>(a);
    const Byte *y = reinterpret_cast<const Byte *>(b);
    while (*x != 0 && *x == *y) ++x, ++y;
    return *x == *y ? 0 : *x < *y ? -1 : 1;
}

char *strchr(const char *text, int value) {
    // The terminating NUL is part of the string: looking for 0 finds it.
    const char wanted = static_cast<char>(value);
    for (;; ++text) {
        if (*text == wanted) return const_cast<char *>(text);
        if (*text == '\0') return nullptr;
    }
}

char *strstr(const char *text, const char *part) {
    // memcmp stops at the first difference, so it never reads past the end of text.
    const size_t length = strlen(part);
    for (;; ++text) {
        if (memcmp(text, part, length) == 0) return const_cast<char *>(text);
        if (*text == '\0') return nullptr;
    }
}

}  // namespace clib
