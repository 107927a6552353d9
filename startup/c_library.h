// The C library's memory and string functions that the engine's code calls, and that the compiler
// may call for copies and clearings of its own, written out here: the engine then needs no C
// runtime DLL. c_library_exports.cpp gives them their C names in the engine; the native tests
// hold them to the C library's results.
#pragma once

#include <cstddef>

namespace clib {

void *memcpy(void *target, const void *source, size_t count);
void *memmove(void *target, const void *source, size_t count);
void *memset(void *target, int value, size_t count);
int memcmp(const void *a, const void *b, size_t count);
void *memchr(const void *block, int value, size_t count);
size_t strlen(const char *text);
char *strcpy(char *target, const char *source);
char *strcat(char *target, const char *source);
int strcmp(const char *a, const char *b);
char *strchr(const char *text, int value);
char *strstr(const char *text, const char *part);

}  // namespace clib
