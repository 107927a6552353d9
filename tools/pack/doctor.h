// "lumivex-pack doctor": why an installed saver does not start, and what to do about it. It reads
// an installed saver file and the player beside it, or every engine file of a Windows directory
// with the system's registration and activation settings; it never writes anything.
#pragma once

#include <string>
#include <vector>

#include "tools/pack/registry_file.h"

enum class Severity {
    Ok,       // a fact worth knowing; nothing to do
    Warning,  // something is wrong but the saver may still start
    Error,    // the saver will not start, or not as installed
};

struct Finding {
    Severity severity;
    std::string subject;  // the file or setting it is about
    std::string text;     // what was found
    std::string fix;      // what to do; empty for Ok
};

// What the system says about screen savers, as the caller read it (absent: found false).
struct SystemSettings {
    bool registrationFound = false;
    std::string registeredSaver;  // system.ini [boot] "scrnsave.exe"
    bool activeFound = false;
    std::string active;  // win.ini [windows] "ScreenSaveActive"
    bool timeoutFound = false;
    std::string timeout;  // win.ini [windows] "ScreenSaveTimeout", seconds
    bool programsRead = false;           // the list of programs could be read under one root at least
    std::vector<ProgramEntry> programs;  // its entries under both roots
    ScreenSaverPolicies policies;        // what Group Policy decides instead of the user
};

// How a registered path names one of the directory's files; the platform layer compares the
// system's short and long path forms where it can.
enum class NameMatch {
    Same,
    Different,
    Likely,  // a short (8.3) name that could not be resolved, whose first letters fit the file's
};
using PathComparer = NameMatch (*)(const std::string &registered, const std::string &file);

// An installed saver (image, splash bitmaps, trailer) and NAME.exe beside it, or an installer file
// and the parts it carries. With the system's settings, also whether an installed saver of the
// Windows 95 and NT classes (image B) is in the list of programs, when that could be read: an
// entry that an install wrote whose UninstallString names the file (compared as `compare` does),
// and what the policies (when they were read) and the user's activation settings mean for it.
// An image B and an image A of the same size cannot be told apart; such a saver counts as image B.
void diagnoseSaver(const std::string &saverPath, std::vector<Finding> *findings);
void diagnoseSaver(const std::string &saverPath, const SystemSettings &settings, PathComparer compare,
                   std::vector<Finding> *findings);

// The comparison where only file names can be compared (the paths' last parts, without regard to
// case). A short (8.3) name cannot be worked out without the system, but it keeps the first
// letters of the long name (blanks and dots left out) and its extension: such a name is Likely.
NameMatch compareFileNames(const std::string &registered, const std::string &file);

// Every file of the directory that carries the engine's trailer (with its entry in the list of
// programs), the entries of the list that an install wrote for a saver the directory no longer
// holds, the registration, the activation settings, the policies for all of the directory's
// savers together and leftovers of an unfinished install. False
// (with one Error finding) when the directory cannot be listed.
bool diagnoseWindowsDirectory(const std::string &directory, const SystemSettings &settings, PathComparer compare,
                              std::vector<Finding> *findings);

// One line per finding ("error   SUBJECT: TEXT Fix: FIX"), or a JSON document.
std::string formatFindings(const std::vector<Finding> &findings, bool json);

// 0 when nothing is wrong, 1 when a finding is a Warning or an Error.
int doctorExitCode(const std::vector<Finding> &findings);

// The value of KEY in [SECTION] of INI text (both compared without regard to case); false when
// it is not there.
bool iniValue(const std::string &text, const std::string &section, const std::string &key, std::string *value);

// What a Wine prefix says, seen from outside it: system.ini [boot] in the Windows directory given
// (a prefix's drive_c/windows); win.ini [windows] there, else the same values that Wine keeps in the
// prefix's user.reg; the list of programs from the prefix's system.reg (HKEY_LOCAL_MACHINE) and
// user.reg (HKEY_CURRENT_USER), two levels up, and the policies from both (NoRegistry when neither
// file is there).
SystemSettings readWinePrefixSettings(const std::string &windowsDirectory);
