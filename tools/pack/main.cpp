// lumivex-pack: assembles installer files of the engine and describes engine files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/pack/assemble.h"

namespace {

const char USAGE[] =
    "usage:\n"
    "  lumivex-pack build --engine ENGINE.exe [--engine-win31 ENGINE_A.exe] --player PLAYER.exe\n"
    "                     [--splash1 A.bmp] [--splash2 B.bmp] --name \"Fish Tank\" [--flags 0x4000] -o OUT.exe\n"
    "  lumivex-pack info FILE\n";

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

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return build(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "info") == 0) {
        std::string report;
        const int result = describeEngineFile(argv[2], &report);
        std::fputs(report.c_str(), stdout);
        return result;
    }
    return usage("expected build or info");
}
