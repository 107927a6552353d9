// The engine's C library functions under their C names, linked only into the engine programs
// (which take nothing from a C runtime DLL); elsewhere the C library itself serves these names.
#include <cstring>

#include "startup/c_library.h"

extern "C" {

void *memcpy(void *target, const void *source, size_t count) { return clib::memcpy(target, source, count); }
void *memmove(void *target, const void *source, size_t count) { return clib::memmove(target, source, count); }
void *memset(void *target, int value, size_t count) { return clib::memset(target, value, count); }
int memcmp(const void *a, const void *b, size_t count) { return clib::memcmp(a, b, count); }
void *memchr(const void *block, int value, size_t count) { return clib::memchr(block, value, count); }
size_t strlen(const char *text) { return clib::strlen(text); }
char *strcpy(char *target, const char *source) { return clib::strcpy(target, source); }
char *strcat(char *target, const char *source) { return clib::strcat(target, source); }
int strcmp(const char *a, const char *b) { return clib::strcmp(a, b); }
char *strchr(const char *text, int value) { return clib::strchr(text, value); }
char *strstr(const char *text, const char *part) { return clib::strstr(text, part); }
}
