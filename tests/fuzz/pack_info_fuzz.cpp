// What lumivex-pack info reads of any file.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "promise.h"
#include "tools/pack/assemble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A file of the process's own on a memory file system.
    static const std::string path = "/dev/shm/lumivex-pack-info-fuzz-" + std::to_string(getpid());
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string report;
    const int result = describeEngineFile(path, &report);
    PROMISE(result == 0 || result == 1);
    PROMISE(!report.empty() && report.back() == '\n');
    // A file it calls consistent ends in a trailer whose parts add up to the file's size.
    if (result == 0) PROMISE(size >= 44 && report.find("layout: ") != std::string::npos);
    return 0;
}
