// Installer mode and the finishing process of an install.
#pragma once

#include <windows.h>

#include "install/finishing_command.h"
#include "install/install_plan.h"
#include "payload/trailer.h"
#include "startup/engine_win.h"
#include "startup/run_result.h"

// Installs the installer file engine.path, whose trailer the entry point read, into the Windows
// directory: the plan first (nothing is written before it holds), then the questions, the files,
// the finishing process or the registration, and a message that tells the outcome. playerFile is
// the "/z" argument (an external player) or null; quiet suppresses the success message (and
// answers Cancel to replacing files of the installer's own name).
RunResult installSaver(Engine &engine, const PayloadTrailer &trailer, const char *playerFile, bool quiet);

// Whether the directory of probePath takes the run's writes (the file opened for writing, and
// removed again when it was not there before), and what to do when it does not: Done, the
// elevated copy's run (ElevatedCopy; this run has left the instance count), Cancelled when the
// user declined, NeedsRights, or OpenFailed for a refusal of another kind.
RunResult checkWriteRights(Engine &engine, const char *probePath);

// Done when neither file exists, else the answer to "Overwrite ... and ...?": Done or Cancelled.
RunResult confirmOverwrite(HINSTANCE instance, const char *saverPath, const char *playerPath);

// How the saver is made the system's screen saver once its files are in place.
enum class Registration {
    ShortPath,  // win95 and winNT: its short path, always written
    FullPath,   // win31: its full path, written when it differs from the one registered before
};

// The steps that an install's commit and a removal take, each of which can fail on its own.
// Clears the read-only attribute and deletes the file; true when it is gone.
bool removeFile(const char *path);
// system.ini [boot] scrnsave.exe set to a value, or removed for "" (no saver registered), then
// flushed; false when the write failed.
bool writeRegistration(const char *value);

// One rename of a commit, and whether it was made (so that it can be undone). The renames use
// MoveFileA, which every class has (Windows 95 exports MoveFileExA but does not implement it), and
// which needs a free destination: a commit frees each destination before it moves there.
struct Move {
    const char *from;
    const char *to;
    bool made;
};
bool move(Move *step);
// Undone in the reverse order of the moves, each destination is free again: the file that was
// moved out of it has just been moved back, or it was free before.
void undo(const Move &step);

// Moves the temporary files to their final names as one step: the earlier saver and player are
// kept aside under the backup names until the new ones are in place and registered; when any of
// it fails, everything goes back as it was and the temporary files are removed (NotCommitted).
// oldSaver is what system.ini named before the install.
RunResult commitInstall(const FinishingFields &paths, Registration registration, const char *oldSaver);

// Installer side of the finishing process: starts a copy of the new saver that commits the
// install, and waits for its verdict. FinishingNotStarted (the temporary files deleted) when it
// could not start, NotCommitted when it could not commit.
RunResult startFinishingProcess(const FinishingFields &paths);
// The finishing process: commits the install that its command line describes, registering the
// saver with its short path.
RunResult finishInstall(const char *commandTail);
