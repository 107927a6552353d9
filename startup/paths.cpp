#include "startup/paths.h"

#include <sys/stat.h>

#include <cstring>

LeadByteTest pathLeadByteTest = nullptr;

namespace {

bool isLeadByte(char c) { return pathLeadByteTest != nullptr && pathLeadByteTest(static_cast<unsigned char>(c)); }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Copies [from, to) of a path into a part buffer of the given capacity (the caller has checked
// that the whole path fits, so every part fits too).
void copyPart(char *dst, const char *from, const char *to) {
    const size_t n = static_cast<size_t>(to - from);
    std::memcpy(dst, from, n);
    dst[n] = '\0';
}

}  // namespace

int copyPath(char *dst, const char *src) {
    const size_t n = std::strlen(src);
    if (n >= static_cast<size_t>(PATH_CAPACITY)) {
        dst[0] = '\0';
        return PATH_TOO_LONG;
    }
    std::memcpy(dst, src, n + 1);
    return 0;
}

int splitPath(const char *path, PathParts *parts) {
    *parts = PathParts{};
    const size_t length = std::strlen(path);
    if (length >= static_cast<size_t>(PATH_CAPACITY)) return PATH_TOO_LONG;

    const char *end = path + length;
    const char *rest = path;
    if (length >= 2 && path[1] == ':' && !isLeadByte(path[0])) {
        copyPart(parts->drive, path, path + 2);
        rest = path + 2;
    }
    // One walk that skips trail bytes: the last separator ends the directory, and the last dot
    // after it starts the extension.
    const char *afterDirectory = rest;
    const char *lastDot = nullptr;
    for (const char *p = rest; p < end; ++p) {
        if (isLeadByte(*p)) {
            if (p + 1 < end) ++p;
            continue;
        }
        if (isSeparator(*p)) {
            afterDirectory = p + 1;
            lastDot = nullptr;
        } else if (*p == '.') {
            lastDot = p;
        }
    }
    const char *extension = lastDot != nullptr ? lastDot : end;
    copyPart(parts->directory, rest, afterDirectory);
    copyPart(parts->baseName, afterDirectory, extension);
    copyPart(parts->extension, extension, end);
    return 0;
}

int joinPath(const PathParts &parts, char *out) {
    char joined[4 * PATH_CAPACITY];
    size_t n = 0;
    auto append = [&](const char *text) {
        const size_t k = std::strlen(text);
        std::memcpy(joined + n, text, k);
        n += k;
    };
    if (parts.drive[0] != '\0') {
        joined[n++] = parts.drive[0];
        joined[n++] = ':';
    }
    const size_t directoryLength = std::strlen(parts.directory);
    if (directoryLength > 0) {
        append(parts.directory);
        if (!isSeparator(parts.directory[directoryLength - 1])) joined[n++] = '\\';
    }
    append(parts.baseName);
    if (parts.extension[0] != '\0') {
        if (parts.extension[0] != '.') joined[n++] = '.';
        append(parts.extension);
    }
    joined[n] = '\0';
    return copyPath(out, joined);
}

int replacePathParts(char *path, const char *drive, const char *directory, const char *baseName,
                     const char *extension) {
    PathParts parts;
    if (splitPath(path, &parts) != 0) return PATH_TOO_LONG;
    if ((drive != nullptr && std::strlen(drive) >= sizeof parts.drive) ||
        (directory != nullptr && copyPath(parts.directory, directory) != 0) ||
        (baseName != nullptr && copyPath(parts.baseName, baseName) != 0) ||
        (extension != nullptr && copyPath(parts.extension, extension) != 0)) {
        return PATH_TOO_LONG;
    }
    if (drive != nullptr) std::strcpy(parts.drive, drive);
    char rebuilt[PATH_CAPACITY];
    if (joinPath(parts, rebuilt) != 0) return PATH_TOO_LONG;
    std::strcpy(path, rebuilt);
    return 0;
}

int makeInstallNamesIn(const char *windowsDirectory, const char *enginePath, char *saverTarget,
                       char *playerBeside, char *playerTarget) {
    saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
    PathParts engine;
    PathParts windows;
    if (splitPath(enginePath, &engine) != 0 || splitPath(windowsDirectory, &windows) != 0) return PATH_TOO_LONG;

    // The targets' directory is the whole Windows directory without its drive.
    PathParts target = {};
    std::strcpy(target.drive, windows.drive);
    char *d = target.directory;
    d += std::strlen(std::strcpy(d, windows.directory));
    d += std::strlen(std::strcpy(d, windows.baseName));
    std::strcpy(d, windows.extension);
    std::strcpy(target.baseName, engine.baseName);

    PathParts beside = engine;
    std::strcpy(beside.extension, "exe");
    std::strcpy(target.extension, "exe");
    int result = joinPath(beside, playerBeside);
    if (result == 0) result = joinPath(target, playerTarget);
    std::strcpy(target.extension, "scr");
    if (result == 0) result = joinPath(target, saverTarget);
    if (result != 0) saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
    return result;
}

int fileExists(const char *path) {
    struct stat status;
    return stat(path, &status) == 0 ? 1 : 0;
}

int getFileSize(const char *path, unsigned long *size) {
    *size = 0;
    struct stat status;
    if (stat(path, &status) != 0) return -1;
    *size = static_cast<unsigned long>(status.st_size) & 0xFFFFFFFFul;
    return 0;
}
