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
// A Windows directory seen from Linux (a Wine prefix's drive_c/windows): system.ini is a file;
// Wine keeps win.ini [windows] in the prefix's user.reg, two levels up.
SystemSettings readSystemSettings(const std::string &directory) {
    SystemSettings settings;
    std::string text;
    if (readWholeFile(directory + "/system.ini", &text)) {
        settings.registrationFound = iniValue(text, "boot", "scrnsave.exe", &settings.registeredSaver);
    }
    std::string winIni, registry;
    const bool haveWinIni = readWholeFile(directory + "/win.ini", &winIni);
    const bool haveRegistry = readWholeFile(directory + "/../../user.reg", &registry);
    settings.activeFound = (haveWinIni && iniValue(winIni, "windows", "ScreenSaveActive", &settings.active)) ||
                           (haveRegistry && registryFileValue(registry, "ScreenSaveActive", &settings.active));
    settings.timeoutFound = (haveWinIni && iniValue(winIni, "windows", "ScreenSaveTimeout", &settings.timeout)) ||
                            (haveRegistry && registryFileValue(registry, "ScreenSaveTimeout", &settings.timeout));
    return settings;
}

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
