// Results of the engine's code printed by name in test failures.
#pragma once

#include <ostream>

#include "payload/file_result.h"
#include "startup/paths.h"

inline const char *resultName(FileResult result) {
    switch (result) {
        case FileResult::Ok: return "Ok";
        case FileResult::NoBuffer: return "NoBuffer (-1)";
        case FileResult::OpenFailed: return "OpenFailed (-2)";
        case FileResult::ShortRead: return "ShortRead (-3)";
        case FileResult::ShortWrite: return "ShortWrite (-4)";
        case FileResult::SeekFailed: return "SeekFailed (-5)";
    }
    return "?";
}
inline void PrintTo(FileResult result, std::ostream *out) { *out << resultName(result); }

inline void PrintTo(PathResult result, std::ostream *out) { *out << (result == PathResult::Ok ? "Ok" : "TooLong (-1)"); }
