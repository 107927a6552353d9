// lumivex-pack: assembles installer files of the engine and describes engine files.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/pack/assemble.h"
#include "tools/pack/doctor.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char USAGE[] =
    "usage:\n"
    "  lumivex-pack build --engine ENGINE.exe [--engine-win31 ENGINE_A.exe] --player PLAYER.exe\n"
    "                     [--splash1 A.bmp] [--splash2 B.bmp] --name \"Fish Tank\" [--flags 0x4000] -o OUT.exe\n"
    "  lumivex-pack info FILE\n"
    "  lumivex-pack doctor [--json] SAVER.scr\n"
    "  lumivex-pack doctor [--json] --windows [DIR]   (DIR: a Windows directory; on Windows, the system's)\n";

int usage(const char *problem) {
    std::fprintf(stderr, "lumivex-pack: %s\n%s", problem, USAGE);
    return 2;
}

int build(int argc, char **argv) {
    AssembleRequest request = {};
    request.flags = 0x4000;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return usage(("missing value after " + option).c_str());
        const std::string value = argv[++i];
        if (option == "--engine") {
            request.engine = value;
        } else if (option == "--engine-win31") {
            request.engineWin31 = value;
        } else if (option == "--player") {
            request.player = value;
        } else if (option == "--splash1") {
            request.splash1 = value;
        } else if (option == "--splash2") {
            request.splash2 = value;
        } else if (option == "--name") {
            request.name = value;
        } else if (option == "--flags") {
            char *end = nullptr;
            const unsigned long flags = std::strtoul(value.c_str(), &end, 0);
            if (end == value.c_str() || *end != '\0' || flags > 0xFFFFFFFFul) return usage("--flags takes a number");
            request.flags = static_cast<uint32_t>(flags);
        } else if (option == "-o") {
            request.output = value;
        } else {
            return usage(("unknown option " + option).c_str());
        }
    }
    if (request.engine.empty() || request.player.empty() || request.output.empty()) {
        return usage("build needs --engine, --player, --name and -o");
    }
    const std::string warning = checkPlayerFile(request.player);
    if (!warning.empty()) std::fprintf(stderr, "lumivex-pack: warning: %s\n", warning.c_str());
    std::string error;
    if (assembleInstaller(request, &error) != 0) {
        std::fprintf(stderr, "lumivex-pack: %s\n", error.c_str());
        return 1;
    }
    std::printf("lumivex-pack: wrote %s\n", request.output.c_str());
    return 0;
}

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

int doctor(int argc, char **argv) {
    bool json = false, windows = false;
    std::string target;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--windows") {
            windows = true;
        } else if (!argument.empty() && argument[0] == '-') {
            return usage(("unknown option " + argument).c_str());
        } else if (target.empty()) {
            target = argument;
        } else {
            return usage("doctor takes one saver file or one directory");
        }
    }
    if (windows && target.empty()) target = defaultWindowsDirectory();
    if (target.empty()) return usage(windows ? "doctor --windows needs DIR here" : "doctor needs a saver file");
    std::vector<Finding> findings;
    if (windows) {
        diagnoseWindowsDirectory(target, readSystemSettings(target), comparePaths, &findings);
    } else {
        diagnoseSaver(target, &findings);
    }
    std::fputs(formatFindings(findings, json).c_str(), stdout);
    return doctorExitCode(findings);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return build(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "info") == 0) {
        std::string report;
        const int result = describeEngineFile(argv[2], &report);
        std::fputs(report.c_str(), stdout);
        return result;
    }
    if (argc >= 2 && std::strcmp(argv[1], "doctor") == 0) return doctor(argc, argv);
    return usage("expected build, info or doctor");
}
