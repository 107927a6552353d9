// Removing an installed saver: its files, its entry in the list of programs, and, when it is the
// system's saver, its registration, all or nothing.
#pragma once

#include "startup/engine_win.h"
#include "startup/run_result.h"

// The installed saver started with "/u" (the list of programs' UninstallString): the rights
// (asked for as the installer asks), the question "Remove the screen saver NAME?" unless quiet,
// then the removal helper, a copy of the saver in the temporary folder that finishes the job once
// this run has ended, since a running program cannot delete its own file. Done once the helper
// runs; the helper reports the outcome.
RunResult removeSaver(Engine &engine, bool quiet);

// The removal helper: waits (a minute at most) for the saver's run to end, removes the saver and
// its player, the entry and the registration, reports the outcome (quietly only a failure), and
// has its own file deleted at the system's next start. A removal that cannot finish puts
// everything back as it was (NotRemoved).
RunResult finishRemoval(Engine &engine, const char *commandTail);
