// The description tag of an engine image: "SCRNSAVE: " and a NUL-terminated text naming the
// saver, somewhere in the first 2048 bytes of the file, with a length byte just in front of it.
#pragma once

#include <cstdint>

#include "payload/file_result.h"
#include "payload/system_io.h"

constexpr int TAG_SEARCH_WINDOW = 2048;  // only the first 2048 bytes of a file are searched
constexpr const char DESCRIPTION_TAG[] = "SCRNSAVE: ";
constexpr int TAG_TEXT_CAPACITY = 260;  // the reader's buffer: at most 259 characters and a NUL

// Finds the first occurrence of tag at offset 2 or later whose text ends with a NUL inside the
// buffer. Returns the offset one past that NUL and sets *tagPosition to where the tag starts;
// returns 0 with *tagPosition 0 when there is none (also for an empty tag).
int32_t findTagInBuffer(const char *tag, const unsigned char *buffer, int32_t size, int32_t *tagPosition);

// The worker of both operations below: writes newText when it is given, otherwise reads into
// outText. Results: FileResult::NoBuffer (no 2048-byte buffer, or neither text given),
// FileResult::OpenFailed, FileResult::ShortRead (the file is shorter than the window), FileResult::ShortWrite,
// FileResult::SeekFailed (a seek failed, or no usable tag: missing, text without a NUL in the window,
// text longer than 259 characters, or no room for the new text).
FileResult accessDescriptionTag(const char *path, const char *tag, char *outText, const char *newText);

// The worker on a file the caller opened (Read to read, Update to write) with a window buffer of
// TAG_SEARCH_WINDOW bytes; outText is not cleared first.
FileResult accessDescriptionTagIn(SystemFile *file, unsigned char *window, const char *tag, char *outText,
                                  const char *newText);

// Copies the tag's text into outText (TAG_TEXT_CAPACITY bytes); outText is left empty on failure.
// The file is only opened for reading, so a read-only or running executable can be read.
FileResult readDescriptionTag(const char *path, const char *tag, char *outText);

// Writes newText and its NUL where the stored text's NUL is, and sets the length byte in front of
// the tag to the low 8 bits of the tag's and the new text's length together. Only the stored NUL
// and the zero bytes that follow it inside the window are overwritten: when the new text does not
// fit there, or the stored and the new text together are longer than 259 characters (the reader
// would not take them), nothing is written and the result is FileResult::SeekFailed.
FileResult writeDescriptionTag(const char *path, const char *tag, const char *newText);
