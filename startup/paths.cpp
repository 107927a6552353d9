#include "startup/paths.h"

#include <cstring>

#include "payload/system_io.h"

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

PathResult copyPath(char *dst, const char *src) {
    const size_t n = std::strlen(src);
    if (n >= static_cast<size_t>(PATH_CAPACITY)) {
        dst[0] = '\0';
        return PathResult::TooLong;
    }
    std::memcpy(dst, src, n + 1);
    return PathResult::Ok;
}

PathResult splitPath(const char *path, PathParts *parts) {
    *parts = PathParts{};
    const size_t length = std::strlen(path);
    if (length >= static_cast<size_t>(PATH_CAPACITY)) return PathResult::TooLong;

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
    return PathResult::Ok;
}

PathResult joinPath(const PathParts &parts, char *out) {
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

PathResult replacePathParts(char *path, const char *drive, const char *directory, const char *baseName,
                            const char *extension) {
    PathParts parts;
    if (splitPath(path, &parts) != PathResult::Ok) return PathResult::TooLong;
    if ((drive != nullptr && std::strlen(drive) >= sizeof parts.drive) ||
        (directory != nullptr && copyPath(parts.directory, directory) != PathResult::Ok) ||
        (baseName != nullptr && copyPath(parts.baseName, baseName) != PathResult::Ok) ||
        (extension != nullptr && copyPath(parts.extension, extension) != PathResult::Ok)) {
        return PathResult::TooLong;
    }
    if (drive != nullptr) std::strcpy(parts.drive, drive);
    char rebuilt[PATH_CAPACITY];
    if (joinPath(parts, rebuilt) != PathResult::Ok) return PathResult::TooLong;
    std::strcpy(path, rebuilt);
    return PathResult::Ok;
}

PathResult makeInstallNamesIn(const char *windowsDirectory, const char *enginePath, char *saverTarget,
                              char *playerBeside, char *playerTarget) {
    saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
    PathParts engine;
    PathParts windows;
    if (splitPath(enginePath, &engine) != PathResult::Ok || splitPath(windowsDirectory, &windows) != PathResult::Ok) {
        return PathResult::TooLong;
    }

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
    PathResult result = joinPath(beside, playerBeside);
    if (result == PathResult::Ok) result = joinPath(target, playerTarget);
    std::strcpy(target.extension, "scr");
    if (result == PathResult::Ok) result = joinPath(target, saverTarget);
    if (result != PathResult::Ok) saverTarget[0] = playerBeside[0] = playerTarget[0] = '\0';
    return result;
}

bool fileExists(const char *path) {
    uint32_t size = 0;
    return querySystemFile(path, &size);
}

bool getFileSize(const char *path, uint32_t *size) { return querySystemFile(path, size); }
