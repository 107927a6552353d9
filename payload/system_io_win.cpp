// The system interface served by kernel32, for the engine: every function here is in the first
// releases of Windows 95 and Windows NT, so the engine needs no C runtime DLL.
#include <windows.h>

#include "payload/system_io.h"

namespace {

// A SystemFile is the file's handle, which is never null.
HANDLE handleOf(SystemFile *file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

SystemFile *openSystemFile(const char *path, FileMode mode) {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case FileMode::Read:
            access = GENERIC_READ;
            break;
        case FileMode::Update:
            break;
        case FileMode::Create:
            disposition = CREATE_ALWAYS;
            break;
        case FileMode::Append:
            access = GENERIC_WRITE;
            disposition = OPEN_ALWAYS;
            break;
    }
    // Shared for reading and writing, as the C library's streams open files.
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (mode == FileMode::Append && SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        CloseHandle(file);
        return nullptr;
    }
    return reinterpret_cast<SystemFile *>(file);
}

bool closeSystemFile(SystemFile **file) {
    if (*file == nullptr) return true;
    // Nothing is buffered here: every write has reached the system when it returned.
    const bool closed = CloseHandle(handleOf(*file)) != FALSE;
    *file = nullptr;
    return closed;
}

int32_t readSystemFile(SystemFile *file, void *buffer, int32_t count) {
    if (count <= 0) return 0;
    DWORD got = 0;
    if (!ReadFile(handleOf(file), buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
    return static_cast<int32_t>(got);
}

bool writeSystemFile(SystemFile *file, const void *buffer, int32_t count) {
    if (count <= 0) return count == 0;
    DWORD written = 0;
    return WriteFile(handleOf(file), buffer, static_cast<DWORD>(count), &written, nullptr) &&
           written == static_cast<DWORD>(count);
}

bool seekSystemFile(SystemFile *file, int32_t offset, SeekOrigin origin) {
    HANDLE handle = handleOf(file);
    // A position before the start is refused here, whatever the system would make of it.
    int64_t base = 0;
    if (origin == SeekOrigin::End) {
        const DWORD size = GetFileSize(handle, nullptr);
        if (size == INVALID_FILE_SIZE) return false;
        base = size;
    }
    if (base + offset < 0) return false;
    return SetFilePointer(handle, offset, nullptr, origin == SeekOrigin::Start ? FILE_BEGIN : FILE_END) !=
           INVALID_SET_FILE_POINTER;
}

bool sizeOfSystemFile(SystemFile *file, uint32_t *size) {
    const DWORD bytes = GetFileSize(handleOf(file), nullptr);
    *size = bytes == INVALID_FILE_SIZE || bytes > 0x7FFFFFFFu ? 0 : bytes;
    return *size == bytes;
}

bool querySystemFile(const char *path, uint32_t *size) {
    *size = 0;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    // The directory entry gives the size even of a file that another program holds locked. A
    // name with wildcards would match other files; no file is named so.
    for (const char *p = path; *p != '\0'; ++p) {
        if (*p == '*' || *p == '?') return true;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    FindClose(search);
    *size = found.nFileSizeLow;
    return true;
}

void *allocateMemory(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void releaseMemory(void *block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

uint32_t randomSeed() { return GetTickCount(); }
