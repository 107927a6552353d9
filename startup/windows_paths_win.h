// Paths against the system's own Windows directory.
#pragma once

#include <windows.h>

#include "startup/paths.h"

// The Windows directory as GetWindowsDirectoryA gives it; TooLong (out empty) when it cannot be
// had in a path buffer.
PathResult windowsDirectory(char *out);
// makeInstallNamesIn with that directory.
PathResult makeInstallNames(const char *enginePath, char *saverTarget, char *playerBeside, char *playerTarget);

// A path that the system gives in UTF-16, as the engine's ANSI functions open it: the path itself
// when the system's code page writes every letter of it (converted back, it gives the same
// letters), else its short form (GetShortPathNameW; short names are plain letters). NoAnsiForm
// when neither will do, TooLong when the form does not fit a path buffer.
PathResult ansiFormOf(const WCHAR *wide, char *out);

// The engine's own file. On NT the module's name is read in UTF-16 and taken in its ANSI form, so
// that a folder named in another script than the system's (C:\Users\Иван on a Western system, where
// GetModuleFileNameA writes "?" for every such letter) still names the file; Windows 95, which has
// no UTF-16 names, gives the ANSI name as it is.
PathResult ownFilePath(HINSTANCE instance, char *out);

// The "/z" argument of the command line in the same way: when the UTF-16 command line's "/z"
// text differs from the ANSI one, *playerFile is pointed at its ANSI form in the buffer. Ok with
// nothing changed where the system has no UTF-16 command line, or where the text is too long for
// a path (the installer refuses it then).
PathResult widePlayerFile(char *buffer, const char **playerFile);

// Whether two paths name the same file: equal letter case aside, or with equal short forms (the
// system registers its saver by its short path).
bool sameFile(const char *a, const char *b);
