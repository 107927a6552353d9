// The names an install works with, and the rule for the base name a saver is installed under.
#pragma once

// The working names of an install in the Windows directory: the finishing copy of the new saver
// (".exe"), the temporary saver (".scr") and player (".exe") that are moved into place, and the
// earlier saver and player (".scr", ".exe") kept aside until the new ones are in place.
constexpr char FINISHING_COPY_NAME[] = "Inst9753";
constexpr char TEMP_SAVER_NAME[] = "Inst9754";
constexpr char TEMP_PLAYER_NAME[] = "Inst9755";
constexpr char BACKUP_NAME[] = "Inst9756";
// The removal's helper, a copy of the saver in the temporary folder that finishes its removal.
constexpr char REMOVAL_HELPER_FILE[] = "Inst9757.exe";

#include "startup/paths.h"

// The path with base name "Inst9753" and extension "exe", beside the given one; for an empty path
// that bare name. TooLong (and an empty result) when it does not fit.
PathResult finishingCopyPath(const char *path, char *out);

// Why a text cannot be the base name of an installed saver and its player.
enum class FinalNameProblem {
    None,
    Empty,
    ForbiddenCharacter,  // a separator, drive colon, quote, wildcard, pipe or control character
    DotName,             // "." or "..": names a directory
    WorkingName,         // one of the working names in any letter case: the install would
                         // delete or replace its own working files
    EndsInLeadByte,      // the last byte starts a double-byte character: the "." of the
                         // extension would be taken as its second byte
};

// Checks the text as a base name (bytes of the system code page; trail bytes of double-byte
// characters, found through pathLeadByteTest, are never taken for characters of their own).
FinalNameProblem finalNameProblem(const char *baseName);
inline bool usableAsFinalName(const char *baseName) { return finalNameProblem(baseName) == FinalNameProblem::None; }
