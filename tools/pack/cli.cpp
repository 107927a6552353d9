#include "tools/pack/cli.h"

#include <cstdlib>

#include "tools/pack/assemble.h"
#include "tools/pack/picture.h"

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION "unknown"
#endif

namespace {

const char EXIT_CODES[] =
    "exit codes: 0 done (doctor: nothing wrong), 1 a failure (doctor: something is wrong), 2 bad usage\n";

const char GENERAL_HELP[] =
    "lumivex-pack " LUMIVEX_VERSION
    ": assembles installer files of the Lumivex screen-saver engine and examines\n"
    "installer and saver files.\n"
    "\n"
    "usage: lumivex-pack COMMAND [OPTIONS]\n"
    "       lumivex-pack COMMAND --help    what one command takes\n"
    "\n"
    "commands:\n"
    "  build    assemble an installer file from the engine, splash pictures and a player\n"
    "  info     show the payload trailer, the parts and the description of an installer or saver file\n"
    "  doctor   say why an installed saver does not start, and how to fix it\n"
    "\n"
    "options:\n"
    "  -h, --help   show this help\n"
    "  --version    show the version\n"
    "\n";

const char BUILD_HELP[] =
    "usage: lumivex-pack build --engine ENGINE.exe --player PLAYER.exe --name NAME -o OUT.exe [OPTIONS]\n"
    "\n"
    "Assembles an installer file: the engine twice (for the Windows 3.1 class, and for the Windows 95\n"
    "and NT classes), the splash pictures, the player and the payload trailer, with NAME in the engine's\n"
    "description. Run on Windows, it installs NAME.scr and NAME.exe into the Windows directory.\n"
    "\n"
    "  --engine FILE        the engine, lumivex.exe\n"
    "  --engine-win31 FILE  another engine for the Windows 3.1 class (default: --engine)\n"
    "  --player FILE        the program that plays the show (see \"Writing a player\" in the README)\n"
    "  --splash1 FILE       the picture of the error screen and of the settings window's lower left:\n"
    "                       a BMP, PNG or JPEG file (default: the engine's own, 305 x 81)\n"
    "  --splash2 FILE       the settings window's top picture, likewise (default 400 x 119)\n"
    "  --name NAME          the saver's name, a file name without extension\n"
    "  --flags N            the trailer's flags (default 0x4000: the player is a 32-bit program)\n"
    "  -o FILE              the installer file to write; after a failure nothing is left there\n"
    "  -h, --help           show this help\n"
    "\n"
    "PNG and JPEG pictures go in as the BMP pictures the engine reads: one of at most 256 colours as\n"
    "an 8-bit picture with exactly its colours, any other as a 24-bit one; transparent parts over\n"
    "black; at most 4096 pixels a side.\n"
    "\n";

const char INFO_HELP[] =
    "usage: lumivex-pack info FILE\n"
    "\n"
    "Shows the payload trailer of an installer or saver file, where its parts lie, its description,\n"
    "and whether the parts add up to the file's size (exit code 1 when they do not).\n"
    "\n"
    "  -h, --help   show this help\n"
    "\n";

const char DOCTOR_HELP[] =
    "usage: lumivex-pack doctor [--json] FILE\n"
    "       lumivex-pack doctor [--json] --windows [DIR]\n"
    "\n"
    "Reads an installed saver (NAME.scr) and the player beside it, or an installer file and the parts\n"
    "it carries, and says on one line per finding what it found and how to fix it. With --windows it\n"
    "does that for every saver of a Windows directory (on Windows the system's, elsewhere DIR, such as\n"
    "a Wine prefix's drive_c/windows) and checks the system's registration and activation settings.\n"
    "It never writes anything.\n"
    "\n"
    "  --json        the findings as a JSON document\n"
    "  --windows     a whole Windows directory\n"
    "  -h, --help    show this help\n"
    "\n";

bool isHelp(const std::string &argument) { return argument == "-h" || argument == "--help"; }

// Bad usage: what is wrong, and where to read how it goes.
int usageError(const std::string &command, const std::string &problem, std::string *err) {
    const std::string program = command.empty() ? "lumivex-pack" : "lumivex-pack " + command;
    *err += program + ": " + problem + "; see '" + program + " --help'\n";
    return 2;
}

int build(const std::vector<std::string> &args, std::string *out, std::string *err) {
    AssembleRequest request = {};
    request.flags = 0x4000;
    const struct {
        const char *option;
        std::string *value;
    } values[] = {{"--engine", &request.engine},   {"--engine-win31", &request.engineWin31},
                  {"--player", &request.player},   {"--splash1", &request.splash1},
                  {"--splash2", &request.splash2}, {"--name", &request.name},
                  {"-o", &request.output}};
    bool named = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &option = args[i];
        if (isHelp(option)) {
            *out += BUILD_HELP;
            *out += EXIT_CODES;
            return 0;
        }
        std::string *target = nullptr;
        for (const auto &value : values) {
            if (option == value.option) target = value.value;
        }
        if (target == nullptr && option != "--flags") {
            return usageError("build",
                              option.empty() || option[0] != '-' ? "unexpected argument '" + option + "'"
                                                                 : "unknown option '" + option + "'",
                              err);
        }
        if (i + 1 >= args.size()) return usageError("build", option + " needs a value", err);
        const std::string &value = args[++i];
        if (target == &request.name) named = true;
        if (target != nullptr) {
            *target = value;
            continue;
        }
        char *end = nullptr;
        const unsigned long long flags = std::strtoull(value.c_str(), &end, 0);
        if (value.empty() || *end != '\0' || value[0] == '-' || flags > 0xFFFFFFFFull) {
            return usageError("build", "--flags takes a number from 0 to 0xFFFFFFFF, not '" + value + "'", err);
        }
        request.flags = static_cast<uint32_t>(flags);
    }
    const struct {
        bool missing;
        const char *what;
    } required[] = {{request.engine.empty(), "--engine, the engine (lumivex.exe)"},
                    {request.player.empty(), "--player, the program that plays the show"},
                    {!named, "--name, the saver's name"},
                    {request.output.empty(), "-o, the installer file to write"}};
    for (const auto &need : required) {
        if (need.missing) return usageError("build", std::string("build needs ") + need.what, err);
    }
    const std::string warning = checkPlayerFile(request.player);
    if (!warning.empty()) *err += "lumivex-pack: warning: --player " + warning + "\n";
    std::string error;
    if (assembleInstaller(request, &error) != 0) {
        *err += "lumivex-pack: " + error + "\n";
        return 1;
    }
    *out += "lumivex-pack: wrote " + request.output + "\n";
    return 0;
}

int info(const std::vector<std::string> &args, std::string *out, std::string *err) {
    std::string file;
    for (size_t i = 1; i < args.size(); ++i) {
        if (isHelp(args[i])) {
            *out += INFO_HELP;
            *out += EXIT_CODES;
            return 0;
        }
        if (!args[i].empty() && args[i][0] == '-') return usageError("info", "unknown option '" + args[i] + "'", err);
        if (!file.empty()) return usageError("info", "info takes one file", err);
        file = args[i];
    }
    if (file.empty()) return usageError("info", "info needs a file", err);
    std::string report;
    const int result = describeEngineFile(file, &report);
    if (result == 0 || report.find(": INCONSISTENT") != std::string::npos) {
        *out += report;
    } else {
        *err += "lumivex-pack: " + report;
    }
    return result;
}

int doctor(const std::vector<std::string> &args, const PackPlatform &platform, std::string *out, std::string *err) {
    bool json = false, windows = false;
    std::string target;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &argument = args[i];
        if (isHelp(argument)) {
            *out += DOCTOR_HELP;
            *out += EXIT_CODES;
            return 0;
        }
        if (argument == "--json") {
            json = true;
        } else if (argument == "--windows") {
            windows = true;
        } else if (!argument.empty() && argument[0] == '-') {
            return usageError("doctor", "unknown option '" + argument + "'", err);
        } else if (target.empty()) {
            target = argument;
        } else {
            return usageError("doctor", "doctor takes one saver file or one directory", err);
        }
    }
    if (windows && target.empty()) target = platform.defaultWindowsDirectory;
    if (target.empty()) {
        return usageError("doctor", windows ? "doctor --windows needs a directory here" : "doctor needs a file", err);
    }
    std::vector<Finding> findings;
    if (windows) {
        diagnoseWindowsDirectory(target, platform.readSystemSettings(target), platform.comparePaths, &findings);
    } else {
        // The settings of the system whose Windows directory holds the file (on Windows: this one).
        const size_t separator = target.find_last_of("\\/");
        const std::string directory = separator == std::string::npos ? "." : target.substr(0, separator);
        diagnoseSaver(target, platform.readSystemSettings(directory), platform.comparePaths, &findings);
    }
    *out += formatFindings(findings, json);
    return doctorExitCode(findings);
}

}  // namespace

int runPack(const std::vector<std::string> &args, const PackPlatform &platform, std::string *out, std::string *err) {
    if (args.empty()) return usageError("", "give a command: build, info or doctor", err);
    const std::string &command = args[0];
    if (isHelp(command) || command == "help") {
        *out += GENERAL_HELP;
        *out += EXIT_CODES;
        return 0;
    }
    if (command == "--version") {
        *out += "lumivex-pack " LUMIVEX_VERSION "\n";
        return 0;
    }
    if (command == "build") return build(args, out, err);
    if (command == "info") return info(args, out, err);
    if (command == "doctor") return doctor(args, platform, out, err);
    if (!command.empty() && command[0] == '-') return usageError("", "unknown option '" + command + "'", err);
    return usageError("", "unknown command '" + command + "'", err);
}
