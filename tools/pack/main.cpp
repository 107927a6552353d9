// lumivex-pack: assembles installer files of the engine and examines them. The command line is
// cli.cpp's; this file supplies what the doctor reads of the system where it runs.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/pack/assemble.h"
#include "tools/pack/cli.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// A string value of an open key; false when it is absent or of another type.
bool stringValue(HKEY key, const char *name, std::string *value) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::string text(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&text[0]), &size) != ERROR_SUCCESS) {
        return false;
    }
    text.resize(size);
    *value = text.c_str();  // up to the terminating NUL, which the stored string may lack
    return true;
}

// The entries of the list of programs under one root; false when its key cannot be opened.
bool readProgramEntries(HKEY root, const char *rootName, std::vector<ProgramEntry> *entries) {
    HKEY list = nullptr;
    if (RegOpenKeyExA(root, UNINSTALL_KEY, 0, KEY_READ, &list) != ERROR_SUCCESS) return false;
    char name[256];  // the longest key name the registry allows, and its NUL
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        const LONG listed = RegEnumKeyExA(list, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (listed == ERROR_MORE_DATA) continue;  // a name longer than any entry of a saver
        if (listed != ERROR_SUCCESS) break;       // the end of the list, or a list that went meanwhile
        HKEY key = nullptr;
        if (RegOpenKeyExA(list, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        ProgramEntry entry;
        entry.root = rootName;
        entry.name = name;
        stringValue(key, "DisplayName", &entry.displayName);
        stringValue(key, "UninstallString", &entry.uninstallString);
        entry.lumivex =
            RegQueryValueExA(key, "PreviousScreenSaver", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        entries->push_back(entry);
    }
    RegCloseKey(list);
    return true;
}

// The screen saver's policy values under both roots, HKEY_LOCAL_MACHINE's first, which take
// precedence: strings, or dwords in decimal.
void readPolicies(ScreenSaverPolicies *policies) {
    policies->reading = ScreenSaverPolicies::Reading::Read;
    const struct {
        HKEY root;
        const char *name;
    } roots[] = {{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"}};
    for (const auto &root : roots) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root.root, SCREEN_SAVER_POLICY_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        for (const char *name : SCREEN_SAVER_POLICY_VALUES) {
            DWORD type = 0, number = 0, size = sizeof number;
            std::string text;
            if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&number), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD) {
                keepPolicyValue(root.name, name, std::to_string(number), policies);
            } else if (stringValue(key, name, &text)) {
                keepPolicyValue(root.name, name, text, policies);
            }
        }
        RegCloseKey(key);
    }
}

// The system's own settings and path forms.
SystemSettings readSystemSettings(const std::string &) {
    SystemSettings settings;
    char text[MAX_PATH] = {};
    settings.registrationFound =
        GetPrivateProfileStringA("boot", "scrnsave.exe", "", text, sizeof text, "system.ini") > 0;
    settings.registeredSaver = text;
    settings.activeFound = GetProfileStringA("windows", "ScreenSaveActive", "", text, sizeof text) > 0;
    settings.active = text;
    settings.timeoutFound = GetProfileStringA("windows", "ScreenSaveTimeout", "", text, sizeof text) > 0;
    settings.timeout = text;
    const bool machine = readProgramEntries(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", &settings.programs);
    const bool user = readProgramEntries(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", &settings.programs);
    settings.programsRead = machine || user;
    readPolicies(&settings.policies);
    return settings;
}

std::string longForm(const std::string &path) {
    char text[MAX_PATH] = {};
    const DWORD length = GetLongPathNameA(path.c_str(), text, sizeof text);
    return length > 0 && length < sizeof text ? text : "";
}

NameMatch comparePaths(const std::string &registered, const std::string &file) {
    const std::string a = longForm(registered), b = longForm(file);
    if (a.empty() || b.empty()) return NameMatch::Different;
    return lstrcmpiA(a.c_str(), b.c_str()) == 0 ? NameMatch::Same : NameMatch::Different;
}

std::string defaultWindowsDirectory() {
    char text[MAX_PATH] = {};
    GetWindowsDirectoryA(text, sizeof text);
    return text;
}
#else
// A Windows directory seen from Linux: a Wine prefix's drive_c/windows.
SystemSettings readSystemSettings(const std::string &directory) { return readWinePrefixSettings(directory); }

NameMatch comparePaths(const std::string &registered, const std::string &file) {
    return compareFileNames(registered, file);
}

std::string defaultWindowsDirectory() { return ""; }
#endif

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const PackPlatform platform = {readSystemSettings, comparePaths, defaultWindowsDirectory()};
    std::string out, err;
    const int code = runPack(args, platform, &out, &err);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
