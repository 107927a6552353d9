// What every fuzz target shares: a check of a documented promise that stops the run with the
// promise's text (libFuzzer then keeps the input that broke it), and memory streams over bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "payload/system_io_stdio.h"

#define PROMISE(condition)                                                                        \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// A file over a copy of the bytes (so a write never reaches the fuzzer's input), closed on scope
// exit. "rb" gives a file that refuses writes, as one opened for reading does.
class MemoryFile {
public:
    MemoryFile(const std::string &bytes, const char *mode) : bytes_(bytes), size_(bytes.size()) {
        bytes_.push_back('\0');  // fmemopen needs a buffer of one byte or more
        file_.stream = fmemopen(&bytes_[0], size_, mode);
    }
    ~MemoryFile() {
        if (file_.stream != nullptr) std::fclose(file_.stream);
    }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;
    SystemFile *get() { return file_.stream != nullptr ? &file_ : nullptr; }
    // What the stream holds now (after its writes, once flushed).
    std::string bytes() {
        std::fflush(file_.stream);
        return bytes_.substr(0, size_);
    }

private:
    std::string bytes_;
    size_t size_;
    SystemFile file_;
};
