// What every fuzz target shares: a check of a documented promise that stops the run with the
// promise's text (libFuzzer then keeps the input that broke it), and memory streams over bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define PROMISE(condition)                                                                        \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// A stream over a copy of the bytes (so a write never reaches the fuzzer's input), closed on
// scope exit. "rb" gives a stream that refuses writes, as a file opened for reading does.
class MemoryFile {
public:
    MemoryFile(const std::string &bytes, const char *mode) : bytes_(bytes), size_(bytes.size()) {
        bytes_.push_back('\0');  // fmemopen needs a buffer of one byte or more
        file_ = fmemopen(&bytes_[0], size_, mode);
    }
    ~MemoryFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;
    std::FILE *get() const { return file_; }
    // What the stream holds now (after its writes, once flushed).
    std::string bytes() {
        std::fflush(file_);
        return bytes_.substr(0, size_);
    }

private:
    std::string bytes_;
    size_t size_;
    std::FILE *file_;
};
