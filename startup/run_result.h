// How a run of the engine ends, and the exit code of each ending. Every mode's result is one of
// these; the entry point turns it into the process exit code in one place.
#pragma once

#include "payload/file_result.h"
#include "startup/paths.h"

enum class RunResult {
    Done,                  // 0: the mode ran (or had nothing to do)
    PathTooLong,           // -1: a path that would not fit 259 characters
    PlayerUnreadable,      // -1: the external player ("/z") cannot be examined
    NoBuffer,              // -1: no work buffer
    OpenFailed,            // -2: a file could not be opened
    ShortRead,             // -3: a read ended early
    ShortWrite,            // -4: a write failed; also: the engine file has no trailer
    SeekFailed,            // -5: a position out of reach, a sum past 2^31 - 1, no usable tag
    NotABitmap,            // -6: a splash bitmap of the engine file is no readable picture
    RunFromTarget,         // -4: the installer runs from one of its own targets
    BadPayload,            // -100: the installer file cannot be installed as it is
    Cancelled,             // -200: the user answered Cancel to the overwrite question
    NeedsWin16,            // -2999: winNT class, payload without the 32-bit flag
    NeedsWin32,            // -3000: win31 class, payload with the 32-bit flag
    FinishingNotStarted,   // 1: the finishing process of an install could not be started
    NotCommitted,          // 2: the new files could not be moved into place or registered; the
                           //    earlier saver stays as it was
    NeedsRights,           // -2: the Windows directory refuses the installer's writes for lack of
                           //    rights that the installer cannot get
    NotRemoved,            // 3: the saver could not be removed; it stays complete, registered and
                           //    listed
    FolderNameUnwritable,  // -2: the engine's file or the "/z" player lies in a folder whose name the
                           //    system's code page cannot write, without a short name
    ElevatedCopy,          // the installer's elevated copy ran the install: its exit code is the
                           //    run's (the entry point takes it from the engine record)
};

// The process exit code of a result.
int exitCodeOf(RunResult result);

RunResult fromFileResult(FileResult result);
RunResult fromPathResult(PathResult result);
