// What the stand-ins for the system's password services share: a record file of their calls
// (LUMIVEX_DOUBLE_RECORD) and the answers the test wants (LUMIVEX_DOUBLE_ANSWERS, a comma list
// used in order, one per recorded call; the last repeats). The library is loaded and freed for
// every call, so the count of calls lives in the record file, not in memory.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

inline int recordedCalls(const char *path) {
    FILE *file = std::fopen(path, "r");
    if (file == nullptr) return 0;
    int lines = 0;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) lines += c == '\n' ? 1 : 0;
    std::fclose(file);
    return lines;
}

// Records the call and returns the answer for it (1 when no answers are given).
inline int recordCall(const char *what) {
    const char *path = std::getenv("LUMIVEX_DOUBLE_RECORD");
    const int call = path != nullptr ? recordedCalls(path) : 0;
    if (path != nullptr) {
        FILE *file = std::fopen(path, "a");
        if (file != nullptr) {
            std::fprintf(file, "%s\n", what);
            std::fclose(file);
        }
    }
    const char *answers = std::getenv("LUMIVEX_DOUBLE_ANSWERS");
    if (answers == nullptr || *answers == '\0') return 1;
    int answer = std::atoi(answers);
    for (int i = 0; i < call; ++i) {
        const char *comma = std::strchr(answers, ',');
        if (comma == nullptr) break;
        answers = comma + 1;
        answer = std::atoi(answers);
    }
    return answer;
}
