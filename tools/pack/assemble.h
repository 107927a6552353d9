// Assembling installer files: image A, image B, the splash bitmaps, the player and the payload
// trailer, with the description tag written into the header room of both engine images.
#pragma once

#include <cstdint>
#include <string>

#include "payload/trailer.h"

struct AssembleRequest {
    std::string engine;       // image B, the engine of the win95 and winNT classes
    std::string engineWin31;  // image A; empty: the engine
    std::string player;
    std::string splash1;  // a BMP, PNG or JPEG picture; empty: none
    std::string splash2;  // empty: none
    std::string name;     // the saver's name, the final base name of NAME.scr and NAME.exe
    uint32_t flags;
    std::string output;
};

// 0, or 1 with a one-line message naming the argument at fault, its file, and what is wrong in
// words. Nothing is left at the output path after a failure.
int assembleInstaller(const AssembleRequest &request, std::string *error);

// Where the zero-filled room of a PE header lies inside the first 2048 bytes: after the section
// table and before the first section's data. 0 and [begin, end), or -1 (not a PE image).
int findHeaderRoom(const unsigned char *image, size_t size, int32_t *begin, int32_t *end);

// The whole file; false when it cannot be read (missing, a folder, no permission).
bool readWholeFile(const std::string &path, std::string *bytes);
// Why a file cannot be read, in words: "cannot be opened: " and the system's reason, or "is a
// folder, not a file".
std::string fileProblem(const std::string &path);

// Empty, or a warning when the player ends in a payload trailer of its own: it is then most
// likely an installer file or an installed saver rather than a player (it is packed as it is).
std::string checkPlayerFile(const std::string &path);

// Empty when the name can be a file name in a Windows directory, else why not.
std::string checkSaverName(const std::string &name);

// Empty when the bytes are a BMP file image whose size field matches and whose DIB header the
// engine reads, else why not.
std::string checkBitmapFile(const std::string &bytes);

// What "info" prints: the trailer fields, each part's offset and size, the description, and
// whether the layout matches the file's size. 0 when it does.
int describeEngineFile(const std::string &path, std::string *report);
