// The file-range copy: any range of any source, through any buffer size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "payload/file_copy.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int32_t from = input.ConsumeIntegralInRange<int32_t>(-100, 70000);
    const int32_t to = input.ConsumeIntegral<int32_t>();
    const int32_t chunk = input.ConsumeIntegralInRange<int32_t>(1, 4096);
    const std::string source = input.ConsumeRemainingBytesAsString();
    MemoryFile in(source, "rb");
    if (in.get() == nullptr) return 0;
    char *written = nullptr;
    size_t writtenSize = 0;
    SystemFile out = {open_memstream(&written, &writtenSize)};
    unsigned char *buffer = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(chunk)));
    const int64_t span = static_cast<int64_t>(to) - from;
    const FileResult result = copyBetweenFiles(in.get(), &out, from, span > 0 ? span : 0, buffer, chunk);
    std::fclose(out.stream);
    std::free(buffer);
    const std::string target(written, writtenSize);
    std::free(written);

    // The target holds exactly the part of [from, to) that the source has, never more.
    if (from < 0) PROMISE(result == FileResult::SeekFailed);
    if (result == FileResult::Ok) {
        const int64_t start = from < static_cast<int64_t>(source.size()) ? from : static_cast<int64_t>(source.size());
        const int64_t stop = to < static_cast<int64_t>(source.size()) ? to : static_cast<int64_t>(source.size());
        const std::string expected = stop > start ? source.substr(static_cast<size_t>(start), static_cast<size_t>(stop - start)) : "";
        PROMISE(target == expected);
    }
    PROMISE(target.size() <= static_cast<size_t>(span > 0 ? span : 0));
    return 0;
}
