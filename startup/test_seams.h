// Hooks that only the test build of the engine has (LUMIVEX_TEST_SEAMS); in the shipped engine
// they compile to nothing.
//   LUMIVEX_TEST_VERSION=0x...  the version value that decides the platform class
//   LUMIVEX_TEST_TRACE=file      one line per decision appended to the file
//   LUMIVEX_TEST_HOLD=name       an admitted process sets event "name-entered", then waits (at
//                                most 30 s) for event "name-release" before it cleans up
#pragma once

#include <cstdint>

#ifdef LUMIVEX_TEST_SEAMS
bool testVersionOverride(uint32_t *version);
void testTrace(const char *format, ...) __attribute__((format(printf, 1, 2)));
void testHoldInstance();
#else
inline bool testVersionOverride(uint32_t *) { return false; }
inline void testTrace(const char *, ...) {}
inline void testHoldInstance() {}
#endif
