// Hooks that only the test build of the engine has (LUMIVEX_TEST_SEAMS); in the shipped engine
// they compile to nothing.
//   LUMIVEX_TEST_VERSION=0x...  the version value that decides the platform class
//   LUMIVEX_TEST_TRACE=file      one line per decision appended to the file, and with
//                                LUMIVEX_TEST_STAMPS=1 "stamp STEP MICROSECONDS" lines that time
//                                the start-up steps from the process's creation
//   LUMIVEX_TEST_HOLD=name       an admitted process sets event "name-entered", then waits (at
//                                most 30 s) for event "name-release" before it cleans up
//   LUMIVEX_TEST_PASSWORD_TIMEOUT=ms  the password question's time-out in place of the standard
#pragma once

#include <cstdint>

#ifdef LUMIVEX_TEST_SEAMS
bool testVersionOverride(uint32_t *version);
void testTrace(const char *format, ...) __attribute__((format(printf, 1, 2)));
void testHoldInstance();
void testStamp(const char *step);
uint32_t testPasswordTimeout(uint32_t standardMs);
#else
inline bool testVersionOverride(uint32_t *) { return false; }
inline void testTrace(const char *, ...) {}
inline void testHoldInstance() {}
inline void testStamp(const char *) {}
inline uint32_t testPasswordTimeout(uint32_t standardMs) { return standardMs; }
#endif
