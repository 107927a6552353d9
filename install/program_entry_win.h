// The saver's entry in the system's list of programs, written by an install on the win95 and
// winNT classes and removed by the saver's removal.
#pragma once

#include <windows.h>

// An entry is written under HKEY_LOCAL_MACHINE, the list every user sees. Where that key refuses
// the write (a policy, or rights that an install into the Windows directory had but the registry
// does not grant), the entry goes under HKEY_CURRENT_USER instead: Windows 2000 and later list
// those entries too, for that user, and the saver is then still removable from the list.
// Returns the root it was written under, or null when neither took it (nothing is left behind).
HKEY writeProgramEntry(const char *saverPath, const char *playerPath, const char *previousSaver);

// Finds the saver's entry, HKEY_LOCAL_MACHINE first: its root, or null. previousSaver
// (PATH_CAPACITY bytes) gets the saver registered before the install ("" when none was, or when
// there is no entry).
HKEY findProgramEntry(const char *saverPath, char *previousSaver);

// Deletes the saver's entry under the root; true when it is gone.
bool deleteProgramEntry(HKEY root, const char *saverPath);
