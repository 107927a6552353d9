// A Windows Installer package of a saver for deployment to many PCs: the .wxs source of NAME.scr and
// NAME.exe in the Windows directory, per machine, with a major upgrade that replaces any earlier
// version, built into NAME.msi by msitools' wixl.
#pragma once

#include <string>

// Empty when the text is a version Windows Installer compares in full, "a.b.c" (a and b at most
// 255, c at most 65535, decimal digits only), else why not.
std::string checkMsiVersion(const std::string &version);

// The upgrade code of a saver: a name-based UUID (SHA-1, RFC 4122 version 5) of its name in ASCII
// lower case within a namespace of Lumivex's own, so every build of one saver shares it. In the
// form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string upgradeCodeFor(const std::string &name);

// The GUID in the form above, or empty when the text is none (braces optional, any letter case).
std::string normalizeGuid(const std::string &text);

// The SHA-1 digest of the bytes, 20 bytes.
std::string sha1(const std::string &bytes);

struct MsiPackage {
    std::string name;         // the saver's name: NAME.scr and NAME.exe
    std::string version;      // a checked "a.b.c"
    std::string publisher;    // empty: "Lumivex"
    std::string upgradeCode;  // a normalised GUID
    std::string saverSource;  // the files that go into the package (in the source: relative to it)
    std::string playerSource;
};

// The WiX source text of the package.
std::string msiSource(const MsiPackage &package);

// Where a program lies on the PATH (on Windows also with ".exe"); empty when it is not there.
std::string findOnPath(const std::string &program);

constexpr const char WIXL_MISSING[] = "wixl was not found; install Debian's package wixl (msitools)";

// Writes the source into a temporary directory and has wixl build it into output (beside it first,
// then renamed, so a failure leaves nothing there). 0, or 1 with a message saying what failed.
int buildMsi(const MsiPackage &package, const std::string &output, std::string *error);
