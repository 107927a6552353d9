// The system interface served by the C library: for the native tests, the fuzz targets and
// lumivex-pack.
#include "payload/system_io_stdio.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

SystemFile *openSystemFile(const char *path, FileMode mode) {
    const char *const modes[] = {"rb", "rb+", "w+b", "ab"};
    std::FILE *stream = std::fopen(path, modes[static_cast<int>(mode)]);
    if (stream == nullptr) return nullptr;
    return new SystemFile{stream};
}

bool closeSystemFile(SystemFile **file) {
    if (*file == nullptr) return true;
    // Buffered bytes reach the file only here; losing them is a failed write.
    const bool closed = std::fclose((*file)->stream) == 0;
    delete *file;
    *file = nullptr;
    return closed;
}

int32_t readSystemFile(SystemFile *file, void *buffer, int32_t count) {
    if (count <= 0) return 0;
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(count), file->stream);
    if (got < static_cast<size_t>(count) && std::ferror(file->stream)) return -1;
    return static_cast<int32_t>(got);
}

bool writeSystemFile(SystemFile *file, const void *buffer, int32_t count) {
    if (count <= 0) return count == 0;
    return std::fwrite(buffer, 1, static_cast<size_t>(count), file->stream) == static_cast<size_t>(count);
}

bool seekSystemFile(SystemFile *file, int32_t offset, SeekOrigin origin) {
    return std::fseek(file->stream, static_cast<long>(offset), origin == SeekOrigin::Start ? SEEK_SET : SEEK_END) == 0;
}

bool sizeOfSystemFile(SystemFile *file, uint32_t *size) {
    *size = 0;
    const long at = std::ftell(file->stream);
    if (at < 0 || std::fseek(file->stream, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(file->stream);
    const bool back = std::fseek(file->stream, at, SEEK_SET) == 0;
    if (end < 0 || end > INT32_MAX || !back) return false;
    *size = static_cast<uint32_t>(end);
    return true;
}

bool querySystemFile(const char *path, uint32_t *size) {
    *size = 0;
    struct stat status;
    if (stat(path, &status) != 0) return false;
    *size = static_cast<uint32_t>(static_cast<uint64_t>(status.st_size) & 0xFFFFFFFFu);
    return true;
}

void *allocateMemory(size_t size) { return std::malloc(size); }

void releaseMemory(void *block) { std::free(block); }

uint32_t randomSeed() { return static_cast<uint32_t>(std::time(nullptr)); }
