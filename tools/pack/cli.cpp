#include "tools/pack/cli.h"

#include <cstdlib>
#include <filesystem>

#include "payload/trailer.h"
#include "tools/pack/assemble.h"
#include "tools/pack/msi.h"
#include "tools/pack/picture.h"
#include "tools/pack/saver_files.h"

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
    "  saver    write NAME.scr and NAME.exe as an install leaves them in the Windows directory\n"
    "  msi      build a Windows Installer package of the saver, for deployment to many PCs\n"
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

#define SAVER_INPUTS                                                                                     \
    "The saver's files come from an installer file (--installer, signed or not), or from what 'build'\n" \
    "takes (--engine, --engine-win31, --player, --splash1, --splash2, --name, --flags).\n"               \
    "\n"                                                                                                 \
    "  --installer FILE     an installer file that 'build' wrote\n"                                      \
    "  --name NAME          the saver's name (default: the installer's description)\n"

const char SAVER_HELP[] =
    "usage: lumivex-pack saver --installer FILE [--class CLASS] [--name NAME] [-o DIR]\n"
    "       lumivex-pack saver --engine ENGINE.exe --player PLAYER.exe --name NAME [OPTIONS] [-o DIR]\n"
    "\n"
    "Writes NAME.scr and NAME.exe exactly as an install on the class leaves them in the Windows\n"
    "directory: the saver (the class's engine image, the splash bitmaps, the trailer) and the player.\n"
    "They are not registered and not in the list of programs; the maker may sign them.\n"
    "\n" SAVER_INPUTS
    "  --class CLASS        win95 (default), winNT (the same files) or win31\n"
    "  -o DIR               the directory to write into (default: the current one); after a failure\n"
    "                       neither file is written there\n"
    "  -h, --help           show this help\n"
    "\n";

const char MSI_HELP[] =
    "usage: lumivex-pack msi --installer FILE --version A.B.C [OPTIONS]\n"
    "       lumivex-pack msi --engine ENGINE.exe --player PLAYER.exe --name NAME --version A.B.C [OPTIONS]\n"
    "       lumivex-pack msi --saver-dir DIR --version A.B.C [OPTIONS]\n"
    "\n"
    "Builds NAME.msi with msitools' wixl (found on the PATH): a per-machine package that puts\n"
    "NAME.scr and NAME.exe (of the Windows 95 and NT classes) into the Windows directory and lists\n"
    "\"NAME (screen saver)\" among the programs. A newer version replaces an older one (a major upgrade\n"
    "of one upgrade code), so the list holds one entry. It does not choose the saver: set it by policy.\n"
    "\n" SAVER_INPUTS
    "  --saver-dir DIR      NAME.scr and NAME.exe that 'saver' wrote (perhaps signed since); the name\n"
    "                       is that of the one .scr file there unless --name gives it\n"
    "  --version A.B.C      the package's version: a and b at most 255, c at most 65535\n"
    "  --publisher TEXT     the publisher in the list of programs (default: Lumivex)\n"
    "  --upgrade-code GUID  the upgrade code (default: derived from the name, the same for every build)\n"
    "  -o FILE              the package to write (default: NAME.msi); after a failure nothing is there\n"
    "  -h, --help           show this help\n"
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

// The options of saver and msi, as given.
struct SaverOptions {
    AssembleRequest build = {};
    bool flagsGiven = false, named = false;
    std::string installer, saverDir, classText = "win95", output;
    std::string version, publisher, upgradeCode;
};

// Reads the options that the command takes (msi: its own as well); 0, 2 after bad usage, or -1
// after the help was shown.
int parseSaverOptions(const std::string &command, const std::vector<std::string> &args, SaverOptions *o,
                      std::string *out, std::string *err) {
    const bool msi = command == "msi";
    o->build.flags = 0x4000;
    struct Value {
        const char *option;
        std::string *value;
        bool msiOnly, saverOnly;
    };
    std::string flags;
    const Value values[] = {{"--engine", &o->build.engine, false, false},
                            {"--engine-win31", &o->build.engineWin31, false, false},
                            {"--player", &o->build.player, false, false},
                            {"--splash1", &o->build.splash1, false, false},
                            {"--splash2", &o->build.splash2, false, false},
                            {"--name", &o->build.name, false, false},
                            {"--flags", &flags, false, false},
                            {"--installer", &o->installer, false, false},
                            {"-o", &o->output, false, false},
                            {"--class", &o->classText, false, true},
                            {"--saver-dir", &o->saverDir, true, false},
                            {"--version", &o->version, true, false},
                            {"--publisher", &o->publisher, true, false},
                            {"--upgrade-code", &o->upgradeCode, true, false}};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &option = args[i];
        if (isHelp(option)) {
            *out += msi ? MSI_HELP : SAVER_HELP;
            *out += EXIT_CODES;
            return -1;
        }
        const Value *target = nullptr;
        for (const Value &value : values) {
            if (option == value.option && !(msi ? value.saverOnly : value.msiOnly)) target = &value;
        }
        if (target == nullptr) {
            return usageError(command,
                              option.empty() || option[0] != '-' ? "unexpected argument '" + option + "'"
                                                                 : "unknown option '" + option + "'",
                              err);
        }
        if (i + 1 >= args.size()) return usageError(command, option + " needs a value", err);
        *target->value = args[++i];
        if (target->value == &o->build.name) o->named = true;
        if (target->value == &flags) o->flagsGiven = true;
    }
    if (o->flagsGiven) {
        char *end = nullptr;
        const unsigned long long value = std::strtoull(flags.c_str(), &end, 0);
        if (flags.empty() || *end != '\0' || flags[0] == '-' || value > 0xFFFFFFFFull) {
            return usageError(command, "--flags takes a number from 0 to 0xFFFFFFFF, not '" + flags + "'", err);
        }
        o->build.flags = static_cast<uint32_t>(value);
    }
    const bool fromBuild = !o->build.engine.empty() || !o->build.engineWin31.empty() || !o->build.player.empty() ||
                           !o->build.splash1.empty() || !o->build.splash2.empty() || o->flagsGiven;
    const int sources = (fromBuild ? 1 : 0) + (o->installer.empty() ? 0 : 1) + (o->saverDir.empty() ? 0 : 1);
    const std::string choices = msi ? "--installer FILE, --saver-dir DIR or build's inputs (--engine, --player, --name)"
                                    : "--installer FILE or build's inputs (--engine, --player, --name)";
    if (sources == 0) return usageError(command, command + " needs " + choices, err);
    if (sources > 1) return usageError(command, command + " takes one of " + choices, err);
    if (fromBuild && (o->build.engine.empty() || o->build.player.empty() || !o->named)) {
        return usageError(command, command + " needs --engine, --player and --name together", err);
    }
    SaverClass ignored;
    if (!parseSaverClass(o->classText, &ignored)) {
        return usageError(command, "--class takes win95, winNT or win31, not '" + o->classText + "'", err);
    }
    if (msi && o->version.empty()) return usageError(command, "msi needs --version A.B.C", err);
    return 0;
}

// The saver's files and name from an installer file, or from build's inputs assembled on the way.
int saverFilesOf(const SaverOptions &o, SaverClass saverClass, SaverFiles *files, std::string *name,
                 std::string *error) {
    if (o.named) {
        const std::string problem = checkSaverName(o.build.name);
        if (!problem.empty()) {
            *error = "--name \"" + o.build.name + "\": " + problem;
            return 1;
        }
    }
    std::string installer = o.installer, work;
    if (installer.empty()) {
        work = makeTemporaryDirectory(error);
        if (work.empty()) return 1;
        AssembleRequest request = o.build;
        request.output = installer = work + "/installer.exe";
        if (assembleInstaller(request, error) != 0) {
            std::error_code ignored;
            std::filesystem::remove_all(work, ignored);
            return 1;
        }
    }
    const int result = cutSaverFiles(installer, saverClass, files, error);
    if (!work.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(work, ignored);
    }
    if (result != 0) return result;
    *name = o.named ? o.build.name : files->name;
    if (name->empty()) {
        *error = installer + ": the installer has no description; give the saver's name with --name";
        return 1;
    }
    const std::string problem = checkSaverName(*name);
    if (!problem.empty()) {
        *error = installer + ": its description \"" + *name + "\" cannot name the saver: " + problem +
                 "; give the saver's name with --name";
        return 1;
    }
    return 0;
}

int failure(const std::string &command, const std::string &error, std::string *err) {
    *err += "lumivex-pack " + command + ": " + error + "\n";
    return 1;
}

int saver(const std::vector<std::string> &args, std::string *out, std::string *err) {
    SaverOptions o;
    const int parsed = parseSaverOptions("saver", args, &o, out, err);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;
    SaverClass saverClass = SaverClass::Win95;
    parseSaverClass(o.classText, &saverClass);
    SaverFiles files;
    std::string name, error;
    const std::string directory = o.output.empty() ? "." : o.output;
    if (saverFilesOf(o, saverClass, &files, &name, &error) != 0 ||
        writeSaverFiles(files, name, directory, &error) != 0) {
        return failure("saver", error, err);
    }
    *out += "lumivex-pack saver: wrote " + directory + "/" + name + ".scr and " + directory + "/" + name + ".exe\n";
    return 0;
}

// The one NAME.scr of a directory; empty when there is none or more than one.
std::string onlySaverIn(const std::string &directory) {
    std::string found;
    int count = 0;
    std::error_code failed;
    for (const auto &entry : std::filesystem::directory_iterator(directory, failed)) {
        const std::filesystem::path file = entry.path();
        if (file.extension() == ".scr") {
            found = file.stem().string();
            ++count;
        }
    }
    return count == 1 ? found : "";
}

int msi(const std::vector<std::string> &args, std::string *out, std::string *err) {
    SaverOptions o;
    const int parsed = parseSaverOptions("msi", args, &o, out, err);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;
    std::string error = checkMsiVersion(o.version);
    if (!error.empty()) return usageError("msi", error, err);
    if (findOnPath("wixl").empty()) return failure("msi", WIXL_MISSING, err);
    std::string upgradeCode;
    if (!o.upgradeCode.empty()) {
        upgradeCode = normalizeGuid(o.upgradeCode);
        if (upgradeCode.empty()) {
            return usageError(
                "msi", "--upgrade-code '" + o.upgradeCode + "': give a GUID, XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX",
                err);
        }
    }
    MsiPackage package;
    std::string work;
    if (!o.saverDir.empty()) {
        package.name = o.named ? o.build.name : onlySaverIn(o.saverDir);
        if (package.name.empty()) {
            return failure("msi", "--saver-dir " + o.saverDir + ": holds no single NAME.scr; give the name with --name",
                           err);
        }
        package.saverSource = o.saverDir + "/" + package.name + ".scr";
        package.playerSource = o.saverDir + "/" + package.name + ".exe";
        std::string player;
        for (const std::string &file : {package.saverSource, package.playerSource}) {
            if (!readWholeFile(file, &player))
                return failure("msi", "--saver-dir " + file + ": " + fileProblem(file), err);
        }
        // The saver starts only a player of the size its trailer gives: one signed after 'saver'
        // has grown by its certificate table.
        PayloadTrailer trailer;
        if (readPayloadTrailer(package.saverSource.c_str(), &trailer) != FileResult::Ok) {
            return failure("msi", "--saver-dir " + package.saverSource + ": not a saver file", err);
        }
        if (player.size() != trailer.playerSize) {
            return failure("msi",
                           "--saver-dir " + package.playerSource + ": the player has " + std::to_string(player.size()) +
                               " bytes, the saver expects " + std::to_string(trailer.playerSize) +
                               ", so the saver would not start it (sign a player before 'build', never after 'saver')",
                           err);
        }
    } else {
        SaverFiles files;
        if (saverFilesOf(o, SaverClass::Win95, &files, &package.name, &error) != 0 ||
            (work = makeTemporaryDirectory(&error)).empty() ||
            writeSaverFiles(files, package.name, work, &error) != 0) {
            if (!work.empty()) std::filesystem::remove_all(work);
            return failure("msi", error, err);
        }
        package.saverSource = work + "/" + package.name + ".scr";
        package.playerSource = work + "/" + package.name + ".exe";
    }
    package.version = o.version;
    package.publisher = o.publisher;
    package.upgradeCode = upgradeCode.empty() ? upgradeCodeFor(package.name) : upgradeCode;
    const std::string output = o.output.empty() ? package.name + ".msi" : o.output;
    const int result = buildMsi(package, output, &error);
    if (!work.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(work, ignored);
    }
    if (result != 0) return failure("msi", error, err);
    *out += "lumivex-pack msi: wrote " + output + " (\"" + package.name + " (screen saver)\" " + package.version +
            ", upgrade code " + package.upgradeCode + ")\n";
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
    if (args.empty()) return usageError("", "give a command: build, info, doctor, saver or msi", err);
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
    if (command == "saver") return saver(args, out, err);
    if (command == "msi") return msi(args, out, err);
    if (!command.empty() && command[0] == '-') return usageError("", "unknown option '" + command + "'", err);
    return usageError("", "unknown command '" + command + "'", err);
}
