// lumivex-pack run in-process as a maker runs it, without the system's settings: its exit code and
// what it wrote to standard output and standard error.
#pragma once

#include <string>
#include <vector>

#include "tools/pack/cli.h"

struct Outcome {
    int code;
    std::string out, err;
};

inline SystemSettings noSettings(const std::string &) { return SystemSettings(); }

inline Outcome run(const std::vector<std::string> &args) {
    const PackPlatform platform = {noSettings, compareFileNames, ""};
    Outcome outcome;
    outcome.code = runPack(args, platform, &outcome.out, &outcome.err);
    return outcome;
}
