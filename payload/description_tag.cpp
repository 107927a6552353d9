#include "payload/description_tag.h"

#include <cstring>

#include "payload/file_copy.h"

namespace {

// The tag is never taken at offsets 0 or 1: there must be a length byte in front of it, and the
// first two bytes of an executable are its signature.
constexpr int32_t FIRST_TAG_OFFSET = 2;

// How many bytes from offset nul on may hold a new text and its NUL: the NUL itself and the run
// of zero bytes that follows it up to the end of the window.
int32_t roomAt(const unsigned char *window, int32_t nul) {
    int32_t end = nul + 1;
    while (end < TAG_SEARCH_WINDOW && window[end] == 0) ++end;
    return end - nul;
}

}  // namespace

FileResult accessDescriptionTagIn(SystemFile *file, unsigned char *window, const char *tag, char *outText,
                                  const char *newText) {
    if (!seekSystemFile(file, 0, SeekOrigin::Start)) return FileResult::SeekFailed;
    if (readSystemFile(file, window, TAG_SEARCH_WINDOW) != TAG_SEARCH_WINDOW) return FileResult::ShortRead;

    int32_t tagAt = 0;
    const int32_t end = findTagInBuffer(tag, window, TAG_SEARCH_WINDOW, &tagAt);
    if (end == 0) return FileResult::SeekFailed;
    const int32_t textAt = tagAt + static_cast<int32_t>(std::strlen(tag));
    const int32_t nul = end - 1;
    // A text the reader's buffer cannot hold is no usable tag, for writing either.
    if (nul - textAt > TAG_TEXT_CAPACITY - 1) return FileResult::SeekFailed;

    if (newText == nullptr) {
        std::memcpy(outText, window + textAt, static_cast<size_t>(nul - textAt));
        outText[nul - textAt] = '\0';
        return FileResult::Ok;
    }

    // Check the text and the room before writing anything, so a text that does not fit leaves the
    // file as it was. The new text follows the stored one; a whole text that the reader's buffer
    // could not hold would be written as no usable tag.
    const size_t newLength = std::strlen(newText);
    if (static_cast<size_t>(nul - textAt) + newLength > static_cast<size_t>(TAG_TEXT_CAPACITY - 1)) {
        return FileResult::SeekFailed;
    }
    if (newLength + 1 > static_cast<size_t>(roomAt(window, nul))) return FileResult::SeekFailed;

    const unsigned char lengthByte = static_cast<unsigned char>((std::strlen(tag) + newLength) & 0xFFu);
    if (!seekSystemFile(file, tagAt - 1, SeekOrigin::Start)) return FileResult::SeekFailed;
    if (!writeSystemFile(file, &lengthByte, 1)) return FileResult::ShortWrite;
    if (!seekSystemFile(file, nul, SeekOrigin::Start)) return FileResult::SeekFailed;
    if (!writeSystemFile(file, newText, static_cast<int32_t>(newLength + 1))) return FileResult::ShortWrite;
    return FileResult::Ok;
}

int32_t findTagInBuffer(const char *tag, const unsigned char *buffer, int32_t size, int32_t *tagPosition) {
    *tagPosition = 0;
    const size_t tagLength = tag != nullptr ? std::strlen(tag) : 0;
    if (tagLength == 0 || size < FIRST_TAG_OFFSET || tagLength > static_cast<size_t>(size - FIRST_TAG_OFFSET)) {
        return 0;
    }
    const int32_t length = static_cast<int32_t>(tagLength);
    for (int32_t at = FIRST_TAG_OFFSET; at <= size - length; ++at) {
        if (std::memcmp(buffer + at, tag, tagLength) != 0) continue;
        // The tag holds no NUL, so a later occurrence would lie in the same run without a NUL:
        // the first occurrence decides.
        const void *nul = std::memchr(buffer + at + length, 0, static_cast<size_t>(size - at - length));
        if (nul == nullptr) return 0;
        *tagPosition = at;
        return static_cast<int32_t>(static_cast<const unsigned char *>(nul) - buffer) + 1;
    }
    return 0;
}

FileResult accessDescriptionTag(const char *path, const char *tag, char *outText, const char *newText) {
    if (newText == nullptr) {
        if (outText == nullptr) return FileResult::NoBuffer;
        outText[0] = '\0';
    }

    unsigned char *window = nullptr;
    int32_t windowSize = 0;
    FileResult result = allocWorkBuffer(TAG_SEARCH_WINDOW, &window, &windowSize);
    if (result != FileResult::Ok) return result;
    if (windowSize < TAG_SEARCH_WINDOW) {
        // A smaller buffer cannot hold the window, and a tag must not be looked for in part of it.
        freeWorkBuffer(&window);
        return FileResult::NoBuffer;
    }

    // A running program cannot open its own executable for writing, so reading asks for no more
    // than reading.
    SystemFile *file = openSystemFile(path, newText != nullptr ? FileMode::Update : FileMode::Read);
    if (file == nullptr) {
        result = FileResult::OpenFailed;
    } else {
        result = accessDescriptionTagIn(file, window, tag, outText, newText);
    }
    if (!closeSystemFile(&file) && result == FileResult::Ok && newText != nullptr) result = FileResult::ShortWrite;
    freeWorkBuffer(&window);
    return result;
}

FileResult readDescriptionTag(const char *path, const char *tag, char *outText) {
    return accessDescriptionTag(path, tag, outText, nullptr);
}

FileResult writeDescriptionTag(const char *path, const char *tag, const char *newText) {
    return accessDescriptionTag(path, tag, nullptr, newText);
}
