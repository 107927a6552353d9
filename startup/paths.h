// Paths: splitting, rebuilding with parts replaced, and the install names of an engine file.
#pragma once

#include <cstdint>

constexpr int PATH_CAPACITY = 260;  // every path buffer: at most 259 characters and a NUL

// How a path operation ended; the number is the one a run ends with when it ends the run.
enum class PathResult : int32_t {
    Ok = 0,
    TooLong = -1,
    // The path has letters that the system's ANSI code page cannot write, and no short form
    // without them (a volume that keeps no short names): the ANSI functions cannot open it.
    NoAnsiForm = -2,
};

// The four parts of a path: drive ("C:"), directory with its trailing separator, base name,
// extension with its leading dot.
struct PathParts {
    char drive[4];
    char directory[PATH_CAPACITY];
    char baseName[PATH_CAPACITY];
    char extension[PATH_CAPACITY];
};

// Tells whether a byte starts a double-byte character in the system code page, so that its
// trail byte is never taken for a separator or a dot. Null means a single-byte code page.
using LeadByteTest = bool (*)(unsigned char byte);
extern LeadByteTest pathLeadByteTest;

// Copies src into a PATH_CAPACITY buffer; TooLong (dst left empty) when it does not fit.
PathResult copyPath(char *dst, const char *src);

// Splits a path of at most 259 characters; TooLong (parts empty) for a longer one.
PathResult splitPath(const char *path, PathParts *parts);

// Joins parts: the drive letter and a colon, the directory followed by a backslash unless it
// ends in one, the base name, and the extension preceded by a dot unless it starts with one.
// TooLong (out left empty) when the result would not fit PATH_CAPACITY.
PathResult joinPath(const PathParts &parts, char *out);

// Rebuilds the path in place with each given (non-null) part replaced. When the result would
// not fit, the path is left unchanged and TooLong is returned.
PathResult replacePathParts(char *path, const char *drive, const char *directory, const char *baseName,
                            const char *extension);

// The three paths that tie an engine file to its installed saver and player, with the Windows
// directory given: saver target WINDIR\BASE.scr, player beside the engine DIR\BASE.exe and
// player target WINDIR\BASE.exe. TooLong when one of them would not fit (all left empty).
PathResult makeInstallNamesIn(const char *windowsDirectory, const char *enginePath, char *saverTarget,
                              char *playerBeside, char *playerTarget);

// Whether the path names an existing file or directory.
bool fileExists(const char *path);
// The size in bytes (low 32 bits); false with size 0 when the path cannot be examined.
bool getFileSize(const char *path, uint32_t *size);
