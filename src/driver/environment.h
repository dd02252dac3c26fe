// The few settings a run takes from its environment rather than its command
// line: they tune how it runs, never what it writes.
#pragma once

#include "text/text.h"

// The number of threads that prepare work: the PACKSMITH_WORKERS
// environment variable when it holds a number from 1 on, else the number
// of processors the process may run on (at least 1).
int BuildWorkerCount();

// How long a run waits for another run to release a folder that both would
// write: `usualMs`, or PACKSMITH_LOCK_WAIT_MS when that holds a number (the
// tests of a folder held by another run wait less with it).
int FolderLockWaitMs(int usualMs);
