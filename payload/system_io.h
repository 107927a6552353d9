// What the plain code asks of the system: files, memory and a seed for random numbers. The engine
// serves it from kernel32 (system_io_win.cpp), so that it needs no C runtime DLL, which the first
// releases of Windows 95 and NT 3.51 do not have; the native build, its tests and tools serve it
// from the C library (system_io_stdio.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// An open file; what it holds belongs to the implementation.
struct SystemFile;

enum class FileMode {
    Read,    // an existing file, read only
    Update,  // an existing file, read and written, at its start
    Create,  // created, or emptied when it exists; read and written
    Append,  // created when missing, written at its end (nobody seeks in it)
};

enum class SeekOrigin { Start, End };

// Null when the file cannot be opened in that mode. Other programs may read and write the file
// meanwhile, as the C library's streams allow.
SystemFile *openSystemFile(const char *path, FileMode mode);
// Closes the file and clears the pointer (null: nothing to do). False when written bytes could
// not be committed to the file.
bool closeSystemFile(SystemFile **file);
// Reads up to count bytes at the position: the number read, fewer only at the end of the file,
// or -1 for a read error.
int32_t readSystemFile(SystemFile *file, void *buffer, int32_t count);
// Writes count bytes at the position; false when not all were written.
bool writeSystemFile(SystemFile *file, const void *buffer, int32_t count);
// Moves to offset from the start or the end. A position before the start is refused (false,
// position unchanged); one past the end is allowed, as on a disk file.
bool seekSystemFile(SystemFile *file, int32_t offset, SeekOrigin origin);

// The open file's size in bytes; false when the system cannot tell (or it passes 2^31 - 1).
bool sizeOfSystemFile(SystemFile *file, uint32_t *size);

// Whether the path names an existing file or directory and, for a file, its size (low 32 bits).
bool querySystemFile(const char *path, uint32_t *size);

// Memory for work buffers: null when none is left; releaseMemory(null) does nothing.
void *allocateMemory(size_t size);
void releaseMemory(void *block);

// A value that differs from one run to the next, to seed random draws.
uint32_t randomSeed();
