// The description tag of any file: finding it, reading it, and writing a new text behind it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

#include "payload/description_tag.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string newText = input.ConsumeRandomLengthString(400).c_str();  // as the writer sees it
    std::string file = input.ConsumeRemainingBytesAsString();
    // Most files should hold the tag somewhere, or nothing interesting is ever read.
    const size_t plant = file.size() > 12 ? static_cast<unsigned char>(file[0]) * 8 % (file.size() - 10) : 0;
    if (file.size() > 12 && (file[1] & 1)) std::memcpy(&file[plant], DESCRIPTION_TAG, 10);

    // Found: a tag at 2 or later, its text running to the first NUL, all inside the buffer.
    const int32_t window = static_cast<int32_t>(file.size() < TAG_SEARCH_WINDOW ? file.size() : TAG_SEARCH_WINDOW);
    int32_t tagAt = -1;
    const int32_t end = findTagInBuffer(DESCRIPTION_TAG, reinterpret_cast<const unsigned char *>(file.data()), window, &tagAt);
    if (end != 0) {
        PROMISE(tagAt >= 2 && end > tagAt + 10 && end <= window);
        PROMISE(std::memcmp(file.data() + tagAt, DESCRIPTION_TAG, 10) == 0 && file[static_cast<size_t>(end - 1)] == '\0');
        PROMISE(std::memchr(file.data() + tagAt + 10, 0, static_cast<size_t>(end - 1 - tagAt - 10)) == nullptr);
    } else {
        PROMISE(tagAt == 0);
    }

    unsigned char windowBuffer[TAG_SEARCH_WINDOW];
    char text[TAG_TEXT_CAPACITY];
    std::memset(text, 'Z', sizeof text);
    text[0] = '\0';
    MemoryFile reading(file, "rb");
    if (reading.get() == nullptr) return 0;
    const FileResult read = accessDescriptionTagIn(reading.get(), windowBuffer, DESCRIPTION_TAG, text, nullptr);
    if (file.size() < TAG_SEARCH_WINDOW) PROMISE(read == FileResult::ShortRead);
    if (read == FileResult::Ok) {
        PROMISE(end != 0 && std::strlen(text) < TAG_TEXT_CAPACITY);
        PROMISE(std::strlen(text) == static_cast<size_t>(end - 1 - tagAt - 10));
        PROMISE(std::memcmp(text, file.data() + tagAt + 10, std::strlen(text)) == 0);
    }

    // Written: either nothing changes, or only the length byte and the bytes from the stored NUL
    // on, which were zero, and the tag then reads as the stored text followed by the new one.
    MemoryFile writing(file, "rb+");
    const FileResult wrote = accessDescriptionTagIn(writing.get(), windowBuffer, DESCRIPTION_TAG, nullptr, newText.c_str());
    const std::string after = writing.bytes();
    PROMISE(after.size() == file.size());
    if (wrote != FileResult::Ok) {
        PROMISE(after == file);
        return 0;
    }
    PROMISE(read == FileResult::Ok);
    const size_t nul = static_cast<size_t>(end - 1);
    for (size_t i = 0; i < file.size(); ++i) {
        if (after[i] == file[i]) continue;
        PROMISE(i == static_cast<size_t>(tagAt - 1) || (i >= nul && i <= nul + newText.size() && file[i] == '\0'));
    }
    char again[TAG_TEXT_CAPACITY];
    MemoryFile rereading(after, "rb");
    PROMISE(accessDescriptionTagIn(rereading.get(), windowBuffer, DESCRIPTION_TAG, again, nullptr) == FileResult::Ok);
    PROMISE(std::string(again) == std::string(text) + newText);
    return 0;
}
