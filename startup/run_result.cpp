#include "startup/run_result.h"

int exitCodeOf(RunResult result) {
    switch (result) {
        case RunResult::Done: return 0;
        case RunResult::PathTooLong: return -1;
        case RunResult::PlayerUnreadable: return -1;
        case RunResult::NoBuffer: return -1;
        case RunResult::OpenFailed: return -2;
        case RunResult::ShortRead: return -3;
        case RunResult::ShortWrite: return -4;
        case RunResult::SeekFailed: return -5;
        case RunResult::NotABitmap: return -6;
        case RunResult::RunFromTarget: return -4;
        case RunResult::BadPayload: return -100;
        case RunResult::Cancelled: return -200;
        case RunResult::NeedsWin16: return -2999;
        case RunResult::NeedsWin32: return -3000;
        case RunResult::FinishingNotStarted: return 1;
        case RunResult::NotCommitted: return 2;
        case RunResult::NeedsRights: return -2;
        case RunResult::NotRemoved:
            return 3;
        case RunResult::FolderNameUnwritable:
            return -2;
        case RunResult::ElevatedCopy: return 0;
    }
    return 0;
}

RunResult fromFileResult(FileResult result) {
    switch (result) {
        case FileResult::Ok: return RunResult::Done;
        case FileResult::NoBuffer: return RunResult::NoBuffer;
        case FileResult::OpenFailed: return RunResult::OpenFailed;
        case FileResult::ShortRead: return RunResult::ShortRead;
        case FileResult::ShortWrite: return RunResult::ShortWrite;
        case FileResult::SeekFailed: return RunResult::SeekFailed;
    }
    return RunResult::Done;
}

RunResult fromPathResult(PathResult result) {
    switch (result) {
        case PathResult::Ok:
            return RunResult::Done;
        case PathResult::TooLong:
            return RunResult::PathTooLong;
        case PathResult::NoAnsiForm:
            return RunResult::FolderNameUnwritable;
    }
    return RunResult::PathTooLong;
}
