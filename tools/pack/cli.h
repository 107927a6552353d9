// lumivex-pack's command line: the commands, their help, and every message of bad usage. The
// platform's parts of the doctor (how the system's settings are read and its paths compared) come
// from the caller, so that all of it runs the same in the native tests.
#pragma once

#include <string>
#include <vector>

#include "tools/pack/doctor.h"

struct PackPlatform {
    SystemSettings (*readSystemSettings)(const std::string &windowsDirectory);
    PathComparer comparePaths;
    std::string defaultWindowsDirectory;  // empty where there is none (on Linux)
};

// Runs the command line (without the program's name); what goes to standard output and standard
// error is appended to *out and *err. The exit code: 0 done (doctor: nothing wrong), 1 a failure
// (doctor: something is wrong), 2 bad usage.
int runPack(const std::vector<std::string> &args, const PackPlatform &platform, std::string *out, std::string *err);
