// The native build's side of the system interface: a SystemFile is a C library stream. Tests and
// fuzz targets wrap streams of their own (memory streams, say) to drive the stream entry points of
// the file readers; such a wrapper is theirs to close, closeSystemFile never sees it.
#pragma once

#include <cstdio>

#include "payload/system_io.h"

struct SystemFile {
    std::FILE *stream;
};
