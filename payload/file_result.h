// How a file operation of the payload code ended. The numbers are the ones a run of the engine
// ends with when such a failure ends it.
#pragma once

#include <cstdint>

enum class FileResult : int32_t {
    Ok = 0,
    NoBuffer = -1,    // no work buffer could be had
    OpenFailed = -2,  // a file could not be opened (or created)
    ShortRead = -3,   // a read ended early or failed
    ShortWrite = -4,  // a write (or the close that flushes it) failed; also: no trailer to read
    SeekFailed = -5,  // a position could not be reached; also: no usable tag, a sum past 2^31 - 1
};
