// The registry as the doctor reads it: the system's list of programs (the Uninstall key under
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER), the screen saver's Group Policy values, and the text files in which Wine
// keeps a prefix's registry (system.reg holds HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the list of programs lies under each root (UNINSTALL_KEY), and the value that marks an
// entry an install wrote (PREVIOUS_SAVER_VALUE): the engine's own names.
#include "install/program_entry.h"

// An entry of the list of programs, as far as the doctor reads it.
struct ProgramEntry {
    std::string root;             // "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"
    std::string name;             // its key under UNINSTALL_KEY, such as "Fish Tank.scr"
    std::string displayName;      // DisplayName
    std::string uninstallString;  // UninstallString, such as "C:\WINDOWS\Fish Tank.scr" /u (quotes included)
    bool lumivex = false;         // it has a PreviousScreenSaver value, even an empty one: an install wrote it
};

// The entry's key in full: root, UNINSTALL_KEY and its name.
std::string programEntryKey(const ProgramEntry &entry);

// The file that the entry's UninstallString names: what lies between its first two double quotes,
// else what comes before its first " /" (all of it when there is none).
std::string uninstalledFile(const ProgramEntry &entry);

// A value of a registry file: a string (REG_SZ, and str(N) for the other string types), a dword,
// or another kind (hex data) whose bytes are not read.
struct RegistryFileValue {
    enum class Kind { String, Number, Other };
    std::string name;  // empty for the key's default value, "@"
    Kind kind = Kind::Other;
    std::string text;     // a string's characters, Wine's escapes decoded (see parseRegistryFile)
    uint32_t number = 0;  // a dword's value
};

struct RegistryFileKey {
    std::string path;  // relative to the file's root, its parts joined by single backslashes
    std::vector<RegistryFileValue> values;
};

// The keys of a Wine registry file's text, in their order. A key starts with a line "[PATH] TIME",
// a value is a line "NAME"=DATA (or @=DATA). Names, paths and strings carry Wine's escapes: a
// backslash before a backslash, a double quote or a bracket; \a \b \e \f \n \r \t \v; up to three
// octal digits; \x and up to four hex digits, a UTF-16 code unit, which becomes UTF-8 (a pair of
// surrogates one character, a lone one U+FFFD). Any other line (metadata "#...", comments, the
// continued lines of hex data), an unterminated name or string, and the values of an unterminated
// key are passed over. No decoded text is longer than the text it came from.
std::vector<RegistryFileKey> parseRegistryFile(const std::string &text);

// The entries of the list of programs in a registry file of the root named `root`: the keys
// directly under UNINSTALL_KEY (compared without regard to case), appended to *entries.
void programEntriesOfRegistryFile(const std::vector<RegistryFileKey> &keys, const std::string &root,
                                  std::vector<ProgramEntry> *entries);

// The value named `name` (without regard to case) under any key of the parsed file: a string's
// text, or a dword in decimal; false when no such value of either kind is there.
bool registryValue(const std::vector<RegistryFileKey> &keys, const std::string &name, std::string *value);

// The same for a registry file's text.
bool registryFileValue(const std::string &text, const std::string &name, std::string *value);

// Where Group Policy keeps the screen saver's settings under both roots. The settings of User
// Configuration > Administrative Templates > Control Panel > Personalization write it under
// HKEY_CURRENT_USER; a value under HKEY_LOCAL_MACHINE applies to every user of the computer and
// takes precedence over the same value under HKEY_CURRENT_USER.
constexpr char SCREEN_SAVER_POLICY_KEY[] = "Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

// The values the doctor reads there, in the order of ScreenSaverPolicies' members.
constexpr const char *SCREEN_SAVER_POLICY_VALUES[] = {"ScreenSaveActive", "SCRNSAVE.EXE", "ScreenSaveTimeOut",
                                                      "ScreenSaverIsSecure"};

// One policy value, as found under the root that decides it.
struct PolicyValue {
    bool found = false;
    std::string root;  // "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"
    std::string text;  // a string's text, or a dword in decimal
};

struct ScreenSaverPolicies {
    enum class Reading {
        NotRead,     // the caller did not look
        NoRegistry,  // there is no registry to look in (a directory that is no Wine prefix)
        Read,
    };
    Reading reading = Reading::NotRead;
    PolicyValue active;   // ScreenSaveActive, "Enable screen saver": "0" off, "1" on
    PolicyValue saver;    // SCRNSAVE.EXE, "Force specific screen saver": the saver's path
    PolicyValue timeout;  // ScreenSaveTimeOut, "Screen saver timeout": seconds, "0" never
    PolicyValue secure;   // ScreenSaverIsSecure, "Password protect the screen saver": "0" off, "1" on
};

// Keeps the value named `name` (one of SCREEN_SAVER_POLICY_VALUES, without regard to case) as
// found under `root`, unless a root read before had it: read HKEY_LOCAL_MACHINE first. Other
// names are passed over.
void keepPolicyValue(const std::string &root, const std::string &name, const std::string &text,
                     ScreenSaverPolicies *policies);

// The policy values under SCREEN_SAVER_POLICY_KEY (compared without regard to case) of a registry
// file of the root named `root`, kept as keepPolicyValue keeps them; the reading becomes Read.
void policiesOfRegistryFile(const std::vector<RegistryFileKey> &keys, const std::string &root,
                            ScreenSaverPolicies *policies);
