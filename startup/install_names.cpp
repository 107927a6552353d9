#include "startup/install_names.h"

#include <cstring>

#include "startup/paths.h"

namespace {

bool isLeadByte(char c) { return pathLeadByteTest != nullptr && pathLeadByteTest(static_cast<unsigned char>(c)); }

// Letter case is ignored the way the file system ignores it for these plain ASCII names.
bool equalIgnoringCase(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 'a' + 'A') : *a;
        const char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 'a' + 'A') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

PathResult finishingCopyPath(const char *path, char *out) {
    char result[PATH_CAPACITY];
    PathResult status = copyPath(result, path);
    if (status == PathResult::Ok) status = replacePathParts(result, nullptr, nullptr, FINISHING_COPY_NAME, "exe");
    if (status == PathResult::Ok) status = copyPath(out, result);
    if (status != PathResult::Ok) out[0] = '\0';
    return status;
}

FinalNameProblem finalNameProblem(const char *baseName) {
    if (baseName[0] == '\0') return FinalNameProblem::Empty;
    for (const char *p = baseName; *p != '\0'; ++p) {
        if (isLeadByte(*p)) {
            if (p[1] == '\0') return FinalNameProblem::EndsInLeadByte;
            ++p;  // the trail byte belongs to the character
            continue;
        }
        if (std::strchr("\\/:\"*?<>|", *p) != nullptr || static_cast<unsigned char>(*p) < 32) {
            return FinalNameProblem::ForbiddenCharacter;
        }
    }
    if (std::strcmp(baseName, ".") == 0 || std::strcmp(baseName, "..") == 0) return FinalNameProblem::DotName;
    static const char *const workingNames[] = {FINISHING_COPY_NAME, TEMP_SAVER_NAME, TEMP_PLAYER_NAME, BACKUP_NAME};
    for (const char *working : workingNames) {
        if (equalIgnoringCase(baseName, working)) return FinalNameProblem::WorkingName;
    }
    return FinalNameProblem::None;
}
