// Hooks that only the test build of the engine has (LUMIVEX_TEST_SEAMS); in the shipped engine
// they compile to nothing.
//   LUMIVEX_TEST_VERSION=0x...  the version value that decides the platform class
//   LUMIVEX_TEST_TRACE=file      one line per decision appended to the file, and with
//                                LUMIVEX_TEST_STAMPS=1 "stamp STEP MICROSECONDS" lines that time
//                                the start-up steps from the process's creation
//   LUMIVEX_TEST_HOLD=name       an admitted process sets event "name-entered", then waits (at
//                                most 30 s) for event "name-release" before it cleans up
//   LUMIVEX_TEST_PASSWORD_TIMEOUT=ms  the password question's time-out in place of the standard
//   LUMIVEX_TEST_WRITE_ERROR=n   the installer's first write into the Windows directory is refused
//                                with the system's error n (nothing is tried)
//   LUMIVEX_TEST_ELEVATED=0|1    whether the process counts as running with the administrator's
//                                rights
//   LUMIVEX_TEST_RELAUNCH=declined|failed   the installer's elevated copy is not started: the user
//                                declined, or the start failed. Unset, the copy is started for
//                                real, as the system would start it: elevated, and with the rights
//                                (the two variables above are changed for it). Either way a line
//                                "relaunch FILE PARAMETERS" goes to the trace first
//   LUMIVEX_TEST_NO_SHORT_NAMES=1  paths are treated as on a volume that keeps no short names
//   LUMIVEX_TEST_ENTRY_REFUSED=HKLM|both  the list of programs' key refuses an install's entry
//                                under HKEY_LOCAL_MACHINE, or under both roots
#pragma once

#include <cstdint>

#ifdef LUMIVEX_TEST_SEAMS
bool testVersionOverride(uint32_t *version);
void testTrace(const char *format, ...) __attribute__((format(printf, 1, 2)));
void testHoldInstance();
void testStamp(const char *step);
uint32_t testPasswordTimeout(uint32_t standardMs);
bool testWriteErrorOverride(uint32_t *error);
bool testElevatedOverride(bool *elevated);
bool testRelaunchOverride(bool *started, uint32_t *error);
void testPrepareElevatedCopy();
bool testNoShortNames();
bool testEntryRefused(bool localMachine);
#else
inline bool testVersionOverride(uint32_t *) { return false; }
inline void testTrace(const char *, ...) {}
inline void testHoldInstance() {}
inline void testStamp(const char *) {}
inline uint32_t testPasswordTimeout(uint32_t standardMs) { return standardMs; }
inline bool testWriteErrorOverride(uint32_t *) { return false; }
inline bool testElevatedOverride(bool *) { return false; }
inline bool testRelaunchOverride(bool *, uint32_t *) { return false; }
inline void testPrepareElevatedCopy() {}
inline bool testNoShortNames() { return false; }
inline bool testEntryRefused(bool) { return false; }
#endif
